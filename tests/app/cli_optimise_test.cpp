#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

int run(std::vector<std::string> args) {
    args.insert(args.begin(), {"soarcalculus", "optimise"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
}

std::string text_of(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Optimise : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("soar_optimise_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(Optimise, PrintsTheLeastGradientAndWritesTheLoop) {
    const fs::path csv = dir / "loop.csv";
    testing::internal::CaptureStdout();
    const int rc = run({"--preset", "zhao-glider", "--nodes", "20", "--csv", csv.string()});
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("least wind gradient: 0.06"), std::string::npos) << out;
    EXPECT_NE(out.find("loop period: "), std::string::npos);
    EXPECT_NE(out.find("energy per cycle: "), std::string::npos);

    std::istringstream in(text_of(csv));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "t,X,Y,Z,V,gamma_deg,psi_deg,CL,bank_deg,n,U,E");
    int rows = 0;
    double first_psi = 0, last_psi = 0;
    while (std::getline(in, line)) {
        std::vector<double> v;
        std::stringstream cells(line);
        for (std::string c; std::getline(cells, c, ',');) v.push_back(std::stod(c));
        ASSERT_EQ(v.size(), 12u) << line;
        // E is the energy height Z + V^2/2g, U the linear wind at Z.
        EXPECT_NEAR(v[11], v[3] + v[4] * v[4] / (2.0 * 32.2 * 0.3048), 1e-3);
        EXPECT_GE(v[10], -1e-6);
        if (rows == 0) {
            first_psi = v[6];
            EXPECT_NEAR(v[1], 0.0, 1e-9);
            EXPECT_NEAR(v[3], 0.0, 1e-9);
        }
        last_psi = v[6];
        ++rows;
    }
    EXPECT_EQ(rows, 20);
    EXPECT_NEAR(last_psi - first_psi, 360.0, 1e-3);
}

TEST_F(Optimise, BadArgumentsExitTwoAndWriteNothing) {
    const fs::path csv = dir / "bad.csv";
    const std::vector<std::vector<std::string>> cases = {
        {"--preset", "pelican"},
        {"--profile", "cubic"},
        {"--nodes", "3"},
        {"--nodes", "many"},
        {"--set", "wingspan=3"},
        {"--set", "CL_max=high"},
        {"--set", "CL_max"},
        {"--set"},
        {"--set", "T_min=40", "--set", "T_max=20"},
        {"--preset", "zhao-glider", "--profile", "log"},  // starts at the sea, below z0
        {"--speed", "3"},
        {"--set", "W_S=5"},         // a flight parameter out of its range
        {"--set", "mu_max=30"},     // a pattern's schedule, not the loop's
        {"--set", "bank_max=nan"},  // the loop's own setting, not a number
        {"--params", "/nonexistent/loop.toml"},
        {"--set", "travel=2"},        // a loop travels or not
        {"--glide-ratios", "15,20"},  // from the highest down
        {"--glide-ratios", "0.5"},    // no glider
        {"--glide-ratios", "20,,15"},
    };
    for (auto args : cases) {
        args.insert(args.end(), {"--csv", csv.string()});
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(args), 2) << args[0] << " " << args[1];
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("soarcalculus optimise: "), std::string::npos);
        EXPECT_FALSE(fs::exists(csv)) << args[0] << " " << args[1];
    }
}

// The shared presets and parameters reach the loop: twice the zero-lift drag
// needs more wind; the older preset name still works.
TEST_F(Optimise, SharedPresetsChangeTheLeastWind) {
    auto least = [](std::vector<std::string> args) {
        args.insert(args.end(), {"--nodes", "30"});
        testing::internal::CaptureStdout();
        EXPECT_EQ(run(args), 0);
        const std::string out = testing::internal::GetCapturedStdout();
        const auto at = out.find("least wind at 10 m: ");
        EXPECT_NE(at, std::string::npos) << out;
        return at == std::string::npos ? 0.0 : std::stod(out.substr(at + 20));
    };
    const double design = least({"--preset", "albatross"});
    EXPECT_GT(least({"--preset", "draggy-wing"}), design * 1.05);
    EXPECT_NEAR(least({"--set", "CD0=0.015"}), design, 1e-3);
}

// --glide-ratios: the least wind for each glide ratio, each continued from
// the last loop; more drag needs more wind. The table is written whole.
TEST_F(Optimise, GlideRatiosGiveTheLeastWindOfEach) {
    const fs::path csv = dir / "ratios.csv";
    testing::internal::CaptureStdout();
    const int rc = run({"--preset", "sachs-2005-albatross", "--nodes", "40", "--glide-ratios",
                        "20,18", "--csv", csv.string()});
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("a travelling loop"), std::string::npos) << out;
    std::istringstream in(text_of(csv));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "glide_ratio,CD0,converged,wind_scale,wind_10m,period,drift_m,iterations");
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> v;
        std::stringstream cells(line);
        for (std::string c; std::getline(cells, c, ',');) v.push_back(std::stod(c));
        rows.push_back(v);
    }
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], 20.0);
    EXPECT_EQ(rows[1][0], 18.0);
    EXPECT_EQ(rows[1][2], 1.0);
    EXPECT_GT(rows[1][4], rows[0][4] + 0.5);  // m/s at 10 m
    EXPECT_GT(rows[0][6], 10.0);              // it drifts
}

// No loop can turn once within a second: the solver's status, exit 1, and
// the file that was there before is left as it was.
TEST_F(Optimise, ImpossibleLoopExitsOneAndKeepsTheOldFile) {
    const fs::path csv = dir / "keep.csv";
    { std::ofstream(csv) << "an earlier loop\n"; }
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const int rc =
        run({"--nodes", "15", "--set", "T_min=0.5", "--set", "T_max=1", "--csv", csv.string()});
    testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, 1);
    EXPECT_NE(err.find("no loop"), std::string::npos) << err;
    EXPECT_EQ(text_of(csv), "an earlier loop\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
}

}  // namespace
}  // namespace soar
