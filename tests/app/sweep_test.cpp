// Sweeps: the grid and its text, the rows and the file read back exactly, the
// refusals before anything runs, worker processes that give the rows of one
// process, and the sweep and merge commands' files.
#include "app/sweep.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/cli.h"
#include "app/stepped_flight.h"
#include "optim/loop_solver.h"
#include "sim/param_fields.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

SweepPlan fly_plan(std::vector<SweepAxis> axes, long long ticks = 200) {
    SweepPlan s;
    s.what = SweepWhat::fly_summary;
    s.pattern = Mode::upwind;
    s.ticks = ticks;
    s.dt = 0.01;
    s.axes = std::move(axes);
    return s;
}

// Rows alike in all but the seconds they took (NaN cells alike).
void expect_same_rows(const std::vector<SweepRow>& a, const std::vector<SweepRow>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].point, b[i].point);
        EXPECT_EQ(a[i].inputs, b[i].inputs);
        EXPECT_EQ(a[i].status, b[i].status);
        ASSERT_EQ(a[i].results.size(), b[i].results.size());
        for (size_t j = 0; j < a[i].results.size(); ++j)
            EXPECT_TRUE(a[i].results[j] == b[i].results[j] ||
                        (std::isnan(a[i].results[j]) && std::isnan(b[i].results[j])))
                << "point " << a[i].point << " column " << j;
    }
}

