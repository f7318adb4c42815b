// The air track coloured by energy: the colour of each segment follows the
// sign of dE/dt, on a drawn track with a known gaining and losing stretch and
// on the flight's own energy.
#include "view/track_colour.h"

#include <gtest/gtest.h>

#include <cmath>

#include "../app/app_fixture.h"
#include "headless/recording_surface.h"
#include "view/projection.h"
#include "view/tracks.h"

namespace soar {
namespace {

bool warm(const Colour& c) {
    return c.r > c.b + 40;
}
bool cold(const Colour& c) {
    return c.b > c.r + 40;
}

// 90 points along +x, 5 m up: gaining (+1 m/s) on 1 .. 30, losing (-1 m/s)
// on 31 .. 60, and recorded uncoloured (NaN) on 61 .. 90; seen from the side.
TEST(TrackColour, EachSegmentTakesTheColourOfItsEnergyRate) {
    Tracks tr;
    for (int k = 1; k <= 90; ++k) {
        track_record(tr, k, float(k), 0.0f, 5.0f);
        if (k <= 60) track_record_values(tr, k, {k <= 30 ? 1.0f : -1.0f, 0.0f, 15.0f});
    }
    Camera c;
    c.aspect = 1.25f, c.zoom_deg = 45.0f;
    c.x_eye = 45, c.y_eye = -80, c.z_eye = 5;
    c.x_aim = 45, c.y_aim = 0, c.z_aim = 5;
    update_view(c);
    RecordingSurface pic;
    apply_view_scale(c, pic);
    const ColourScale scale = colour_scale(tr, TrackColour::energy);
    EXPECT_EQ(scale.hi, 1.0f);
    EXPECT_EQ(scale.lo, -1.0f);
    tracks_draw(tr, c, pic, false, true, 91, TrackDetail::every_point, &scale);
    // The picture's x grows with the track's x: each line's end is its point.
    double warm_max = -1e9, cold_min = 1e9, cold_max = -1e9, plain_min = 1e9;
    int n_warm = 0, n_cold = 0, n_plain = 0;
    for (const Primitive& p : pic.primitives()) {
        if (p.op != Primitive::Op::line) continue;
        if (p.colour == palette_colour(1)) {
            plain_min = std::min(plain_min, p.x), ++n_plain;
        } else if (warm(p.colour)) {
            warm_max = std::max(warm_max, p.x), ++n_warm;
        } else {
            ASSERT_TRUE(cold(p.colour)) << int(p.colour.r) << "," << int(p.colour.b);
            cold_min = std::min(cold_min, p.x), cold_max = std::max(cold_max, p.x), ++n_cold;
        }
    }
    EXPECT_GT(n_warm, 20);
    EXPECT_GT(n_cold, 20);
    EXPECT_GT(n_plain, 20);
    EXPECT_LT(warm_max, cold_min);   // the gaining stretch first,
    EXPECT_LT(cold_max, plain_min);  // then the losing one, then the uncoloured points
    // Zero is the neutral step, between the two.
    EXPECT_EQ(colour_step(scale, 0.0f), kColourSteps / 2);
    const Colour zero = step_colour(TrackColour::energy, kColourSteps / 2);
    EXPECT_FALSE(warm(zero) || cold(zero));
}

// A real upwind flight, coloured by energy: where E = Z + V^2/2g, worked out
// from the track's heights and airspeeds, clearly rises the point is warm,
// where it clearly falls cold; the flight has both.
TEST(TrackColour, TheFlightsColoursFollowItsRiseAndFallOfEnergy) {
    test::Run run;
    Session& s = run.session;
    s.set_check(Id::air_track_box, 1);
    s.set_track_colour(TrackColour::energy);
    run.start(Mode::upwind, 0.0);
    constexpr double dt = 0.01;
    for (int k = 1; k <= 1500; ++k) ASSERT_TRUE(run.tick_unseen(float((k - 1) * dt)));
    const Tracks& tr = s.scene().tracks;
    const ColourScale scale = colour_scale(tr, TrackColour::energy);
    const double g = s.model().flight.g;
    const auto E = [&](int k) {
        const double V = tr.values.airspeed[size_t(k)];
        return double(tr.z[size_t(k)]) + V * V / (2.0 * g);
    };
    int gaining = 0, losing = 0;
    for (int k = 3; k < 1500; ++k) {
        const double rate = (E(k + 1) - E(k - 1)) / (2.0 * dt);
        if (std::fabs(rate) < 0.3 * scale.hi) continue;
        const int step = colour_step(scale, tr.values.rate[size_t(k)]);
        if (rate > 0) {
            EXPECT_GT(step, kColourSteps / 2) << "tick " << k << " dE/dt " << rate;
            ++gaining;
        } else {
            EXPECT_LT(step, kColourSteps / 2) << "tick " << k << " dE/dt " << rate;
            ++losing;
        }
    }
    EXPECT_GT(gaining, 50);
    EXPECT_GT(losing, 50);
}

// Coloured after it was flown (plain, or plain for its first half), a flight's
// track takes the very values and scale it would have had coloured all along:
// not a scale of +-0.1 m/s over points without values.
TEST(TrackColour, ATrackColouredLaterTakesItsValuesFromTheFlight) {
    const auto fly = [](test::Run& run, int plain_ticks) {
        Session& s = run.session;
        s.set_check(Id::air_track_box, 1);
        s.set_track_colour(plain_ticks > 0 ? TrackColour::plain : TrackColour::energy);
        run.start(Mode::upwind, 0.0);
        for (int k = 1; k <= 1200; ++k) {
            if (k == plain_ticks) s.set_track_colour(TrackColour::energy);
            ASSERT_TRUE(run.tick_unseen(float((k - 1) * 0.01)));
        }
    };
    test::Run all_along, after, half;
    fly(all_along, 0);
    fly(after, 5000);                                     // plain to its end ...
    after.session.set_track_colour(TrackColour::energy);  // ... and coloured then
    fly(half, 600);
    const TrackValues& want = all_along.session.scene().tracks.values;
    ASSERT_EQ(want.n, 1200);
    const ColourScale scale = colour_scale(all_along.session.scene().tracks, TrackColour::energy);
    EXPECT_GE(scale.hi, 1.0f);  // the flight's rates reach metres per second
    for (test::Run* run : {&after, &half}) {
        const Tracks& tr = run->session.scene().tracks;
        ASSERT_EQ(tr.values.n, 1200);
        EXPECT_GT(tr.values.fills, 0u);
        EXPECT_FALSE(track_values_missing(tr, 1200));
        for (size_t k = 1; k <= 1200; ++k) {
            ASSERT_EQ(tr.values.rate[k], want.rate[k]) << k;
            ASSERT_EQ(tr.values.wind[k], want.wind[k]) << k;
            ASSERT_EQ(tr.values.airspeed[k], want.airspeed[k]) << k;
        }
        for (TrackColour by : {TrackColour::energy, TrackColour::wind, TrackColour::airspeed}) {
            const ColourScale got = colour_scale(tr, by);
            const ColourScale all = colour_scale(all_along.session.scene().tracks, by);
            EXPECT_EQ(got.lo, all.lo);
            EXPECT_EQ(got.hi, all.hi);
        }
    }
}

TEST(TrackColour, ScalesEndOnRoundNumbersBeyondTheValues) {
    Tracks tr;
    const float v[] = {8.3f, 23.1f, 15.0f};
    for (int k = 1; k <= 3; ++k) {
        track_record(tr, k, 0.0f, 0.0f, float(k) * 3.1f);
        track_record_values(tr, k, {k == 2 ? -1.3f : 0.2f, 0.4f, v[k - 1]});
    }
    const ColourScale e = colour_scale(tr, TrackColour::energy);
    EXPECT_EQ(e.hi, 2.0f);
    EXPECT_EQ(e.lo, -2.0f);
    EXPECT_EQ(colour_scale(tr, TrackColour::wind).hi, 0.5f);
    const ColourScale h = colour_scale(tr, TrackColour::height);
    EXPECT_EQ(h.lo, 0.0f);
    EXPECT_EQ(h.hi, 10.0f);  // 9.3 m up
    const ColourScale a = colour_scale(tr, TrackColour::airspeed);
    EXPECT_LE(a.lo, 8.3f);
    EXPECT_GE(a.hi, 23.1f);
    EXPECT_LT(a.hi - a.lo, 40.0f);
    // A new flight forgets the old one's values.
    track_record(tr, 1, 0.0f, 0.0f, 1.0f);
    EXPECT_TRUE(tr.values.rate.empty());
}

}  // namespace
}  // namespace soar
