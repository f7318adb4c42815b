// Angles as the read-outs show them: within (-180, 180] deg, never "-0".
#include "app/half_turn.h"

#include <gtest/gtest.h>

#include <cmath>

namespace soar {
namespace {

TEST(HalfTurn, EndsOfTheHalfTurnAndZeroComeOutOnce) {
    // -180 and 180 are one direction, shown as 180; so is any odd half-turn.
    EXPECT_EQ(half_turn_deg(-180.0), 180.0);
    EXPECT_EQ(half_turn_deg(180.0), 180.0);
    EXPECT_EQ(half_turn_deg(540.0), 180.0);
    EXPECT_EQ(half_turn_deg(-540.0), 180.0);
    // A zero of either sign is shown unsigned.
    EXPECT_EQ(half_turn_deg(-0.0), 0.0);
    EXPECT_FALSE(std::signbit(half_turn_deg(-0.0)));
    EXPECT_FALSE(std::signbit(half_turn_deg(-720.0)));
    EXPECT_FALSE(std::signbit(half_turn_deg(360.0)));
    // Just inside the ends stays where it is; just past them goes round.
    EXPECT_EQ(half_turn_deg(-179.75), -179.75);
    EXPECT_EQ(half_turn_deg(180.25), -179.75);
    EXPECT_EQ(half_turn_deg(-180.25), 179.75);
}

TEST(HalfTurn, AnAngleManyTurnsOnKeepsItsDirection) {
    for (double deg = -2000.0; deg <= 2000.0; deg += 7.25) {
        const double shown = half_turn_deg(deg);
        EXPECT_GT(shown, -180.0) << deg;
        EXPECT_LE(shown, 180.0) << deg;
        EXPECT_NEAR(std::cos(shown * M_PI / 180.0), std::cos(deg * M_PI / 180.0), 1e-9) << deg;
        EXPECT_NEAR(std::sin(shown * M_PI / 180.0), std::sin(deg * M_PI / 180.0), 1e-9) << deg;
    }
    EXPECT_EQ(half_turn_deg(1060.0), -20.0);
}

}  // namespace
}  // namespace soar
