#include "app/cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli_args.h"
#include "app/session.h"
#include "app_fixture.h"
#include "headless/recording_surface.h"
#include "platform/number_text.h"
#include "tests/disk_full.h"

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

uint64_t fnv1a(const std::string& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Standard error of one call, for the messages.
struct StderrCapture {
    fs::path file;
    int saved;
    explicit StderrCapture(fs::path f) : file(std::move(f)) {
        std::fflush(stderr);
        saved = ::dup(2);
        std::FILE* out = std::fopen(file.c_str(), "w");
        ::dup2(::fileno(out), 2);
        std::fclose(out);
    }
    std::string text() {
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        return slurp(file);
    }
};

// The CSV bytes of every pattern (at noon, where several ticks share a clock
// reading, and through a stall) hash to those written before the rows were
// formatted on a second thread and the picture half of the tick was dropped.
TEST_F(Fly, RowsAreByteForByteThoseOfTheFullTick) {
    const struct {
        const char* pattern;
        int status;
        uint64_t hash;
        size_t bytes;
    } cases[] = {
        {"upwind", 0, 0x2ffe6472c54f6854, 550495},    {"downwind", 0, 0x4efe4a2559a5672b, 559828},
        {"crosswind", 1, 0x1551999175845cf5, 467658}, {"circlezoom", 0, 0xa4cb9e5018477961, 511970},
        {"profile", 0, 0x4efe4a2559a5672b, 559828},
    };
    const fs::path csv = dir / "rows.csv";
    for (const auto& c : cases) {
        EXPECT_EQ(run({"fly", "--pattern", c.pattern, "--ticks", "3000", "--dt", "0.05",
                       "--clock-start", "43200", "--csv", csv.string(), "--no-redraw"}),
                  c.status);
        const std::string bytes = slurp(csv);
        EXPECT_EQ(bytes.size(), c.bytes) << c.pattern;
        EXPECT_EQ(fnv1a(bytes), c.hash) << c.pattern << ": 0x" << std::hex << fnv1a(bytes);
    }
}

// A shear layer set on the command line is the wind flown: from the first
// row the bird meets another wind than the profile's, and the parameter file
// saved with the layer flies the same rows.
TEST_F(Fly, AShearLayerIsTheWindFlownAndItsParameterFileFliesIt) {
    const auto rows = [&](std::vector<std::string> extra, const char* name) {
        const fs::path csv = dir / name;
        std::vector<std::string> args = {"fly",  "--pattern", "upwind", "--ticks",   "300",
                                         "--dt", "0.01",      "--csv",  csv.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(run(args), 0);
        return lines_of(csv);
    };
    const auto profile = rows({}, "profile.csv");
    const auto layer = rows({"--set", "shear_delta=2", "--set", "shear_height=6"}, "layer.csv");
    ASSERT_EQ(layer.size(), 301u);
    ASSERT_EQ(profile.size(), 301u);
    EXPECT_NE(layer[1], profile[1]);
    EXPECT_NE(layer[300], profile[300]);
    const fs::path toml = dir / "layer.toml";
    testing::internal::CaptureStdout();
    ASSERT_EQ(run({"params", "--save", toml.string(), "--set", "shear_delta=2", "--set",
                   "shear_height=6"}),
              0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(rows({"--params", toml.string()}, "again.csv"), layer);
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
        // out of range, or not the whole text
        {"--pattern", "upwind", "--ticks", "5", "--dt", "1e300"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "1e-300"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.0000009"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "10.01"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "nan"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--clock-start", "1e300"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--clock-start", "86400"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--clock-start", "-1"},
        {"--pattern", "upwind", "--ticks", "1000000001", "--dt", "0.1"},
        {"--pattern", "upwind", "--ticks", "18446744073709551617", "--dt", "0.1"},
        {"--pattern", "upwind", "--ticks", "5 ", "--dt", "0.1"},
        // repeated options and missing values
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--dt", "0.2"},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--no-redraw", "--no-redraw"},
        {"--pattern", "upwind", "--ticks", "--dt", "0.1"},
        // output that cannot be written: refused before the flight
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--csv", ""},
        {"--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--csv", "/no/such/dir/a.csv"},
    };
    for (auto args : cases) {
        args.insert(args.begin(), "fly");
        args.push_back("--csv");
        args.push_back(csv.string());
        StderrCapture err(dir / "err.txt");
        EXPECT_EQ(run(args), 2) << ::testing::PrintToString(args);
        EXPECT_FALSE(fs::exists(csv)) << ::testing::PrintToString(args);
        const std::string message = err.text();
        EXPECT_EQ(message.find("ticks, flight time"), std::string::npos) << message;  // no flight
    }
    // The ranges are stated.
    StderrCapture err(dir / "err.txt");
    run({"fly", "--pattern", "upwind", "--ticks", "5", "--dt", "20"});
    EXPECT_NE(err.text().find("--dt needs a number from 0.000001 to 10 s, not \"20\""),
              std::string::npos);
    // Edge values are valid.
    EXPECT_EQ(run({"fly", "--pattern", "upwind", "--ticks", "3", "--dt", "0.000001",
                   "--clock-start", "86399.99", "--csv", csv.string()}),
              0);
    EXPECT_NE(
        run({"fly", "--pattern", "upwind", "--ticks", "3", "--dt", "10", "--csv", csv.string()}),
        2);
}

TEST_F(Fly, RenderRefusesBadArgumentsBeforeFlying) {
    // Without raster support a valid render fails with 1: every 2 below comes from
    // the arguments' check, which runs first.
    const std::string png = (dir / "p.png").string();
    for (const char* size : {"100x100junk", "800x600x5", "4294968096x600", "15x100", "-20x30",
                             "8193x16", "x", "+100x100"})
        EXPECT_EQ(run({"render", "--pattern", "upwind", "--size", size, "--png", png}), 2) << size;
    for (const char* path : {"", "/no/such/dir/p.png"})
        EXPECT_EQ(run({"render", "--pattern", "upwind", "--png", path}), 2) << path;
    EXPECT_EQ(run({"render", "--pattern", "upwind", "--png", png, "--png", png}), 2);
    EXPECT_EQ(run({"render", "--pattern", "upwind", "--size", "16x8192", "--png", png}), 1);
}

TEST_F(Fly, ACoarseClockIsNotedOnceAndTheFlightGoesOn) {
    const fs::path csv = dir / "noon.csv";
    StderrCapture noon(dir / "noon.txt");
    EXPECT_EQ(run({"fly", "--pattern", "upwind", "--ticks", "2000", "--dt", "0.001",
                   "--clock-start", "43200", "--csv", csv.string()}),
              0);
    const std::string text = noon.text();
    EXPECT_NE(
        text.find("from the clock reading 43200 s on the clock moves in steps of 0.00390625 s"),
        std::string::npos)
        << text;
    EXPECT_EQ(text.find("note:"), text.rfind("note:")) << text;
    EXPECT_EQ(lines_of(csv).size(), 2001u);

    StderrCapture fine(dir / "fine.txt");
    EXPECT_EQ(run({"fly", "--pattern", "upwind", "--ticks", "2000", "--dt", "0.001", "--csv",
                   csv.string()}),
              0);
    EXPECT_EQ(fine.text().find("note:"), std::string::npos);
}

// A full disk: the flight stops soon after the first failed write, the previous
// file stays whole, and the message names the file and the reason.
TEST_F(Fly, AFailedWriteStopsTheFlightAndKeepsThePreviousFile) {
    const fs::path csv = dir / "keep.csv";
    ASSERT_EQ(
        run({"fly", "--pattern", "upwind", "--ticks", "10", "--dt", "0.02", "--csv", csv.string()}),
        0);
    const std::string previous = slurp(csv);
    std::string text;
    {
        DiskFullAfter limit(1 << 20);
        StderrCapture err(dir / "err.txt");
        EXPECT_EQ(run({"fly", "--pattern", "downwind", "--ticks", "1000000", "--dt", "0.001",
                       "--csv", csv.string()}),
                  1);
        text = err.text();
    }
    EXPECT_EQ(slurp(csv), previous);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);  // the CSV and err.txt
    EXPECT_NE(text.find("keep.csv"), std::string::npos) << text;
    EXPECT_NE(text.find("File too large"), std::string::npos) << text;
    const auto at = text.find("stopped after tick ");
    ASSERT_NE(at, std::string::npos) << text;
    // 1 MiB holds about 5,600 rows; the flight may run a few thousand ahead.
    EXPECT_LT(std::stoll(text.substr(at + 19)), 12000) << text;

    if (fs::exists("/dev/full")) {
        EXPECT_EQ(run({"fly", "--pattern", "upwind", "--ticks", "5000", "--dt", "0.01", "--csv",
                       "/dev/full"}),
                  1);
    }
}

