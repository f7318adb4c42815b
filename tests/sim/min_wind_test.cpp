// The energy-neutral wind: the table does not depend on the thread count, a
// row is what `fly` gives at that wind, the crossings and the answer are read
// off the table as stated, and the command writes its table whole.
#include "sim/min_wind.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/number_text.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

int run(std::vector<std::string> args) {
    args.insert(args.begin(), "soarcalculus");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
}

std::vector<std::string> lines_of(const fs::path& p) {
    std::ifstream in(p);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string c; std::getline(in, c, ',');) out.push_back(c);
    return out;
}

// Every figure of two searches, to the last bit.
void expect_same(const MinWindResult& a, const MinWindResult& b, int threads) {
    ASSERT_EQ(a.trials.size(), b.trials.size()) << threads << " threads";
    for (size_t i = 0; i < a.trials.size(); ++i) {
        const WindTrial &x = a.trials[i], &y = b.trials[i];
        EXPECT_EQ(x.factor, y.factor);
        EXPECT_EQ(x.dE_cycle, y.dE_cycle) << "factor " << x.factor << ", " << threads << " threads";
        EXPECT_EQ(x.cycles, y.cycles);
        EXPECT_EQ(x.survived, y.survived);
        EXPECT_EQ(x.end, y.end);
    }
    ASSERT_EQ(a.crossings.size(), b.crossings.size());
    for (size_t i = 0; i < a.crossings.size(); ++i)
        EXPECT_EQ(a.crossings[i].above.factor, b.crossings[i].above.factor);
    EXPECT_EQ(a.found, b.found);
    EXPECT_EQ(a.least.factor, b.least.factor);
}

TEST(MinWind, TheTableIsTheSameOnOneTwoAndEightThreads) {
    for (const Mode mode : {Mode::upwind, Mode::downwind}) {
        MinWindSearch how;
        how.mode = mode;
        how.threads = 1;
        const MinWindResult one = min_wind(pattern_defaults(mode), how);
        ASSERT_TRUE(one.found) << one.message;
        EXPECT_GT(one.trials.size(), 81u);  // the grid and its refinement
        for (const int threads : {2, 8}) {
            how.threads = threads;
            expect_same(one, min_wind(pattern_defaults(mode), how), threads);
        }
    }
}

// A row of the table is the energy that `fly --set U_ref=...` gains over the
// same cycles: the search flies the program's own flight, tick for tick.
TEST(MinWind, ARowIsTheEnergyPerCycleOfFlyAtThatWind) {
    const fs::path csv =
        fs::temp_directory_path() / ("soar_min_wind_fly_" + std::to_string(::getpid()) + ".csv");
    for (const auto& [mode, name, factor] :
         {std::tuple{Mode::upwind, "upwind", 1.25}, std::tuple{Mode::downwind, "downwind", 0.95}}) {
        MinWindSearch how;
        how.mode = mode;
        const WindTrial row = wind_trial(pattern_defaults(mode), how, factor);
        ASSERT_TRUE(row.measured);
        EXPECT_EQ(row.survived, mode == Mode::upwind);
        const int ticks = int(std::lround(row.t_end / how.dt)) + 2;
        // Flown to the end of the last completed cycle (the downwind flight
        // stalls later, in its eleventh cycle).
        const int code =
            run({"fly", "--pattern", name, "--ticks", std::to_string(ticks), "--dt", "0.01",
                 "--energy", "--csv", csv.string(), "--set", "U_ref=" + shortest_float(row.U_ref)});
        EXPECT_EQ(code, 0) << name;
        double E_start = NAN, E_end = NAN;
        for (const std::string& line : lines_of(csv)) {
            const auto c = cells(line);
            if (c.size() < 20 || c[0] == "tick") continue;
            const float t = std::stof(c[1]);
            if (t == float(row.t_window)) E_start = std::stod(c[19]);
            if (t == float(row.t_end)) E_end = std::stod(c[19]);
        }
        ASSERT_FALSE(std::isnan(E_start) || std::isnan(E_end)) << name;
        const int window = row.cycles - how.settle;
        EXPECT_NEAR((E_end - E_start) / window, row.dE_cycle, 1e-6) << name;
        EXPECT_NEAR(E_start, row.E_window, 1e-5) << name;
    }
    fs::remove(csv);
}

