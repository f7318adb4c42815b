// `fly` on a flight that reaches the sea: the rows end with the last tick above
// the surface and the command exits 1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/cli.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

TEST(FlyCommand, StopsAtTheSeaWithEveryRowAboveIt) {
    const fs::path csv =
        fs::temp_directory_path() / ("soar_sea_" + std::to_string(::getpid()) + ".csv");
    std::vector<std::string> args = {"soarcalculus", "fly",        "--pattern",  "upwind",
                                     "--ticks",      "100000",     "--dt",       "0.01",
                                     "--csv",        csv.string(), "--no-redraw"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStderr();
    const int status = cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("the bird touched the sea at t = 679.6 s"), std::string::npos) << err;

    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);  // header
    long rows = 0;
    double lowest = 1e9, last_t = 0;
    while (std::getline(in, line)) {
        ++rows;
        std::vector<double> cells;
        size_t start = 0;
        for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
            cells.push_back(std::stod(line.substr(start, comma - start)));
        ASSERT_GE(cells.size(), 6u) << line;
        lowest = std::min(lowest, cells[5]);  // Z
        last_t = cells[1];
    }
    fs::remove(csv);
    EXPECT_EQ(rows, 67960);  // tick 67961 ends below the surface
    EXPECT_GE(lowest, 0.0);
    EXPECT_NEAR(last_t, 679.59, 1e-3);
}

}  // namespace
}  // namespace soar
