// Commanded flight: bank and lift from a pilot, within what the bird can do,
// and the gusts on top of the mean wind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "sim/commands.h"
#include "sim/energy.h"
#include "sim/flight.h"
#include "sim/turbulence.h"

namespace soar {
namespace {

const Params air = pattern_defaults(Mode::upwind);

FlightState start_at(float Z, float V, float mu_deg = 0, float CL = 0.4f) {
    FlightState s;
    s.Z = Z, s.V = V, s.psi_deg = -90.0f, s.mu_deg = mu_deg, s.CL = CL;
    return s;
}

// The fault that ends `seconds` of flight under command `c`, or "".
std::string fault_of(Flight f, const Command& c, double seconds) {
    f.command(c);
    try {
        for (int k = 0; k < int(seconds / 0.01); ++k) f.step(0.01);
    } catch (const Stall& e) {
        return std::string("stall: ") + e.what();
    } catch (const Overload& e) {
        return std::string("overload: ") + e.what();
    } catch (const WingTipContact& e) {
        return std::string("tip: ") + e.what();
    } catch (const SeaContact& e) {
        return std::string("sea: ") + e.what();
    } catch (const FlightFault& e) {
        return std::string("other: ") + e.what();
    }
    return "";
}

TEST(CommandedFlight, BankAndLiftMoveTowardsTheCommandAtTheBirdsRates) {
    Flight f = Flight::commanded(air, Mode::upwind, start_at(100.0f, 25.0f));
    EXPECT_EQ(f.steering(), Steering::commands);
    f.command({60.0f, 0.9f});
    f.step(0.1);
    EXPECT_NEAR(f.state().mu_deg, 9.0, 1e-4);  // 90 deg/s
    EXPECT_NEAR(f.state().CL, 0.7, 1e-6);      // 3 per second from 0.4
    for (int k = 0; k < 9; ++k) f.step(0.1);
    EXPECT_NEAR(f.state().mu_deg, 60.0, 1e-4);  // reached, and held there
    EXPECT_NEAR(f.state().CL, 0.9, 1e-6);
    // A bank beyond the limit is held to it; a negative CL to the least.
    f.command({-120.0f, -1.0f});
    for (int k = 0; k < 20; ++k) f.step(0.1);
    EXPECT_NEAR(f.state().mu_deg, -85.0, 1e-4);
    EXPECT_EQ(f.state().CL, 0.0f);
}

TEST(CommandedFlight, LevelTurnAtTheLoadFactorOfItsBank) {
    // Calm air: a bank of 45 deg at Nz = 1/cos(45 deg) turns at g tan(mu)/V
    // and holds its height at first.
    Params calm = air;
    calm.U_ref = 0;
    const double mu = 45.0 * k::d2r;
    FlightState s0 = start_at(30.0f, 25.0f, 45.0f);
    s0.CL = float(1.0 / std::cos(mu) / (0.5 * 1.22 * 625.0 / (107.8 * 16.0 / 12.25)));
    Flight f = Flight::commanded(calm, Mode::upwind, s0);
    EXPECT_NEAR(f.state().Nz, 1.0 / std::cos(mu), 1e-5);
    EXPECT_NEAR(f.state().gam_dot, 0.0, 1e-3);
    EXPECT_NEAR(f.state().psi_dot, 9.8 * std::tan(mu) / 25.0 * k::r2d, 1e-3);
    for (int k = 0; k < 100; ++k) f.step(0.01);
    EXPECT_NEAR(f.state().Z, 30.0, 0.15);
    EXPECT_NEAR(f.state().psi_deg, -90.0 + 9.8 / 25.0 * k::r2d, 0.3);
    // Drag slows the bird, and at a fixed CL its load factor falls; the
    // load-factor command holds it (the lift coefficient rises instead).
    Flight g = Flight::commanded(calm, Mode::upwind, s0);
    g.command({45.0f, float(1.0 / std::cos(mu)), LiftCommand::load_factor});
    for (int k = 0; k < 100; ++k) g.step(0.01);
    EXPECT_NEAR(g.state().Nz, 1.0 / std::cos(mu), 2e-3);
    EXPECT_LT(f.state().Nz, g.state().Nz - 0.01f);
    EXPECT_GT(g.state().CL, s0.CL);
}

TEST(CommandedFlight, WindAndDragAccountForTheEnergyAndGustsForTheirPart) {
    // A weaving climb and dive through the gradient: the change of E over each
    // step is the trapezoid of the wind and drag rates, plus the gust's part.
    for (const float sigma : {0.0f, 1.5f}) {
        SCOPED_TRACE(sigma);
        Flight f = Flight::commanded(air, Mode::upwind, start_at(30.0f, 25.0f));
        f.set_gusts(Turbulence(sigma, 7));
        Energy prev = energy_of(f.state(), air);
        double worst = 0, gust_sum = 0;
        for (int k = 1; k <= 1000; ++k) {
            const double t = 0.01 * k;
            f.command({float(40.0 * std::sin(0.8 * t)), float(0.42 + 0.2 * std::sin(1.3 * t))});
            f.step(0.01);
            const FlightState& s = f.state();
            const Energy now = energy_of(s, air);
            const double rate =
                0.5 * (double(prev.dE_wind) + prev.dE_drag + now.dE_wind + now.dE_drag);
            const double step_rate = (double(now.E) - prev.E) / double(s.dt);
            worst = std::max(worst, std::fabs(step_rate - rate - double(s.dE_gust)));
            gust_sum += std::fabs(double(s.dE_gust));
            prev = now;
        }
        EXPECT_LT(worst, 0.05);
        if (sigma == 0.0f)
            EXPECT_EQ(gust_sum, 0.0);
        else
            EXPECT_GT(gust_sum, 10.0);
    }
}

TEST(CommandedFlight, CommandsThatAskTooMuchEndTheFlightWithTheReason) {
    // Pulling harder than the wing can at 25 m/s.
    EXPECT_EQ(
        fault_of(Flight::commanded(air, Mode::upwind, start_at(20.0f, 25.0f)), {0.0f, 2.0f}, 2.0)
            .rfind("stall", 0),
        0u);
    // Fast enough for 6 g below the stall: the bird's limit of 5 is passed first.
    EXPECT_EQ(fault_of(Flight::commanded(air, Mode::upwind, start_at(40.0f, 45.0f, 0, 0.3f)),
                       {0.0f, 6.0f, LiftCommand::load_factor}, 2.0)
                  .rfind("overload", 0),
              0u);
    // Banked steeply low over the sea: the lower tip touches first.
    const std::string tip = fault_of(
        Flight::commanded(air, Mode::upwind, start_at(1.5f, 25.0f, 0, 0.3f)), {-80.0f, 0.3f}, 2.0);
    EXPECT_EQ(tip.rfind("tip", 0), 0u) << tip;
    EXPECT_NE(tip.find("left"), std::string::npos);
    // No lift at all: the body goes into the sea.
    EXPECT_EQ(
        fault_of(Flight::commanded(air, Mode::upwind, start_at(3.0f, 25.0f)), {0.0f, 0.0f}, 5.0)
            .rfind("sea", 0),
        0u);
    // A gentle glide from the upwind start keeps going.
    EXPECT_EQ(fault_of(Flight::commanded(air, Mode::upwind, pattern_start(air, Mode::upwind)),
                       {0.0f, 0.3f}, 1.0),
              "");
}

TEST(Gusts, SameSeedSameGustsInAnyThreadAndOtherSeedsOthers) {
    auto series = [](uint64_t seed) {
        Flight f = Flight::commanded(air, Mode::upwind, start_at(15.0f, 25.0f));
        f.set_gusts(Turbulence(1.0f, seed));
        f.command({0.0f, 0.45f});
        std::vector<float> w;
        for (int k = 0; k < 500; ++k) {
            f.step(0.01);
            w.push_back(f.state().w_g);
            w.push_back(f.state().Z);
        }
        return w;
    };
    const std::vector<float> alone = series(42);
    std::vector<std::vector<float>> threaded(4);
    std::vector<std::thread> pool;
    for (size_t i = 0; i < threaded.size(); ++i)
        pool.emplace_back([&, i] { threaded[i] = series(i % 2 ? 42 : 43); });
    for (auto& t : pool) t.join();
    EXPECT_EQ(threaded[1], alone);
    EXPECT_EQ(threaded[3], alone);
    EXPECT_NE(threaded[0], alone);
    EXPECT_EQ(threaded[0], threaded[2]);
}

TEST(Gusts, IntensityAndScaleFollowTheHeight) {
    // A long record at a fixed height and speed: the standard deviations are
    // the model's, and the vertical gust changes faster low over the sea.
    auto stats = [](double Z, double& su, double& sw, double& corr) {
        Turbulence t(1.0f, 3);
        double uu = 0, ww = 0, wlag = 0, prev = 0;
        const int n = 200000;
        for (int k = 0; k < n; ++k) {
            const Gust g = t.advance(0.01, Z, 20.0);
            uu += double(g.u) * g.u, ww += double(g.w) * g.w, wlag += double(g.w) * prev;
            prev = g.w;
        }
        su = std::sqrt(uu / n), sw = std::sqrt(ww / n), corr = wlag / ww;
    };
    double su_low, sw_low, c_low, su_high, sw_high, c_high;
    stats(5.0, su_low, sw_low, c_low);
    stats(100.0, su_high, sw_high, c_high);
    const Turbulence t(1.0f, 3);
    EXPECT_NEAR(sw_low, 1.0, 0.1);
    EXPECT_NEAR(sw_high, 1.0, 0.1);
    EXPECT_NEAR(su_low, t.scales_at(5.0).sigma_u, 0.15 * t.scales_at(5.0).sigma_u);
    EXPECT_GT(t.scales_at(5.0).sigma_u, t.scales_at(100.0).sigma_u);
    EXPECT_LT(c_low, c_high);  // shorter scale low down: less alike from step to step
    EXPECT_EQ(Turbulence(0.0f, 3).advance(0.01, 5.0, 20.0), Gust{});
}

}  // namespace
}  // namespace soar