// Each crossing brackets a change of sign between neighbouring measured rows,
// halved down to the grid step over 2^halvings; the answer is the lowest row
// that gains and survives, with the row below it as the bracket's other end.
TEST(MinWind, CrossingsAndTheAnswerAreReadOffTheTable) {
    MinWindSearch how;
    how.mode = Mode::upwind;
    const MinWindResult r = min_wind(pattern_defaults(Mode::upwind), how);
    ASSERT_TRUE(r.found) << r.message;
    ASSERT_FALSE(r.crossings.empty());
    const double width = how.factor_step / double(1 << how.halvings);
    for (const WindCrossing& c : r.crossings) {
        EXPECT_NE(c.below.gains(how.tolerance), c.above.gains(how.tolerance));
        EXPECT_EQ(c.rising, c.above.gains(how.tolerance));
        EXPECT_NEAR(c.above.factor - c.below.factor, width, 1e-12);
        for (const WindTrial& t : r.trials)
            if (t.factor > c.below.factor && t.factor < c.above.factor) {
                EXPECT_FALSE(t.measured);
            }
    }
    EXPECT_TRUE(r.least.sustained(how.tolerance));
    ASSERT_TRUE(r.bracketed);
    EXPECT_FALSE(r.below_least.sustained(how.tolerance));
    EXPECT_NEAR(r.least.factor - r.below_least.factor, width, 1e-12);
    for (const WindTrial& t : r.trials) {
        if (t.factor < r.least.factor) {
            EXPECT_FALSE(t.sustained(how.tolerance)) << t.factor;
        }
        // The wind column is the profile's wind at 10 m for the flown U_ref.
        EXPECT_NEAR(t.U_10, wind_at_10m(pattern_defaults(Mode::upwind), t.factor), 1e-12);
    }
    // A longer window is a different question: the answer says which one it answers.
    how.cycles = 40;
    const MinWindResult longer = min_wind(pattern_defaults(Mode::upwind), how);
    EXPECT_NE(longer.least.factor, r.least.factor);
}

// The circle zoom flies without drag and, by default, without wind: it holds
// its energy (within the integrator's drift) at no wind, and factor 1 stands
// for the other patterns' reference wind, since its own is 0.
TEST(MinWind, CircleZoomWithoutDragNeedsNoWind) {
    MinWindSearch how;
    how.mode = Mode::circlezoom;
    const Params zoom = pattern_defaults(Mode::circlezoom);
    const MinWindResult r = min_wind(zoom, how);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.least.factor, 0.0);
    EXPECT_LT(std::fabs(r.least.dE_cycle), 1e-4);
    EXPECT_EQ(r.base_U_ref, double(pattern_defaults(Mode::upwind).U_ref));
    EXPECT_GT(r.trials.back().U_10, 10.0);
}

// The answer says which rule it is: over 10 cycles the upwind pattern's mean
// gain crosses zero and stays a gain above (energy-neutral); over 40 the bird
// just below the answer does not live through the window, so the answer is
// where it starts to survive, not where its energy balances.
TEST(MinWind, TheAnswerIsEnergyNeutralOnlyWhereTheGainCrossesZeroAndHolds) {
    MinWindSearch how;
    how.mode = Mode::upwind;
    how.threads = 2;
    const MinWindResult ten = min_wind(pattern_defaults(Mode::upwind), how);
    ASSERT_TRUE(ten.found);
    EXPECT_EQ(ten.kind, LeastWindKind::energy_neutral) << ten.why;
    EXPECT_TRUE(ten.below_least.survived);
    EXPECT_FALSE(ten.below_least.gains(how.tolerance));
    how.cycles = 40;
    const MinWindResult forty = min_wind(pattern_defaults(Mode::upwind), how);
    ASSERT_TRUE(forty.found);
    EXPECT_EQ(forty.kind, LeastWindKind::survival_limit) << forty.why;
    EXPECT_FALSE(forty.below_least.survived);
    EXPECT_NE(forty.why.find("does not survive"), std::string::npos) << forty.why;
}

