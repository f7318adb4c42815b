// `fly --commands`: a recorded command sequence replayed on the command line
// gives the very rows of the flight that recorded it, calm or gusty.
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/cli_fly_commands.h"
#include "app_fixture.h"
#include "platform/number_text.h"
#include "record/csv.h"
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

// The rows of a flight CSV's text by tick number, the tick left out.
std::map<long long, std::vector<float>> rows_by_tick(const std::string& text) {
    std::map<long long, std::vector<float>> rows;
    std::stringstream in(text);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::stringstream cells(line);
        std::string cell;
        std::getline(cells, cell, ',');
        const long long tick = std::stoll(cell);
        std::vector<float>& v = rows[tick];
        while (std::getline(cells, cell, ',')) {
            float x = 0;
            std::from_chars(cell.data(), cell.data() + cell.size(), x);
            v.push_back(x);
        }
    }
    return rows;
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
        // No start in the file (as files were saved before they named one):
        // the flight starts from the pattern's start.
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

// A flight flown yourself in the window, weaving with the arrow keys, its
// commands saved: fly replays them to the rows of the window's flight CSV.
struct WindowFlight {
    test::Run run;
    // `reading(k)`: the clock's reading at tick k (k = 1 the start).
    template <class Reading>
    void fly(const Turbulence& gusts, int ticks, Reading reading, bool dive = false) {
        Session& s = run.session;
        s.choose_pattern(Mode::upwind);
        s.set_pilot_gusts(gusts);
        run.clock.set(reading(1));
        s.fly_yourself();
        for (int k = 1; k <= ticks; ++k) {
            const double t = s.flight_state().t;
            const float gam = s.flight_state().gam_deg;
            // A climb, then the path held about level with gentle turns (or a dive).
            PilotKeys keys;
            keys.more_lift = t < 0.3 || (t > 2.5 && gam < -1.0f && !dive);
            keys.less_lift = t > 2.5 && (gam > 1.0f || dive);
            const double phase = std::fmod(t, 6.0);
            keys.bank_left = t > 3.0 && phase < 0.3;
            keys.bank_right = t > 3.0 && phase >= 3.0 && phase < 3.3;
            s.set_pilot_keys(keys);
            if (!run.tick(reading(k))) break;
        }
    }
};

TEST_F(FlyCommands, CommandsSavedFromTheWindowReplayToItsFlightCsvBitForBit) {
    const fs::path cmds = dir / "saved.csv", out = dir / "flown.csv";
    const auto replay = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"fly",         "--pattern", "upwind", "--commands",
                                         cmds.string(), "--energy",  "--csv",  out.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    };
    const auto same_rows = [&](const WindowFlight& w) {
        const FlightRecord& r = w.run.session.record();
        const auto window = rows_by_tick(flight_data_csv(r.history, r.params));
        std::ifstream in(out);
        std::stringstream text;
        text << in.rdbuf();
        const auto flown = rows_by_tick(text.str());
        ASSERT_EQ(flown.size(), r.history.size());
        ASSERT_GT(window.size(), 300u);
        for (const auto& [tick, row] : window) {
            ASSERT_TRUE(flown.count(tick)) << tick;
            const std::vector<float>& f = flown.at(tick);
            ASSERT_GE(f.size(), row.size());
            for (size_t c = 0; c < row.size(); ++c)
                ASSERT_EQ(float_bits(f[c]), float_bits(row[c]))
                    << "tick " << tick << " column " << c;
        }
    };

    // The window's ticks at a steady 10 ms, calm air: fly's own clock.
    {
        WindowFlight w;
        w.fly({}, 900, [](int k) { return float(double(k - 1) * 0.01); });
        ASSERT_TRUE(w.run.session.flying()) << w.run.session.fault();
        write(cmds, command_csv(w.run.session.commands_given(), &w.run.session.pilot_start()));
        ASSERT_EQ(replay({"--ticks", "900", "--dt", "0.01"}), 0);
        same_rows(w);
    }
    // Irregular ticks, some reading the same time (steps of no time), in gusts:
    // the steps the commands' times give.
    {
        WindowFlight w;
        std::vector<float> readings = {0.0f, 5.0f};  // from tick 1
        for (int k = 2; k <= 500; ++k)
            readings.push_back(
                float(double(readings.back()) + (k % 9 == 0 ? 0.0 : 0.008 + 0.001 * (k * 7 % 9))));
        w.fly(Turbulence(0.4f, 77), 500, [&](int k) { return readings[size_t(k)]; });
        ASSERT_TRUE(w.run.session.flying()) << w.run.session.fault();
        write(cmds, command_csv(w.run.session.commands_given(), &w.run.session.pilot_start()));
        ASSERT_EQ(replay({"--command-times", "--gusts", "0.4", "--seed", "77"}), 0);
        same_rows(w);
        // The same commands on fly's steady clock fly another flight.
        ASSERT_EQ(replay({"--ticks", "500", "--dt", "0.011", "--gusts", "0.4", "--seed", "77"}), 0);
        EXPECT_NE(read_rows(out).back()[size_t(Column::Z)], w.run.session.flight_state().Z);
    }
    // A flight the pilot dived into the sea ends at the same tick, for the same reason.
    {
        WindowFlight w;
        w.fly(
            {}, 3000, [](int k) { return float(double(k - 1) * 0.01); }, true);
        ASSERT_FALSE(w.run.session.flying());
        write(cmds, command_csv(w.run.session.commands_given(), &w.run.session.pilot_start()));
        ASSERT_EQ(replay({"--command-times"}), 1);
        same_rows(w);
    }
    // The commands' times need a file that starts at the flight's start.
    write(cmds, "t,mu_deg,CL\n0.5,0,0.5\n");
    EXPECT_EQ(replay({"--command-times"}), 2);
    write(cmds, "t,mu_deg,CL\n0,0,0.5\n");
    EXPECT_EQ(replay({"--command-times", "--ticks", "5"}), 2);
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
    // A start line missing a field, with one not a number, or with no header after it.
    const std::string start = "# start: t=0,X=0,Y=0,Z=12,V=25,gam_deg=0,psi_deg=-90,mu_deg=0,";
    for (const std::string& bad :
         {start + "\nt,mu_deg,CL\n", start + "CL=x\nt,mu_deg,CL\n", start + "CL=0.4\n",
          std::string("# a note\nt,mu_deg,CL\n"), "t,mu_deg,CL\n" + start + "CL=0.4\n"}) {
        write(cmds, bad);
        EXPECT_EQ(fly({"--commands", cmds.string()}), 2) << bad;
    }
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
