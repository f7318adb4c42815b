// render's video options checked before anything is flown: a wrong value,
// a clash or a folder that does not exist is refused (exit 2), nothing written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli.h"

namespace soar {
namespace {

int check(std::vector<std::string> args) {
    args.insert(args.begin(), {"soarcalculus", "render", "--pattern", "upwind"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return cli_check(int(argv.size()), argv.data());
}

TEST(RenderOptions, VideoOptionsAreCheckedBeforeTheFlight) {
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"--png", "/tmp/a.png", "--colour-by", "energy", "--arrows"}, 0},
        {{"--png", "/tmp/a.png", "--colour-by", "wind"}, 0},
        {{"--png", "/tmp/a.png", "--colour-by", "height"}, 0},
        {{"--png", "/tmp/a.png", "--colour-by", "airspeed"}, 0},
        {{"--png", "/tmp/a.png", "--colour-by", "Energy"}, 2},
        {{"--png", "/tmp/a.png", "--colour-by"}, 2},
        {{"--video", "/tmp/a.mp4"}, 0},
        {{"--video", "/tmp/a.mp4", "--fps", "60", "--seconds", "2.5", "--size", "640x480"}, 0},
        {{"--video", "/tmp/a.mp4", "--ticks", "500", "--dt", "0.01"}, 0},
        {{"--frames", "/tmp"}, 0},
        {{"--frames", "/no/such/folder"}, 2},
        {{"--frames", "/tmp/a.mp4-not-a-folder"}, 2},
        {{"--video", "/no/such/folder/a.mp4"}, 2},
        {{"--video", "/tmp/a.mp4", "--fps", "29.97"}, 2},
        {{"--video", "/tmp/a.mp4", "--fps", "0"}, 2},
        {{"--video", "/tmp/a.mp4", "--fps", "241"}, 2},
        {{"--video", "/tmp/a.mp4", "--seconds", "0"}, 2},
        {{"--video", "/tmp/a.mp4", "--seconds", "nan"}, 2},
        {{"--video", "/tmp/a.mp4", "--seconds", "3", "--ticks", "100"}, 2},
        {{"--png", "/tmp/a.png", "--fps", "30"}, 2},
        {{"--png", "/tmp/a.png", "--seconds", "3"}, 2},
        {{}, 2},  // no output at all
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        EXPECT_EQ(check(c.args), c.status) << line;
    }
    // The fixed view has no flight to make a video of.
    std::vector<std::string> fixed = {"soarcalculus", "render",  "--pattern",
                                      "fixed",        "--video", "/tmp/a.mp4"};
    std::vector<char*> argv;
    for (auto& a : fixed) argv.push_back(a.data());
    EXPECT_EQ(cli_check(int(argv.size()), argv.data()), 2);
}

}  // namespace
}  // namespace soar