// Ctrl-C: the flight ends at a row boundary, the file is complete, exit 130.
TEST_F(Fly, InterruptEndsWithACompleteFile) {
    const fs::path csv = dir / "int.csv";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::freopen("/dev/null", "w", stderr);
        ::_exit(run({"fly", "--pattern", "circlezoom", "--ticks", "1000000000", "--dt", "0.0001",
                     "--csv", csv.string()}));
    }
    // Wait until rows reach the new file (it has no name yet: it is found among
    // the child's open files, in the test's folder), then press Ctrl-C.
    const fs::path fds = "/proc/" + std::to_string(child) + "/fd";
    for (int i = 0; i < 2000; ++i) {
        bool started = false;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fds, ec)) {
            struct stat st {};
            const bool here = fs::read_symlink(e.path(), ec).string().rfind(dir.string(), 0) == 0;
            started |= here && ::stat(e.path().c_str(), &st) == 0 && st.st_size > 100000;
        }
        if (started) break;
        ::usleep(5000);
    }
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::string bytes = slurp(csv);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), '\n');
    const auto lines = lines_of(csv);
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines.back().rfind(std::to_string(lines.size() - 1) + ",", 0), 0u) << lines.back();
    EXPECT_EQ(std::count(lines.back().begin(), lines.back().end(), ','), 18);
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

