#include "sim/cycles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sim/energy.h"
#include "sim/wind.h"
#include "test_state.h"

namespace soar {
namespace {

CycleTable fly(Mode mode, double dt, double seconds) {
    Flight f = test::started(mode);
    const FlightState& s = f.state();
    CycleTable table;
    table.start(mode, pattern_defaults(mode));
    table.add(s);
    const long long steps = std::llround(seconds / dt);
    for (long long k = 1; k <= steps; ++k) {
        test::step_to(f, float(double(k) * dt));
        table.add(s);
    }
    return table;
}

TEST(Cycles, UpwindRepeatsEveryEightSecondsBetweenKnownLimits) {
    // Four minutes: the pattern slowly gains energy, so the swing of speed and
    // height widens from cycle to cycle towards 22 to 26.5 m/s, 0.8 to 8.2 m.
    const CycleTable table = fly(Mode::upwind, 0.01, 240.5);
    ASSERT_EQ(table.completed(), 30);
    double V_lo = 1e9, V_hi = 0, Z_lo = 1e9, Z_hi = 0;
    for (const CycleRow& r : table.rows()) {
        SCOPED_TRACE(r.number);
        EXPECT_NEAR(r.t_start, 8.0 * (r.number - 1), 0.011);
        EXPECT_NEAR(r.period, 8.0, 0.011);
        EXPECT_GT(r.Nz_max, 1.0);
        V_lo = std::min(V_lo, r.V_min), V_hi = std::max(V_hi, r.V_max);
        Z_lo = std::min(Z_lo, r.Z_min), Z_hi = std::max(Z_hi, r.Z_max);
    }
    EXPECT_NEAR(V_lo, 22.0, 0.2);
    EXPECT_NEAR(V_hi, 26.5, 0.2);
    EXPECT_NEAR(Z_lo, 0.8, 0.1);
    EXPECT_NEAR(Z_hi, 8.2, 0.1);
    // Each cycle starts where the last one ended, with the energy it left.
    const auto& rows = table.rows();
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_NEAR(rows[i].E_start, rows[i - 1].E_start + rows[i - 1].dE, 1e-9);
    EXPECT_GT(table.mean_dE(), 0.05);
    EXPECT_NEAR(table.current().t_start, 240.0, 0.011);
    // Early on every cycle gains about 0.2 m.
    EXPECT_NE(cycle_verdict(fly(Mode::upwind, 0.01, 40.5).rows()).find("gaining"),
              std::string::npos);
}

TEST(Cycles, HeadingScheduledPatternsCountFullTurns) {
    // The circle zoom turns at about 35.8 deg/s on a 40 m circle: a turn in about
    // 10 s, and with neither wind nor drag no energy is gained or lost.
    const CycleTable zoom = fly(Mode::circlezoom, 0.01, 36.0);
    ASSERT_EQ(zoom.completed(), 3);
    for (const CycleRow& r : zoom.rows()) {
        EXPECT_GT(r.period, 5.0);
        EXPECT_NEAR(r.period, zoom.rows()[0].period, 0.02);
        EXPECT_NEAR(r.dE, 0.0, 0.01);
        // Back near where it started: a closed circle without wind.
        EXPECT_LT(r.distance, 1.0);
    }
    EXPECT_NE(cycle_verdict(zoom.rows()).find("holding"), std::string::npos);

    // Downwind drifts with the wind: every cycle makes good ground downwind.
    const CycleTable down = fly(Mode::downwind, 0.01, 60.0);
    ASSERT_GE(down.completed(), 1);
    for (const CycleRow& r : down.rows()) {
        EXPECT_GT(r.distance, 10.0);
        EXPECT_GT(std::fabs(r.track_deg), 90.0);  // more downwind than upwind
    }
}

TEST(Cycles, VerdictFollowsTheLastCycle) {
    // One cycle: its own figure decides.
    std::vector<CycleRow> rows(1);
    rows[0].number = 1, rows[0].dE = 0.4;
    EXPECT_NE(cycle_verdict(rows).find("gaining"), std::string::npos);
    rows[0].dE = -0.4;
    EXPECT_NE(cycle_verdict(rows).find("losing"), std::string::npos);
    // Alternating cycles: the trend of the last four, not the last one alone.
    for (double dE : {0.6, -0.5, 0.6, -0.5}) rows.push_back({int(rows.size()) + 1, 0, 0, 0, dE});
    EXPECT_NE(cycle_verdict(rows).find("gaining"), std::string::npos);
    EXPECT_NE(cycle_verdict(rows).find("Cycle 5: -0.50 m"), std::string::npos);
    EXPECT_NE(cycle_verdict({}).find("No cycle"), std::string::npos);
}

TEST(Cycles, StartForgetsThePreviousFlight) {
    CycleTable table = fly(Mode::upwind, 0.02, 17.0);
    EXPECT_EQ(table.completed(), 2);
    table.start(Mode::upwind, pattern_defaults(Mode::upwind));
    EXPECT_EQ(table.completed(), 0);
    EXPECT_EQ(table.mean_dE(), 0.0);
}

}  // namespace
}  // namespace soar
