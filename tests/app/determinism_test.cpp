// Long flights hashed bit for bit: a change anywhere in the arithmetic of the
// flight model (an operand order, a float where a double belongs, a contracted
// multiply-add) changes these hashes. Update them only for an intended change.
// The flights are flown as `fly` flies them (the flight model stepped on the
// window's clock); one of them also through the window's session, which must
// fly the same bits while it draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "app/stepped_flight.h"
#include "app_fixture.h"
#include "sim/param_set.h"

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

uint64_t state_hash(uint64_t h, const FlightState& s) {
    for (float v : {s.t, s.dt, s.X, s.Y, s.Z, s.V, s.gam_deg, s.psi_deg, s.mu_deg, s.Nz, s.Nx, s.CL,
                    s.U, s.Up, s.alpha, s.attitude.roll, s.attitude.pitch, s.attitude.yaw})
        h = fnv1a(h, v);
    return h;
}

constexpr uint64_t kHashStart = 14695981039346656037ull;

uint64_t flight_hash(Mode mode, int ticks, double dt, double clock_start) {
    SteppedFlight flight(ParamSet{}.of(mode), mode, clock_start);
    uint64_t h = kHashStart;
    for (int k = 1; k <= ticks; ++k) {
        if (!flight.tick(k, dt)) break;
        h = state_hash(h, flight.state());
    }
    return h;
}

uint64_t session_flight_hash(Mode mode, int ticks, double dt, double clock_start) {
    test::Run run(false);
    // Tracks off: the hash is of the flight, and drawing must not change it.
    run.session.set_check(Id::ground_track_box, 0);
    run.session.set_check(Id::air_track_box, 0);
    run.start(mode, clock_start);
    uint64_t h = kHashStart;
    for (int k = 1; k <= ticks; ++k) {
        if (!run.tick(float(clock_start + double(k - 1) * dt))) break;
        h = state_hash(h, run.session.flight_state());
    }
    return h;
}

struct Case {
    Mode mode;
    int ticks;
    double dt;
    uint64_t hash;
};
constexpr Case kCases[] = {
    {Mode::upwind, 20000, 0.005, 0xf792e0ce66ffba51},
    {Mode::downwind, 20000, 0.005, 0x68a792bd0dcbc815},
    {Mode::crosswind, 5000, 0.02, 0x0ddf2e88706d4ce3},
    {Mode::circlezoom, 20000, 0.005, 0x6338e36191d79828},
    {Mode::profile, 8000, 0.0125, 0x789782657e327b45},
};

TEST(Determinism, LongFlightsHashToTheirStoredValues) {
    for (const Case& c : kCases) {
        const uint64_t h = flight_hash(c.mode, c.ticks, c.dt, 43200.0);
        EXPECT_EQ(h, c.hash) << "mode " << int(c.mode) << ": 0x" << std::hex << h;
    }
}

TEST(Determinism, TheWindowsSessionFliesTheSameBits) {
    const Case& c = kCases[2];  // the crosswind pattern, the shortest of the flights
    const uint64_t h = session_flight_hash(c.mode, c.ticks, c.dt, 43200.0);
    EXPECT_EQ(h, c.hash) << "through the session: 0x" << std::hex << h;
}

}  // namespace
}  // namespace soar