// Limits the pattern keeps at every factor leave the answer as it was; a wing
// tip it puts into the sea at every factor leaves no answer, each row saying
// so, and the table's file gains a column that says which rows kept them.
TEST(MinWind, LimitsTheFlightExceedsTakeItsFactorsOutOfTheAnswer) {
    MinWindSearch how;
    how.mode = Mode::upwind;
    how.threads = 2;
    const Params p = pattern_defaults(Mode::upwind);
    const MinWindResult free = min_wind(p, how);
    std::string error;
    ASSERT_TRUE(parse_flight_limits("cl=1.6,n=5", how.limits, error)) << error;
    const MinWindResult kept = min_wind(p, how);
    ASSERT_TRUE(kept.found);
    EXPECT_EQ(kept.least.factor, free.least.factor);
    EXPECT_TRUE(kept.least.within);
    EXPECT_GT(kept.least.limits.ticks, 0);

    ASSERT_TRUE(parse_flight_limits("tip=1.7", how.limits, error)) << error;
    const MinWindResult sunk = min_wind(p, how);
    EXPECT_FALSE(sunk.found);
    int gaining = 0;
    for (const WindTrial& t : sunk.trials) {
        if (t.cycles > 0) {
            EXPECT_FALSE(t.within) << t.factor;
        }
        if (t.survived && t.gains(how.tolerance)) ++gaining;
    }
    EXPECT_GT(gaining, 10);  // it gains there, with a wing tip in the sea
    const std::string table = min_wind_csv(sunk, how);
    EXPECT_EQ(table.substr(0, table.find('\n')),
              "factor,U_ref,U_10m,dE_per_cycle,cycles,survived,gains,within_limits,end");
    EXPECT_NE(table.find(",1,1,0,"), std::string::npos);  // survived, gains, over a limit
}

// Cancel stops a long trial within its flight and the search without a result.
TEST(MinWind, CancelEndsTrialsAndSearch) {
    MinWindSearch how;
    how.cycles = 1000;
    const Params design = pattern_defaults(Mode::upwind);
    const std::atomic<bool> cancel{true};
    const WindTrial t = wind_trial(design, how, 1.0, &cancel);
    EXPECT_FALSE(t.survived);
    EXPECT_EQ(t.end, "cancelled");
    EXPECT_LT(t.cycles, 10);
    const MinWindResult at_once = min_wind(design, how, &cancel);
    EXPECT_TRUE(at_once.cancelled);
    EXPECT_FALSE(at_once.found);

    std::atomic<bool> later{false};
    int reports = 0;
    const MinWindResult r = min_wind(design, how, &later, [&](int, int) {
        ++reports;
        later = true;
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.message, "cancelled");
    EXPECT_GE(reports, 1);
}

// --csv writes the whole table; a path that cannot be written is refused
// before anything is flown and leaves nothing behind.
TEST(MinWind, CommandWritesTheTableWhole) {
    const fs::path dir =
        fs::temp_directory_path() / ("soar_min_wind_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path csv = dir / "table.csv";
    ASSERT_EQ(run({"min-wind", "--pattern", "downwind", "--cycles", "4", "--threads", "2", "--csv",
                   csv.string()}),
              0);
    MinWindSearch how;
    how.mode = Mode::downwind;
    how.cycles = 4;
    const MinWindResult r = min_wind(pattern_defaults(Mode::downwind), how);
    const auto lines = lines_of(csv);
    ASSERT_EQ(lines.size(), r.trials.size() + 1);
    EXPECT_EQ(lines[0], "factor,U_ref,U_10m,dE_per_cycle,cycles,survived,gains,end");
    for (size_t i = 0; i < r.trials.size(); ++i) {
        const auto c = cells(lines[i + 1]);
        ASSERT_GE(c.size(), 7u) << lines[i + 1];
        EXPECT_NEAR(std::stod(c[0]), r.trials[i].factor, 1e-6);
        EXPECT_EQ(std::stoi(c[4]), r.trials[i].cycles);
    }
    EXPECT_EQ(run({"min-wind", "--pattern", "upwind", "--csv", (dir / "no" / "t.csv").string()}),
              2);
    EXPECT_EQ(run({"min-wind", "--pattern", "upwind", "--threads", "0"}), 2);
    EXPECT_FALSE(fs::exists(dir / "no"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace soar
