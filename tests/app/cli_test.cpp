#include "app/cli.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

struct Fly : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("soar_cli_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(Fly, WritesTheHeaderAndOneRowPerTick) {
    const fs::path csv = dir / "up.csv";
    ASSERT_EQ(run({"fly", "--pattern", "upwind", "--ticks", "250", "--dt", "0.02", "--csv",
                   csv.string()}),
              0);
    const auto lines = lines_of(csv);
    ASSERT_EQ(lines.size(), 251u);
    EXPECT_EQ(lines[0],
              "tick,t,dt,X,Y,Z,V,gam_deg,psi_deg,mu_deg,Nz,Nx,CL,U,Up,alpha,roll_b,pitch_b,yaw_b");
    EXPECT_EQ(lines[1].rfind("1,0,0,0,0,1.02,25,0,-90,", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("2,0.02,0.02,", 0), 0u) << lines[2];
    EXPECT_EQ(lines[250].rfind("250,4.98,", 0), 0u) << lines[250];
    for (const auto& line : lines) EXPECT_EQ(std::count(line.begin(), line.end(), ','), 18) << line;
}

TEST_F(Fly, SameRunGivesTheSameBytes) {
    const fs::path a = dir / "a.csv", b = dir / "b.csv";
    for (const auto& p : {a, b})
        ASSERT_EQ(run({"fly", "--pattern", "circlezoom", "--ticks", "300", "--dt", "0.0137",
                       "--clock-start", "50000.5", "--csv", p.string()}),
                  0);
    EXPECT_EQ(lines_of(a), lines_of(b));
}

TEST_F(Fly, FlightWithoutThePictureIsTheSameFlight) {
    const fs::path full = dir / "full.csv", bare = dir / "bare.csv";
    for (const char* pattern : {"upwind", "downwind", "crosswind", "circlezoom", "profile"}) {
        ASSERT_EQ(run({"fly", "--pattern", pattern, "--ticks", "400", "--dt", "0.01", "--csv",
                       full.string()}),
                  0);
        ASSERT_EQ(run({"fly", "--pattern", pattern, "--ticks", "400", "--dt", "0.01", "--csv",
                       bare.string(), "--no-redraw"}),
                  0);
        EXPECT_EQ(lines_of(full), lines_of(bare)) << pattern;
    }
}

TEST_F(Fly, BadArgumentsExitTwoAndWriteNothing) {
    const fs::path csv = dir / "bad.csv";
    const std::vector<std::vector<std::string>> cases = {
        {"--pattern", "sideways", "--ticks", "5", "--dt", "0.1"},
        {"--pattern", "fixed", "--ticks", "5", "--dt", "0.1"},
        {"--pattern", "upwind", "--ticks", "0", "--dt", "0.1"},
        {"--pattern", "upwind", "--ticks", "five", "--dt", "0.1"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "-0.1"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1x"},
        {"--pattern", "upwind", "--ticks", "5"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--clock-start", "noon"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--speed", "2"},
    };
    for (auto args : cases) {
        args.insert(args.begin(), "fly");
        args.push_back("--csv");
        args.push_back(csv.string());
        EXPECT_EQ(run(args), 2) << args[2];
        EXPECT_FALSE(fs::exists(csv)) << args[2];
    }
}

TEST_F(Fly, StallKeepsTheCompletedRowsAndExitsOne) {
    const fs::path csv = dir / "cross.csv";
    EXPECT_EQ(run({"fly", "--pattern", "crosswind", "--ticks", "100000", "--dt", "0.01", "--csv",
                   csv.string()}),
              1);
    const auto lines = lines_of(csv);
    EXPECT_GT(lines.size(), 1000u);
    EXPECT_LT(lines.size(), 100001u);
    // The last row is a complete tick with a positive airspeed.
    const std::string& last = lines.back();
    std::vector<std::string> cells;
    std::stringstream ss(last);
    for (std::string c; std::getline(ss, c, ',');) cells.push_back(c);
    ASSERT_EQ(cells.size(), 19u);
    EXPECT_GT(std::stod(cells[6]), 0.0);
}

TEST_F(Fly, ExportGeometryWritesTheEightFiles) {
    ASSERT_EQ(run({"export-geometry", "--dir", dir.string(), "--roll", "30", "--scale", "1.5"}), 0);
    for (const char* name : {"xyz.txt", "xyz_wp.txt", "xyz_ws.txt", "xyz_sp.txt", "xyz_bm.txt",
                             "xyz_eq.txt", "xyz_bs.txt", "xyz_ee.txt"}) {
        ASSERT_TRUE(fs::exists(dir / name)) << name;
        std::ifstream in(dir / name, std::ios::binary);
        std::string first;
        std::getline(in, first);
        EXPECT_EQ(first, " element, section, x, y, z, xr, yr, zr, xp, zp \r") << name;
    }
    EXPECT_EQ(run({"export-geometry", "--dir", (dir / "missing").string()}), 2);  // before any work
    EXPECT_EQ(run({"export-geometry", "--dir", dir.string(), "--roll", "thirty"}), 2);
}

}  // namespace
}  // namespace soar
