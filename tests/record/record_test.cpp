#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../app/app_fixture.h"
#include "app/cli_args.h"
#include "app/session.h"
#include "record/csv.h"
#include "record/flight_history.h"
#include "record/kml.h"
#include "record/save_file.h"

namespace soar {
namespace {

FlightHistory random_history(size_t n) {
    FlightHistory h;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> d(-50.0f, 50.0f);
    FlightState s;
    for (size_t i = 0; i < n; ++i) {
        s.t = float(i) * 0.01f;
        s.V = d(rng);
        h.add(s, pattern_defaults(Mode::upwind));
    }
    return h;
}

TEST(FlightHistory, RangesMatchAPlainScanOverAnyRun) {
    const FlightHistory h = random_history(70000);
    std::mt19937 rng(3);
    for (int trial = 0; trial < 400; ++trial) {
        size_t a = rng() % h.size(), b = rng() % h.size();
        if (a > b) std::swap(a, b);
        ++b;
        float vlo = h.sample(Column::V, a), vhi = vlo;
        for (size_t i = a; i < b; ++i)
            vlo = std::min(vlo, h.sample(Column::V, i)),
            vhi = std::max(vhi, h.sample(Column::V, i));
        const auto [lo, hi] = h.range(Column::V, a, b);
        EXPECT_EQ(lo, vlo);
        EXPECT_EQ(hi, vhi);
    }
}

TEST(FlightHistory, DecimatedKeepsEveryPixelColumnsExtremes) {
    const FlightHistory h = random_history(50000);  // 500 s
    const auto pts = decimated(h, Column::V, 100.0, 400.0, 300);
    EXPECT_LE(pts.size(), 600u);
    // Pixel column 10 covers 110 to 111 s: its two points are the extremes there.
    const auto [lo, hi] = h.range(Column::V, 11000, 11100);
    const auto c10 = std::find_if(pts.begin(), pts.end(),
                                  [](auto& p) { return std::fabs(p.first - 110.5) < 1e-9; });
    ASSERT_NE(c10, pts.end());
    EXPECT_EQ(std::min(c10->second, (c10 + 1)->second), lo);
    EXPECT_EQ(std::max(c10->second, (c10 + 1)->second), hi);
    // A span beyond the flight's end draws only what was flown.
    EXPECT_TRUE(decimated(h, Column::V, 600.0, 700.0, 100).empty());
    EXPECT_EQ(h.index_at_or_after(-1.0), 0u);
    EXPECT_EQ(h.index_at_or_after(1e9), h.samples());
}

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(FlightCsv, TheWindowsCsvIsFlysCsvWithEnergyRowForRow) {
    const std::string path = ::testing::TempDir() + "fly_energy.csv";
    std::vector<std::string> args = {"soarcalculus", "fly",   "--pattern", "crosswind",
                                     "--ticks",      "500",   "--dt",      "0.02",
                                     "--energy",     "--csv", path};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    ASSERT_EQ(cli::fly_command(int(argv.size()), argv.data()), 0);

    test::Run run(false);
    run.start(Mode::crosswind, 0.0);
    for (long long k = 1; k <= 500; ++k) run.tick(cli::clock_at(0.0, k, 0.02));
    const std::string csv = history_csv(run.session.record().history);
    EXPECT_EQ(csv, read_all(path));

    // Read back: the energy columns are the energy of the row's own state.
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.substr(line.size() - 18), ",E,dE_wind,dE_drag");
    int rows = 0;
    while (std::getline(in, line)) {
        std::vector<double> v;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) v.push_back(std::stod(cell));
        ASSERT_EQ(v.size(), 22u);
        EXPECT_NEAR(v[19], v[5] + v[6] * v[6] / (2 * 9.8), 1e-4);  // E = Z + V^2/2g
        ++rows;
    }
    EXPECT_EQ(rows, 500);
}

TEST(SaveFile, WritesWholeOrReportsWhyAndLeavesNothingBehind) {
    const std::string dir = ::testing::TempDir() + "save_file_test/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    std::string error;
    ASSERT_TRUE(save_file(dir + "saved.txt", "first", error)) << error;
    EXPECT_EQ(read_all(dir + "saved.txt"), "first");
    EXPECT_FALSE(save_file(dir + "no/such/dir/saved.txt", "x", error));
    EXPECT_NE(error.find("no/such/dir/saved.txt"), std::string::npos) << error;
    // A folder in the way of the name: nothing is written, no temporary is left.
    std::filesystem::create_directory(dir + "a_dir");
    EXPECT_FALSE(save_file(dir + "a_dir", "x", error));
    EXPECT_NE(error.find("a_dir"), std::string::npos) << error;
    // A file of the user's beside it, named as a temporary might be, is not touched.
    std::ofstream(dir + "saved.txt.part") << "mine";
    EXPECT_TRUE(save_file(dir + "saved.txt", "second", error));
    EXPECT_EQ(read_all(dir + "saved.txt"), "second");
    EXPECT_EQ(read_all(dir + "saved.txt.part"), "mine");
    std::filesystem::remove(dir + "saved.txt.part");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a_dir", "saved.txt"}));
}

TEST(Kml, WindFromTheWestPointsXEastAndTheTrackIsTimed) {
    KmlPlace place;
    double e, n;
    east_north(place, 100.0, 0.0, e, n);
    EXPECT_NEAR(e, 100.0, 1e-9);
    EXPECT_NEAR(n, 0.0, 1e-9);
    east_north(place, 0.0, 100.0, e, n);
    EXPECT_NEAR(n, 100.0, 1e-9);
    place.wind_from_deg = 0.0;  // from the north: downwind is south
    east_north(place, 100.0, 0.0, e, n);
    EXPECT_NEAR(n, -100.0, 1e-9);
    EXPECT_NEAR(e, 0.0, 1e-9);

    test::Run run(false);
    run.start(Mode::upwind, 0.0);
    for (long long k = 1; k <= 301; ++k) run.tick(cli::clock_at(0.0, k, 0.01));
    const auto pts = track_points(run.session.record().history, 10.0);
    ASSERT_EQ(pts.size(), 31u);  // 0, 0.1, ..., 3.0 s
    for (size_t i = 1; i < pts.size(); ++i) EXPECT_GT(pts[i].t, pts[i - 1].t);
    EXPECT_EQ(pts.back().t, run.session.flight_state().t);
    const std::string kml = track_kml(pts, KmlPlace{}, 946684800, "a <test> & more");
    EXPECT_NE(kml.find("<when>2000-01-01T00:00:03.000Z</when>"), std::string::npos);
    EXPECT_NE(kml.find("a &lt;test&gt; &amp; more"), std::string::npos);
}

}  // namespace
}  // namespace soar
