// Long flights hashed bit for bit: a change anywhere in the arithmetic of the
// flight model (an operand order, a float where a double belongs, a contracted
// multiply-add) changes these hashes. Update them only for an intended change.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "app_fixture.h"

namespace soar {
namespace {

uint64_t fnv1a(uint64_t h, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        h ^= (bits >> (8 * i)) & 0xFF;
        h *= 1099511628211ull;
    }
    return h;
}

uint64_t flight_hash(Mode mode, int ticks, double dt, double clock_start) {
    test::Run run(false);
    // Tracks off: the hash is of the flight, and drawing must not change it.
    run.session.set_check(Id::ground_track_box, 0);
    run.session.set_check(Id::air_track_box, 0);
    run.start(mode, clock_start);
    uint64_t h = 14695981039346656037ull;
    for (int k = 1; k <= ticks; ++k) {
        if (!run.tick(float(clock_start + double(k - 1) * dt))) break;
        const FlightState& s = run.session.flight_state();
        for (float v :
             {s.t, s.dt, s.X, s.Y, s.Z, s.V, s.gam_deg, s.psi_deg, s.mu_deg, s.Nz, s.Nx, s.CL, s.U,
              s.Up, s.alpha, s.attitude.roll, s.attitude.pitch, s.attitude.yaw})
            h = fnv1a(h, v);
    }
    return h;
}

TEST(Determinism, LongFlightsHashToTheirStoredValues) {
    struct Case {
        Mode mode;
        int ticks;
        double dt;
        uint64_t hash;
    } cases[] = {
        {Mode::upwind, 20000, 0.005, 0xf792e0ce66ffba51},
        {Mode::downwind, 20000, 0.005, 0x68a792bd0dcbc815},
        {Mode::crosswind, 5000, 0.02, 0x0ddf2e88706d4ce3},
        {Mode::circlezoom, 20000, 0.005, 0x6338e36191d79828},
        {Mode::profile, 8000, 0.0125, 0x789782657e327b45},
    };
    for (const Case& c : cases) {
        const uint64_t h = flight_hash(c.mode, c.ticks, c.dt, 43200.0);
        EXPECT_EQ(h, c.hash) << "mode " << int(c.mode) << ": 0x" << std::hex << h;
    }
}

}  // namespace
}  // namespace soar