std::string text_of(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(Sweep, GridEndsAreExactAndTheLastAxisVariesFastest) {
    const SweepAxis a{"W_S", 0.1, 0.7, 7};
    EXPECT_EQ(a.value(0), 0.1);
    EXPECT_EQ(a.value(6), 0.7);  // not 0.1 + 6 * 0.1
    EXPECT_EQ((SweepAxis{"W_S", 3, 9, 1}.value(0)), 3.0);
    const SweepPlan s = fly_plan({{"W_S", 100, 120, 3}, {"U_ref", 5, 6, 2}});
    EXPECT_EQ(sweep_size(s), 6);
    EXPECT_EQ(sweep_inputs(s, 0), (std::vector<double>{100, 5}));
    EXPECT_EQ(sweep_inputs(s, 1), (std::vector<double>{100, 6}));
    EXPECT_EQ(sweep_inputs(s, 5), (std::vector<double>{120, 6}));
    std::string error;
    EXPECT_FALSE(sweep_axis_from_text("W_S=1:2", error));
    EXPECT_FALSE(sweep_axis_from_text("W_S=1:2:0", error));
    EXPECT_FALSE(sweep_axis_from_text("W_S=1:nan:3", error));
    EXPECT_FALSE(sweep_axis_from_text("=1:2:3", error));
    EXPECT_NE(error.find("NAME=START:STOP:COUNT"), std::string::npos);
    const auto axis = sweep_axis_from_text("glide_ratio=+20:35.5:4", error);
    ASSERT_TRUE(axis);
    EXPECT_EQ(axis->stop, 35.5);
}

TEST(Sweep, ItsTextReadsBackAsTheSameSweep) {
    SweepPlan s;
    s.what = SweepWhat::optimise;
    s.axes = {{"W_S", 90.1, 140.3, 4}, {"n_max", 4, 6, 3}};
    s.preset = "zhao-glider";
    apply_preset(s.base, "zhao-glider");
    s.base.circlezoom.CD0 = -0.0f;  // a negative zero is not the default 0
    s.base.upwind.rho = 1.1f;
    s.profile = optim::WindProfile::exponential;
    s.nodes = 33;
    s.loop_settings = {{"travel", 1}, {"bank_max", 70.5}};
    std::string error;
    const auto back = sweep_from_text(sweep_text(s), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(sweep_text(*back), sweep_text(s));
    EXPECT_TRUE(back->base == s.base);
    EXPECT_TRUE(std::signbit(back->base.circlezoom.CD0));
    EXPECT_EQ(back->loop_settings, s.loop_settings);
    EXPECT_EQ(back->nodes, 33);
    EXPECT_EQ(back->profile, s.profile);
    // The defaults leave nothing in the base.
    EXPECT_NE(sweep_text(fly_plan({{"W_S", 100, 120, 3}})).find(";base=;"), std::string::npos);
    for (const char* bad : {"what=fly-summary;over=W_S:1:2", "over=W_S:100:120:2",
                            "what=fly-summary;base=upwind.nothing:1;ticks=5;dt=0.01",
                            "what=optimise;colour=red", "what=fly-summary;ticks=0;dt=0.01"})
        EXPECT_FALSE(sweep_from_text(bad, error)) << bad;
}

TEST(Sweep, RowsReadBackToTheBitWithQuotesAndEmptyCells) {
    const SweepPlan s = fly_plan({{"W_S", 100, 120, 3}});
    SweepRow r;
    r.point = 2;
    r.inputs = sweep_inputs(s, 2);
    r.results = {5, 0, 0.1 + 0.2, std::nan(""), -1e-300, 1.0 / 3.0, 7, 12.5};
    r.status = "the flight stopped, \"stalled\"; at t = 3 s";
    r.seconds = 1.25;
    std::string error;
    const auto back = sweep_row_from_text(s, sweep_row_text(r), error);
    ASSERT_TRUE(back) << error;
    expect_same_rows({r}, {*back});
    EXPECT_EQ(back->seconds, 1.25);
    // A row of another grid point's inputs, a point beyond the grid, a short row.
    std::string wrong = sweep_row_text(r);
    wrong.replace(0, 1, "1");
    EXPECT_FALSE(sweep_row_from_text(s, wrong, error));
    EXPECT_NE(error.find("not the sweep's"), std::string::npos);
    EXPECT_FALSE(sweep_row_from_text(s, "3" + sweep_row_text(r).substr(1), error));
    EXPECT_FALSE(sweep_row_from_text(s, "2,120,5,0\n", error));
}

TEST(Sweep, BadSweepsAreRefusedWithTheReason) {
    const auto error_of = [](SweepPlan s) { return sweep_error(s); };
    EXPECT_EQ(error_of(fly_plan({{"W_S", 10, 500, 3}})), "");
    EXPECT_NE(error_of(fly_plan({{"W_S", 5, 500, 3}})).find("from 10 to 500"), std::string::npos);
    EXPECT_NE(error_of(fly_plan({{"W_S", 100, 120, 2}, {"W_S", 1, 2, 2}})).find("twice"),
              std::string::npos);
    EXPECT_NE(error_of(fly_plan({{"R_0", 40, 50, 2}})).find("not a parameter of this pattern"),
              std::string::npos);
    EXPECT_NE(error_of(fly_plan({{"n_max", 4, 5, 2}})).find("not a parameter"), std::string::npos);
    EXPECT_NE(error_of(fly_plan({{"W_S", 100, 120, 1000}, {"U_ref", 1, 2, 1001}})).find("points"),
              std::string::npos);
    EXPECT_NE(error_of(fly_plan({}, 0)).find("--ticks"), std::string::npos);
    // A glide ratio whose CD0 leaves CD0's range, at any point of the grid.
    EXPECT_EQ(error_of(fly_plan({{"glide_ratio", 10, 40, 4}})), "");
    EXPECT_NE(
        error_of(fly_plan({{"K_ind", 0.2, 0.001, 3}, {"glide_ratio", 10, 40, 2}})).find("CD0"),
        std::string::npos);
    SweepPlan loop;
    loop.what = SweepWhat::optimise;
    loop.axes = {{"T_cyc", 5, 6, 2}};
    EXPECT_NE(sweep_error(loop).find("pattern's schedule"), std::string::npos);
    loop.axes = {{"travel", 0, 2, 3}};
    EXPECT_NE(sweep_error(loop).find("travel takes 0"), std::string::npos);
    loop.axes = {{"bank_max", 30, 95, 2}};
    EXPECT_NE(sweep_error(loop).find("bank_max"), std::string::npos);
    loop.axes = {{"n_max", 4, 6, 2}};
    loop.nodes = 4;
    EXPECT_NE(sweep_error(loop).find("--nodes"), std::string::npos);
}

// An optimise sweep steps the heading a travelling loop is held to (degrees,
// as optimise --travel takes it) and its ground speed; what cannot be flown
// is refused before any point is solved.
TEST(Sweep, AnOptimiseSweepStepsTheTravelHeading) {
    SweepPlan s;
    s.what = SweepWhat::optimise;
    s.axes = {SweepAxis("travel_heading", std::vector<double>{-180, -90, 0, 90})};
    s.loop_settings = {{"ground_speed", 5}};
    EXPECT_EQ(sweep_error(s), "");
    EXPECT_EQ(sweep_axis_unit("travel_heading"), "deg");
    std::string error;
    const auto p = loop_problem_of(sweep_point_loop(s, sweep_inputs(s, 1)), error);
    ASSERT_TRUE(p) << error;
    EXPECT_TRUE(p->travel && p->drift_heading_fixed);
    EXPECT_NEAR(p->drift_heading, -0.5 * k::exact_pi, 1e-15);
    EXPECT_EQ(p->drift_speed, 5.0);
    s.axes = {SweepAxis("ground_speed", std::vector<double>{0, 5})};
    s.loop_settings = {};
    EXPECT_NE(sweep_error(s).find("give both"), std::string::npos) << sweep_error(s);
    s.axes = {SweepAxis("travel_heading", std::vector<double>{90, 200})};
    EXPECT_NE(sweep_error(s).find("-180 to 180"), std::string::npos) << sweep_error(s);
    s.axes = {SweepAxis("travel_heading", std::vector<double>{90})};
    s.loop_settings = {{"travel", 0}};
    EXPECT_NE(sweep_error(s).find("not with travel=0"), std::string::npos) << sweep_error(s);
}

TEST(Sweep, APointIsItsSingleRun) {
    // fly-summary: the flight of its parameters, as fly flies it.
    const SweepPlan s = fly_plan({{"W_S", 100, 120, 2}, {"glide_ratio", 20, 30, 2}}, 500);
    const auto row = sweep_point(s, 3);
    ASSERT_TRUE(row);
    ParamSet set;
    set_param(set, Mode::upwind, *param_field("W_S"), 120.0f);
    const double K = double(set.upwind.K_ind);
    set_param(set, Mode::upwind, *param_field("CD0"), float(1.0 / (4.0 * K * 30.0 * 30.0)));
    EXPECT_TRUE(sweep_point_params(s, row->inputs) == set);
    SteppedFlight flight(set.upwind, Mode::upwind, 0.0);
    for (long long k = 1; k <= 500; ++k) ASSERT_TRUE(flight.tick(k, 0.01));
    EXPECT_EQ(row->results[0], 500);
    EXPECT_EQ(row->results[3], double(flight.state().V));
    EXPECT_EQ(row->results[4], double(flight.state().Z));
    EXPECT_EQ(row->status, "all 500 ticks flown");
    // A flight that stops ends its row with the reason and its last tick.
    SweepPlan calm = fly_plan({{"U_ref", 0, 0, 1}}, 3000);
    const auto stopped = sweep_point(calm, 0);
    ASSERT_TRUE(stopped);
    EXPECT_LT(stopped->results[0], 3000);
    EXPECT_EQ(stopped->results[1], 0);
    EXPECT_FALSE(std::isnan(stopped->results[3]));
    EXPECT_NE(stopped->status.find("airspeed"), std::string::npos);
    // A set cancel gives no row.
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(sweep_point(fly_plan({{"W_S", 100, 120, 2}}, 100000), 0, &cancel));
}

TEST(Sweep, WorkerProcessesGiveTheRowsOfOneProcess) {
    const SweepPlan s = fly_plan({{"W_S", 90, 150, 4}, {"U_ref", 5, 9, 3}}, 300);
    const std::vector<long long> points = {11, 0, 5, 6, 7, 1, 2, 3, 4, 8, 9, 10};
    std::vector<SweepRow> one, many;
    std::string error;
    ASSERT_TRUE(run_sweep(
        s, points, 1, [&](const SweepRow& r) { one.push_back(r); }, nullptr, error));
    ASSERT_TRUE(run_sweep(
        s, points, 3, [&](const SweepRow& r) { many.push_back(r); }, nullptr, error))
        << error;
    EXPECT_EQ(error, "");
    const auto by_point = [](std::vector<SweepRow> v) {
        std::sort(v.begin(), v.end(), [](auto& a, auto& b) { return a.point < b.point; });
        return v;
    };
    expect_same_rows(by_point(one), by_point(many));
    // Stopped before it starts: nothing done, and it says so.
    std::atomic<bool> stop{true};
    std::vector<SweepRow> none;
    EXPECT_FALSE(run_sweep(
        s, points, 2, [&](const SweepRow& r) { none.push_back(r); }, &stop, error));
    EXPECT_TRUE(none.empty());
}

// The loop tracker flown in gusts at each point: rows that are a function of
// the point alone, whichever worker flew them.
TEST(Sweep, ATrackSweepFliesTheLoopInGustsTheSameOnAnyNumberOfWorkers) {
    SweepPlan s;
    s.what = SweepWhat::track;
    s.nodes = 30;
    s.loop_settings = {{"CL_max", 1.2}, {"tip_min", 1.0}};  // room for the tracker
    s.seconds = 40;
    s.axes = {SweepAxis("sigma_w", std::vector<double>{0, 0.3, 6}),
              SweepAxis("seed", std::vector<double>{1, 2})};
    ASSERT_EQ(sweep_error(s), "");
    std::string error;
    const auto back = sweep_from_text(sweep_text(s), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(sweep_text(*back), sweep_text(s));
    EXPECT_EQ(back->seconds, 40);

    const std::vector<long long> points = {5, 0, 3, 1, 4, 2};
    std::vector<SweepRow> one, two;
    ASSERT_TRUE(run_sweep(
        s, points, 1, [&](const SweepRow& r) { one.push_back(r); }, nullptr, error));
    ASSERT_TRUE(run_sweep(
        s, points, 2, [&](const SweepRow& r) { two.push_back(r); }, nullptr, error))
        << error;
    const auto by_point = [](std::vector<SweepRow> v) {
        std::sort(v.begin(), v.end(), [](auto& a, auto& b) { return a.point < b.point; });
        return v;
    };
    one = by_point(one), two = by_point(two);
    expect_same_rows(one, two);
    ASSERT_EQ(one.size(), 6u);
    // energy_gained, time_aloft, ended, wind_scale, U_ref
    for (const SweepRow& r : one) EXPECT_FALSE(sweep_row_failed(s, r)) << r.status;
    // Calm air: the seed changes nothing, and the tracker soars the whole time
    // in 1.4 times the loop's least wind.
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(one[i].results[2], 0.0) << one[i].status;
        EXPECT_NEAR(one[i].results[1], 40.0, 1e-4);
        EXPECT_EQ(one[i].status, "aloft for all 40 s");
        EXPECT_NEAR(one[i].results[4], 1.4 * one[i].results[3], 1e-4);
    }
    EXPECT_EQ(one[0].results, one[1].results);
    // Light gusts: each seed its own flight.
    EXPECT_NE(one[2].results[0], one[3].results[0]);
    // Gusts of 6 m/s end the flight early, and the row says why.
    for (size_t i : {4u, 5u}) {
        EXPECT_EQ(one[i].results[2], 1.0) << one[i].status;
        EXPECT_LT(one[i].results[1], 40.0);
        EXPECT_NE(one[i].status.find("t = "), std::string::npos) << one[i].status;
    }
    // What cannot be flown is refused before any point is.
    s.axes = {SweepAxis("sigma_w", std::vector<double>{-1})};
    EXPECT_NE(sweep_error(s).find("sigma_w"), std::string::npos);
    s.axes = {SweepAxis("seed", std::vector<double>{1.5})};
    EXPECT_NE(sweep_error(s).find("whole number"), std::string::npos);
    s.axes = {SweepAxis("wind_factor", std::vector<double>{0.1})};
    EXPECT_NE(sweep_error(s).find("wind_factor"), std::string::npos);
    s.axes = {SweepAxis("T_cyc", std::vector<double>{6})};
    EXPECT_NE(sweep_error(s).find("pattern's schedule"), std::string::npos);
    EXPECT_NE(sweep_error(fly_plan({SweepAxis("sigma_w", std::vector<double>{1})})),
              "");  // a designed pattern takes no gusts
}

TEST(Sweep, WorkersStartWhileAnotherThreadHoldsTheSolversLock) {
    // A solve on another thread holds the solver's lock while the sweep starts
    // its workers: a forked worker would inherit the held lock and wait on it
    // for ever; a fresh process has its own.
    if (program_sweep_worker().empty()) GTEST_SKIP() << "no soarcalculus program to start";
    std::mutex handed;
    std::condition_variable cv;
    bool held = false, done = false;
    std::thread solver([&] {
        std::lock_guard solving(loop_solver_lock());
        std::unique_lock l(handed);
        held = true;
        cv.notify_all();
        cv.wait(l, [&] { return done; });
    });
    {
        std::unique_lock l(handed);
        cv.wait(l, [&] { return held; });
    }
    SweepPlan s;
    s.what = SweepWhat::optimise;
    s.nodes = 5;  // too coarse for a loop, but a quick answer
    s.axes = {SweepAxis("n_max", std::vector<double>{4, 5})};
    std::vector<SweepRow> rows;
    std::string error;
    const bool complete = run_sweep(
        s, {0, 1}, 2, [&](const SweepRow& r) { rows.push_back(r); }, nullptr, error);
    {
        std::lock_guard l(handed);
        done = true;
    }
    cv.notify_all();
    solver.join();
    EXPECT_TRUE(complete) << error;
    ASSERT_EQ(rows.size(), 2u);
    for (const SweepRow& r : rows)
        EXPECT_NE(r.status.find("too coarse"), std::string::npos) << r.status;
}

struct SweepCommand : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("soar_sweep_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    int run(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return status;
    }
    std::vector<std::string> sweep(const fs::path& csv, std::vector<std::string> more = {}) {
        std::vector<std::string> a = {"soarcalculus", "sweep",     "--what",  "fly-summary",
                                      "--pattern",    "crosswind", "--ticks", "150",
                                      "--dt",         "0.02",      "--over",  "W_S=100:130:4",
                                      "--csv",        csv.string()};
        a.insert(a.end(), more.begin(), more.end());
        return a;
    }
    std::string out, err;
};

TEST_F(SweepCommand, ShardsMergeIntoTheWholeFile) {
    ASSERT_EQ(run(sweep(dir / "whole.csv", {"--jobs", "2"})), 0) << err;
    for (const char* i : {"1", "2"})
        ASSERT_EQ(run(sweep(dir / (std::string("part") + i + ".csv"),
                            {"--shard", std::string(i) + "/2", "--jobs", "1"})),
                  0)
            << err;
    EXPECT_NE(out.find("shard 2/2: 2 of them"), std::string::npos) << out;
    const std::string merged = (dir / "merged.csv").string();
    ASSERT_EQ(run({"soarcalculus", "merge", "--csv", merged, (dir / "part2.csv").string(),
                   (dir / "part1.csv").string(), (dir / "part2.csv").string()}),
              0)
        << err;
    std::string error;
    const auto a = read_sweep_file(merged, error), b = read_sweep_file(dir / "whole.csv", error);
    ASSERT_TRUE(a && b) << error;
    expect_same_rows(a->rows, b->rows);
    // Only shard 1: the missing points are named and the merge says so.
    EXPECT_EQ(run({"soarcalculus", "merge", "--csv", merged, (dir / "part1.csv").string()}), 1);
    EXPECT_NE(out.find("missing 2 points: 1, 3"), std::string::npos) << out;
    // Files of two different sweeps are not merged, and nothing is written.
    fs::remove(merged);
    ASSERT_EQ(run(sweep(dir / "other.csv", {"--set", "U_ref=8"})), 0) << err;
    EXPECT_EQ(run({"soarcalculus", "merge", "--csv", merged, (dir / "part1.csv").string(),
                   (dir / "other.csv").string()}),
              2);
    EXPECT_NE(err.find("another sweep"), std::string::npos);
    EXPECT_FALSE(fs::exists(merged));
}

TEST_F(SweepCommand, ResumeKeepsTheRowsDoneAndComputesTheRest) {
    const fs::path csv = dir / "s.csv";
    ASSERT_EQ(run(sweep(csv, {"--shard", "1/2"})), 0) << err;
    const std::string half = text_of(csv);
    ASSERT_EQ(run(sweep(csv)), 0) << err;
    EXPECT_NE(out.find("2 to compute (2 already in"), std::string::npos) << out;
    const std::string whole = text_of(csv);
    // The two rows computed before are kept as they were, seconds and all.
    std::istringstream lines(half);
    std::string line;
    for (int n = 0; std::getline(lines, line); ++n)
        if (n >= 2) {
            EXPECT_NE(whole.find(line + "\n"), std::string::npos) << line;
        }
    ASSERT_EQ(run(sweep(csv)), 0);
    EXPECT_NE(out.find("0 to compute (4 already in"), std::string::npos) << out;
    EXPECT_EQ(text_of(csv), whole);
}

TEST_F(SweepCommand, BadArgumentsExitTwoAndWriteNothing) {
    const fs::path csv = dir / "s.csv";
    const std::vector<std::vector<std::string>> bad =
        {
            {"--shard", "0/2"},        {"--shard", "3/2"},      {"--shard", "2"},
            {"--jobs", "0"},           {"--nodes", "40"},       {"--cycles", "4"},
            {"--over", "W_S=100:130"}, {"--preset", "sparrow"}, {"--set", "W_S=5"},
            {"--gusts", "1"},          {"--seed", "3"},  // the designed patterns fly no gusts
        };
    for (const auto& more : bad) {
        EXPECT_EQ(run(sweep(csv, more)), 2) << more[0] << " " << more[1];
        EXPECT_FALSE(fs::exists(csv));
    }
    EXPECT_EQ(run({"soarcalculus", "sweep", "--what", "everything", "--csv", csv.string()}), 2);
    EXPECT_EQ(run({"soarcalculus", "sweep", "--what", "optimise", "--csv", csv.string()}), 2);
    EXPECT_NE(err.find("--over"), std::string::npos);
    EXPECT_EQ(run({"soarcalculus", "merge", "--csv", csv.string()}), 2);
    EXPECT_EQ(run({"soarcalculus", "merge", (dir / "a.csv").string()}), 2);
    EXPECT_FALSE(fs::exists(csv));
}

// A point of a sweep over the travel heading is the loop optimise --travel
// solves: the same least wind, drifting along the heading at the speed asked.
TEST(LoopSolver, ASweepOverTheTravelHeadingSolvesTheLoopsOfOptimiseTravel) {
    SweepPlan s;
    s.what = SweepWhat::optimise;
    s.nodes = 30;
    s.axes = {SweepAxis("travel_heading", std::vector<double>{90})};
    s.loop_settings = {{"ground_speed", 5}};
    const auto row = sweep_point(s, 0);
    ASSERT_TRUE(row);
    ASSERT_EQ(row->results[0], 1.0) << row->status;
    LoopRequest r;
    std::string error;
    optim::LoopProblem p = *loop_problem_of(r, error);
    p.travel = p.drift_heading_fixed = true;
    p.drift_heading = 90.0 * k::exact_d2r;
    p.drift_speed = 5.0;
    optim::SolveOptions o;
    o.nodes = 30;
    const optim::LoopSolution sol = optim::solve_least_wind_loop(p, o);
    ASSERT_TRUE(sol.converged) << sol.status;
    EXPECT_EQ(row->results[1], sol.wind);
    EXPECT_GE(row->results[5] / row->results[3], 5.0 - 1e-6);  // drift over period
    EXPECT_NEAR(std::atan2(sol.x.back()[optim::kY], -sol.x.back()[optim::kX]), p.drift_heading,
                1e-6);
}

}  // namespace
}  // namespace soar
