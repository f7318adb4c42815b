// The optimal loops kept in a file: the loop of the very problem taken from
// among several, and `fly --loop` flying it to the rows of the window's flight.
#include "app/loop_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli.h"
#include "app/cli_args.h"
#include "app/loop_cache.h"
#include "app/loop_flight.h"
#include "app_fixture.h"
#include "record/csv.h"
#include "sim/param_fields.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

// A loop for the default albatross's problem, made up rather than solved (a
// solve takes seconds): a climbing, banking circle of 20 s, smooth over its
// seam, as a solved loop is.
struct AlbatrossLoop {
    optim::LoopProblem problem;
    optim::LoopSolution solution;
    std::string text;  // as optimise --loop-file writes it
    AlbatrossLoop() {
        std::string error;
        problem = *preset_loop_problem(ParamSet{}, "design-albatross", error);
        const int n = 21;
        solution.converged = true;
        solution.period = 20.0;
        solution.wind = 7.5;
        const auto at = [&](double a) -> std::pair<optim::LoopState, optim::LoopControl> {
            return {{40.0 * std::sin(a), 40.0 * (1.0 - std::cos(a)), 8.0 - 5.0 * std::cos(a),
                     20.0 + 4.0 * std::cos(a), 0.2 * std::sin(a), problem.turn * a},
                    {0.6 + 0.2 * std::sin(a), 0.5 * std::sin(a)}};
        };
        for (int k = 0; k < n; ++k) {
            const double a = 2.0 * M_PI * k / (n - 1);
            solution.t.push_back(solution.period * k / (n - 1));
            solution.x.push_back(at(a).first);
            solution.u.push_back(at(a).second);
            if (k + 1 < n) solution.u_mid.push_back(at(a + M_PI / (n - 1)).second);
        }
        text = loop_cache_text(loop_cache_key(problem, n), solution);
    }
};

TEST(LoopFile, TakesTheLoopOfTheVeryProblemFromAmongSeveral) {
    const AlbatrossLoop a;
    std::string error;
    const auto zhao = preset_loop_problem(*preset_set("zhao-glider"), "zhao-glider", error);
    ASSERT_TRUE(zhao) << error;
    // Another loop (here the same numbers keyed for Zhao's glider) before it.
    const std::string zhao_text = loop_cache_text(loop_cache_key(*zhao, 21), a.solution);
    const std::string file = zhao_text + a.text;

    const auto found = loop_in_file_text(file, a.problem);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->x.size(), a.solution.x.size());
    EXPECT_EQ(found->x, a.solution.x);
    EXPECT_EQ(found->u_mid, a.solution.u_mid);
    EXPECT_EQ(found->wind, a.solution.wind);
    EXPECT_TRUE(loop_in_file_text(file, *zhao));

    // Parameters changed from the preset's pose another loop: none in the file.
    ParamSet heavier;
    heavier.upwind.W_S = 150.0f;
    const auto other = preset_loop_problem(heavier, "design-albatross", error);
    ASSERT_TRUE(other) << error;
    EXPECT_FALSE(loop_in_file_text(file, *other));
    // A file cut short in its last loop gives that loop no more, the one before still.
    const std::string cut = file.substr(0, zhao_text.size() + a.text.size() / 2);
    EXPECT_FALSE(loop_in_file_text(cut, a.problem));
    EXPECT_TRUE(loop_in_file_text(cut, *zhao));
    EXPECT_FALSE(loop_in_file_text("", a.problem));
}

int fly(std::vector<std::string> args) {
    args.insert(args.begin(), "soarcalculus");
    std::vector<char*> argv;
    for (auto& s : args) argv.push_back(s.data());
    std::FILE* saved = std::freopen("/dev/null", "w", stderr);
    (void)saved;
    return cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
}

TEST(LoopFile, FlyLoopWritesTheRowsOfTheWindowsLoopFlight) {
    const AlbatrossLoop a;
    const fs::path dir =
        fs::temp_directory_path() / ("soar_loop_file_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path loops = dir / "loops.txt", csv = dir / "rows.csv";
    std::ofstream(loops) << a.text;
    const int ticks = 1200;  // past the loop's period: the seam of a cycle is flown
    const double dt = 0.02, start = 3600.5;
    ASSERT_EQ(fly({"fly", "--loop", loops.string(), "--ticks", std::to_string(ticks), "--dt",
                   "0.02", "--clock-start", "3600.5", "--energy", "--csv", csv.string()}),
              0);
    std::ifstream in(csv);
    std::stringstream rows;
    rows << in.rdbuf();

    // The window flies the same loop read from the same file.
    test::Run window;
    const auto loaded = loop_in_file_text(a.text, a.problem);
    ASSERT_TRUE(loaded);
    window.clock.set(float(start));
    window.session.fly_loop(
        make_loop_flight(window.session.model().params.upwind, a.problem, *loaded));
    for (int k = 1; k <= ticks; ++k) ASSERT_TRUE(window.tick_unseen(cli::clock_at(start, k, dt)));
    EXPECT_GT(window.session.record().history.last(Column::t), a.solution.period);
    EXPECT_EQ(rows.str(), history_csv(window.session.record().history));

    // A loop file that holds no loop for the parameters flown is refused.
    EXPECT_EQ(fly({"fly", "--loop", loops.string(), "--preset", "heavier-albatross", "--ticks", "5",
                   "--dt", "0.02", "--csv", (dir / "refused.csv").string()}),
              2);
    EXPECT_FALSE(fs::exists(dir / "refused.csv"));
    EXPECT_EQ(fly({"fly", "--loop", (dir / "none.txt").string(), "--ticks", "5", "--dt", "0.02"}),
              2);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace soar