// After a stall the summary is the last completed tick, the CSV's last row, not
// the state of the step that failed.
TEST_F(Fly, SummaryAfterAStopIsTheLastRow) {
    const fs::path csv = dir / "cross.csv";
    StderrCapture err(dir / "err.txt");
    EXPECT_EQ(run({"fly", "--pattern", "crosswind", "--ticks", "100000", "--dt", "0.01", "--csv",
                   csv.string()}),
              1);
    const std::string text = err.text();
    std::vector<std::string> cells;
    std::stringstream ss(lines_of(csv).back());
    for (std::string c; std::getline(ss, c, ',');) cells.push_back(c);
    ASSERT_EQ(cells.size(), 19u);
    const auto text_of = [](const std::string& cell) { return float_text(std::stof(cell)); };
    const std::string summary = cells[0] + " ticks, flight time " + text_of(cells[1]) +
                                " s, airspeed " + text_of(cells[6]) + " m/s, height " +
                                text_of(cells[5]) + " m";
    EXPECT_NE(text.find(summary), std::string::npos) << text << "\nexpected: " << summary;
}

// Long enough that the flight thread formats some batches itself while the
// writer is behind: every tick's row is there once, in order, and whole.
TEST_F(Fly, ALongFlightHasEveryRowOnceAndInOrder) {
    const fs::path csv = dir / "long.csv";
    ASSERT_EQ(run({"fly", "--pattern", "circlezoom", "--ticks", "200000", "--dt", "0.001",
                   "--energy", "--csv", csv.string()}),
              0);
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);  // the header
    long long tick = 1;
    for (; std::getline(in, line); ++tick) {
        ASSERT_EQ(std::stoll(line), tick) << line;
        ASSERT_EQ(std::count(line.begin(), line.end(), ','), 21) << line;
    }
    EXPECT_EQ(tick, 200001);
}

