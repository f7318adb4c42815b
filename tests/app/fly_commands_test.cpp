// `fly --commands`: a recorded command sequence replayed on the command line
// gives the very rows of the flight that recorded it, calm or gusty.
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/cli_fly_commands.h"
#include "record/flight_history.h"
#include "sim/flight.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

int run(std::vector<std::string> args) {
    args.insert(args.begin(), "soarcalculus");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::FILE* saved = std::freopen("/dev/null", "w", stderr);
    (void)saved;
    return cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
}

struct FlyCommands : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("soar_fly_commands_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    void write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
};

// A weaving pilot flown step by step, each step's command kept with the
// flight time it was given at, and each tick's values as `fly` writes them.
struct Recorded {
    std::vector<TimedCommand> commands;
    std::vector<std::array<float, kColumnCount>> rows;
};
Recorded record_flight(const Params& p, int ticks, double dt, float gusts, LiftCommand kind) {
    Recorded r;
    Flight f = Flight::commanded(p, Mode::upwind, pattern_start(p, Mode::upwind));
    f.set_gusts(Turbulence(gusts, 9));
    r.rows.push_back(row_of(f.state(), p));
    for (int k = 2; k <= ticks; ++k) {
        const double t = f.state().t;
        // Weaving gently up and down.
        const float lift = kind == LiftCommand::load_factor ? float(1.0 + 0.2 * std::sin(1.1 * t))
                                                            : float(0.5 + 0.1 * std::sin(1.1 * t));
        const Command c{float(8.0 * std::sin(0.7 * t)), lift, kind};
        r.commands.push_back({f.state().t, c});
        f.command(c);
        const float t_next = float(double(k - 1) * dt);  // fly's clock from 0
        f.step(double(t_next) - double(f.state().t));
        r.rows.push_back(row_of(f.state(), p));
    }
    return r;
}

std::vector<std::vector<float>> read_rows(const fs::path& p) {
    std::ifstream in(p);
    std::vector<std::vector<float>> rows;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<float> v;
        std::stringstream cells(line);
        std::string cell;
        std::getline(cells, cell, ',');  // tick
        while (std::getline(cells, cell, ',')) {
            float x = 0;
            std::from_chars(cell.data(), cell.data() + cell.size(), x);
            v.push_back(x);
        }
        rows.push_back(v);
    }
    return rows;
}

TEST_F(FlyCommands, ARecordedSequenceReplaysToTheSameRowsBitForBit) {
    Params p = pattern_defaults(Mode::upwind);
    p.Z_start = 20.0f;
    for (const auto& [gusts, kind] : {std::pair{0.0f, LiftCommand::lift_coefficient},
                                      std::pair{0.3f, LiftCommand::load_factor}}) {
        SCOPED_TRACE(gusts);
        const Recorded rec = record_flight(p, 1000, 0.01, gusts, kind);
        const fs::path cmds = dir / "commands.csv", out = dir / "flown.csv";
        write(cmds, command_csv(rec.commands));
        std::vector<std::string> args = {"fly",        "--pattern",   "upwind", "--ticks",
                                         "1000",       "--dt",        "0.01",   "--energy",
                                         "--commands", cmds.string(), "--csv",  out.string(),
                                         "--set",      "Z_start=20"};
        if (gusts > 0) args.insert(args.end(), {"--gusts", "0.3", "--seed", "9"});
        ASSERT_EQ(run(args), 0);
        const auto rows = read_rows(out);
        ASSERT_EQ(rows.size(), rec.rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            ASSERT_GE(rows[i].size(), size_t(kColumnCount));
            for (int c = 0; c < kColumnCount; ++c)
                ASSERT_EQ(rows[i][size_t(c)], rec.rows[i][size_t(c)])
                    << "tick " << i + 1 << " column " << c;
        }
        // The gusts moved the bird: the calm replay of the same commands differs.
        if (gusts > 0) {
            ASSERT_EQ(rows[0].size(), size_t(kColumnCount + 1));  // and their energy column
            const Recorded calm = record_flight(p, 1000, 0.01, 0.0f, kind);
            EXPECT_NE(calm.rows.back()[int(Column::Z)], rec.rows.back()[int(Column::Z)]);
        }
    }
}

TEST_F(FlyCommands, BadFilesAndOptionsAreRefusedBeforeFlying) {
    const fs::path cmds = dir / "c.csv", out = dir / "o.csv";
    auto fly = [&](std::vector<std::string> extra, const char* ticks = "10") {
        std::vector<std::string> args = {"fly",  "--pattern", "upwind", "--ticks",   ticks,
                                         "--dt", "0.01",      "--csv",  out.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    };
    write(cmds, "time,bank,lift\n0,0,0.5\n");
    EXPECT_EQ(fly({"--commands", cmds.string()}), 2);
    write(cmds, "t,mu_deg,CL\n0,0,0.5\n1,abc,0.5\n");
    EXPECT_EQ(fly({"--commands", cmds.string()}), 2);
    write(cmds, "t,mu_deg,CL\n1,0,0.5\n0.5,0,0.5\n");  // back in time
    EXPECT_EQ(fly({"--commands", cmds.string()}), 2);
    EXPECT_EQ(fly({"--commands", (dir / "none.csv").string()}), 2);
    EXPECT_EQ(fly({"--gusts", "1"}), 2);  // the designed pattern has no commands
    write(cmds, "t,mu_deg,CL\r\n0,10,0.5\r\n");
    EXPECT_EQ(fly({"--commands", cmds.string(), "--gusts", "1", "--seed", "x"}), 2);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(fly({"--commands", cmds.string(), "--gusts", "1", "--seed", "3"}), 0);
    EXPECT_EQ(read_rows(out).size(), 10u);
    // A command that stalls the bird ends the flight with its reason, rows kept.
    write(cmds, "t,mu_deg,CL\n0,0,3\n");
    EXPECT_EQ(fly({"--commands", cmds.string()}, "300"), 1);
    const auto rows = read_rows(out);
    EXPECT_GT(rows.size(), 5u);
    EXPECT_LT(rows.size(), 300u);
}

}  // namespace
}  // namespace soar