// A flight that fly stops (a stall, the sea) ends as the window's flight of the
// same ticks ends, and says so in the command line's words: what happened and
// when, with nothing about the window's buttons.
TEST_F(Fly, AStopSaysWhatHappenedAsTheWindowsFlightDoes) {
    const fs::path csv = dir / "stop.csv";
    for (const Mode mode : {Mode::crosswind, Mode::upwind}) {
        const char* pattern = mode == Mode::upwind ? "upwind" : "crosswind";
        StderrCapture err(dir / "err.txt");
        EXPECT_EQ(run({"fly", "--pattern", pattern, "--ticks", "20000", "--dt", "0.05", "--csv",
                       csv.string()}),
                  1);
        const std::string text = err.text();

        test::Run window(false);
        window.session.set_check(Id::ground_track_box, 0);
        window.session.set_check(Id::air_track_box, 0);
        window.start(mode, 0.0);
        for (long long k = 1; k <= 20000; ++k)
            if (!window.tick_unseen(cli::clock_at(0.0, k, 0.05))) break;
        const std::string& fault = window.session.fault();
        ASSERT_FALSE(fault.empty()) << pattern;
        EXPECT_NE(text.find("soarcalculus fly: " + fault + "; "), std::string::npos)
            << text << "\nexpected: " << fault;
        EXPECT_EQ(text.find("\"OK\""), std::string::npos) << text;
        EXPECT_EQ(text.find("\"FLY\""), std::string::npos) << text;
    }
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

// At the edges of their ranges the attitude and scale still export finite
// numbers; just beyond them the command refuses (it used to write NaN).
TEST_F(Fly, ExportGeometryRangesKeepEveryNumberFinite) {
    const auto finite = [&] {
        for (const auto& e : fs::directory_iterator(dir)) {
            std::string text = slurp(e.path());
            std::transform(text.begin(), text.end(), text.begin(), ::tolower);
            if (text.find("nan") != std::string::npos || text.find("inf") != std::string::npos)
                return false;
        }
        return true;
    };
    const std::vector<std::vector<std::string>> edges = {
        {"--scale", "1e38"},
        {"--scale", "-1e38", "--roll", "45", "--pitch", "45", "--yaw", "45"},
        {"--scale", "1e38", "--pitch", "135", "--yaw", "60"},
        {"--roll", "3.4028234e38", "--pitch", "-3.4028234e38", "--yaw", "3.4028234e38"},
    };
    for (auto args : edges) {
        args.insert(args.begin(), {"export-geometry", "--dir", dir.string()});
        EXPECT_EQ(run(args), 0) << ::testing::PrintToString(args);
        EXPECT_TRUE(finite()) << ::testing::PrintToString(args);
    }
    for (const auto& [name, value] : {std::pair{"--scale", "1.0000001e38"},
                                      {"--scale", "2e38"},
                                      {"--roll", "3.5e38"},
                                      {"--pitch", "1e300"},
                                      {"--yaw", "-4e38"},
                                      {"--scale", "1e999"}})
        EXPECT_EQ(run({"export-geometry", "--dir", dir.string(), name, value}), 2) << value;
    EXPECT_EQ(run({"export-geometry", "--dir", ""}), 2);
}

// The eight files are replaced together: a full disk leaves the previous set.
TEST_F(Fly, ExportGeometryOnAFullDiskKeepsThePreviousSet) {
    ASSERT_EQ(run({"export-geometry", "--dir", dir.string()}), 0);
    std::map<std::string, std::string> before;
    for (const auto& e : fs::directory_iterator(dir)) before[e.path().filename()] = slurp(e.path());
    ASSERT_EQ(before.size(), 8u);
    {
        DiskFullAfter limit(20000);
        EXPECT_EQ(run({"export-geometry", "--dir", dir.string(), "--roll", "30"}), 1);
    }
    std::map<std::string, std::string> after;
    for (const auto& e : fs::directory_iterator(dir)) after[e.path().filename()] = slurp(e.path());
    EXPECT_EQ(after, before);
}

TEST(CommandLine, NoDisplayNoWindowAndInformationWithoutOne) {
    const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    std::map<std::string, std::string> saved;
    for (const char* n : names)
        if (const char* v = std::getenv(n)) saved[n] = v;
    for (const char* n : names) ::unsetenv(n);
    int opened = 0;
    const auto window = [&](int, char**) { return ++opened, 0; };
    const auto call = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "soarcalculus");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        return cli_main(int(argv.size()), argv.data(), RasterSupport{}, window);
    };
    EXPECT_EQ(call({}), 2);
    EXPECT_EQ(call({"--version"}), 0);
    EXPECT_EQ(call({"--help"}), 0);
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(call({"-platform", "offscreen"}), 0);  // a platform named by the user
    ::setenv("DISPLAY", ":99", 1);
    EXPECT_EQ(call({"--version"}), 0);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(call({}), 0);
    EXPECT_EQ(opened, 2);
    ::unsetenv("DISPLAY");
    for (const auto& [n, v] : saved) ::setenv(n.c_str(), v.c_str(), 1);
}

TEST(CommandLine, CheckAloneFliesAndWritesNothing) {
    const fs::path csv = fs::temp_directory_path() / ("soar_check_" + std::to_string(::getpid()));
    std::vector<std::string> args = {"soarcalculus", "fly",  "--pattern", "upwind", "--ticks",
                                     "1000000000",   "--dt", "10",        "--csv",  csv.string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    EXPECT_EQ(cli_check(int(argv.size()), argv.data()), 0);
    EXPECT_FALSE(fs::exists(csv));
    args[5] = "0";
    EXPECT_EQ(cli_check(int(argv.size()), argv.data()), 2);
}

// params, min-wind and optimise are checked as strictly as they parse when run:
// a valid line is 0 and neither searches nor writes its file, a wrong one is 2.
TEST(CommandLine, CheckCoversTheParameterAndSearchCommands) {
    const fs::path out = fs::temp_directory_path() / ("soar_check_p_" + std::to_string(::getpid()));
    const std::string file = out.string();
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Case> cases = {
        {{"params", "--preset", "light-wind", "--save", file}, 0},
        {{"params", "--preset", "windy", "--save", file}, 2},
        {{"params", "--set", "W_S=5", "--save", file}, 2},
        {{"params", "--params", file + ".missing"}, 2},
        // A thousand cycles would take minutes if the check flew them.
        {{"min-wind", "--pattern", "upwind", "--cycles", "1000", "--set", "CD0=0.03"}, 0},
        {{"min-wind", "--pattern", "upwind", "--cycles", "1001"}, 2},
        {{"min-wind", "--pattern", "sideways"}, 2},
        {{"min-wind", "--pattern", "crosswind", "--set", "mu_max=10"}, 2},  // an upwind field
        {{"optimise", "--nodes", "2000", "--csv", file}, 0},
        {{"optimise", "--nodes", "4", "--csv", file}, 2},
        {{"optimise", "--set", "CD0=-1", "--csv", file}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"soarcalculus"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        EXPECT_EQ(cli_check(int(argv.size()), argv.data()), c.status) << args[1] << " " << args[2];
        EXPECT_FALSE(fs::exists(out)) << args[1];
    }
}

}  // namespace
}  // namespace soar
