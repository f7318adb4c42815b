// The renderer's thread must draw, from its own copy, exactly the picture the
// ticking thread would draw at the same tick, while that thread goes on ticking.
#include "app/frame_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app_fixture.h"

namespace soar {
namespace {

constexpr double kDt = 0.02;  // s of clock per tick

struct Flying {
    test::Run run;
    Session& session = run.session;
    Frame f;
    float clock = 1000;

    explicit Flying(Mode mode) {
        session.set_check(Id::grid_box, 1);
        session.set_check(Id::ground_track_box, 1);
        session.set_check(Id::air_track_box, 1);
        again(mode);
    }
    void again(Mode mode) {
        if (session.flying()) session.click(Id::stop_button);
        run.start(mode, clock);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            clock = float(double(clock) + kDt);
            run.clock.set(clock);
            session.advance_tick(f);
        }
    }
    // The picture of the newest tick, drawn here.
    std::vector<Primitive> drawn_here() {
        RecordingSurface pic;
        session.draw(f, pic);
        return pic.primitives();
    }
    bool start(FrameRenderer& r, int64_t flight) {
        return r.start(f, session.scene(), session.bird(), flight);
    }
};

void expect_same(const std::vector<Primitive>& a, const std::vector<Primitive>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(int(a[i].op), int(b[i].op)) << i;
        ASSERT_EQ(a[i].x, b[i].x) << i;
        ASSERT_EQ(a[i].y, b[i].y) << i;
        ASSERT_EQ(a[i].x2, b[i].x2) << i;
        ASSERT_EQ(a[i].y2, b[i].y2) << i;
        ASSERT_EQ(a[i].width, b[i].width) << i;
        ASSERT_EQ(a[i].colour.r, b[i].colour.r) << i;
        ASSERT_EQ(a[i].colour.g, b[i].colour.g) << i;
        ASSERT_EQ(a[i].colour.b, b[i].colour.b) << i;
        ASSERT_EQ(a[i].colour.palette, b[i].colour.palette) << i;
    }
}

class FrameRendererPatterns : public testing::TestWithParam<Mode> {};

// Hand-offs at uneven intervals, each picture compared with the one drawn on the
// ticking thread at that tick; between hand-off and comparison the flight goes
// on, as it does in the window.
TEST_P(FrameRendererPatterns, DrawsThePictureOfItsTickWhileTheFlightGoesOn) {
    Flying flight(GetParam());
    RecordingSurface pic;
    FrameRenderer renderer(pic);
    for (int step : {1, 2, 17, 40, 3, 250, 600}) {
        flight.ticks(step);
        if (!flight.session.flying()) break;
        const std::vector<Primitive> expected = flight.drawn_here();
        const int64_t tick = flight.f.tick;
        ASSERT_TRUE(flight.start(renderer, 1));
        flight.ticks(25);  // the thread draws while these fly
        renderer.wait();
        EXPECT_EQ(renderer.take_finished(), tick);
        EXPECT_EQ(renderer.take_finished(), -1);  // each picture once
        expect_same(pic.primitives(), expected);
        // The hand-off left the flight's own tracks as they were.
        EXPECT_EQ(int64_t(flight.session.scene().tracks.x.size()), flight.session.ticks() + 1);
    }
    EXPECT_GT(flight.session.ticks(), 300);
}

INSTANTIATE_TEST_SUITE_P(EveryPattern, FrameRendererPatterns,
                         testing::Values(Mode::upwind, Mode::downwind, Mode::crosswind,
                                         Mode::circlezoom, Mode::profile));

TEST(FrameRenderer, ANewFlightStartsItsTrackCopyAgain) {
    Flying flight(Mode::circlezoom);
    RecordingSurface pic;
    FrameRenderer renderer(pic);
    flight.ticks(500);
    ASSERT_TRUE(flight.start(renderer, 1));
    renderer.wait();
    EXPECT_EQ(renderer.track_points(), flight.session.ticks());

    // A second flight, a few ticks long: the old flight's points must not show.
    flight.again(Mode::upwind);
    flight.ticks(4);
    const std::vector<Primitive> expected = flight.drawn_here();
    ASSERT_TRUE(flight.start(renderer, 2));
    renderer.wait();
    EXPECT_EQ(renderer.take_finished(), flight.f.tick);
    EXPECT_EQ(renderer.track_points(), flight.session.ticks());
    expect_same(pic.primitives(), expected);
}

// The coloured track's values go over with their points, through a stretch
// flown uncoloured and a change of what the colour shows.
TEST(FrameRenderer, DrawsTheColouredTrackAndArrowsOfItsTick) {
    Flying flight(Mode::upwind);
    flight.session.set_track_colour(TrackColour::energy);
    flight.session.set_arrows(true);
    RecordingSurface pic;
    FrameRenderer renderer(pic);
    const TrackColour colours[] = {TrackColour::energy, TrackColour::plain, TrackColour::wind,
                                   TrackColour::airspeed, TrackColour::height};
    for (TrackColour by : colours) {
        flight.session.set_track_colour(by);
        flight.ticks(300);
        ASSERT_TRUE(flight.session.flying());
        const std::vector<Primitive> expected = flight.drawn_here();
        ASSERT_TRUE(flight.start(renderer, 1));
        flight.ticks(7);
        renderer.wait();
        EXPECT_GE(renderer.take_finished(), 0);
        expect_same(pic.primitives(), expected);
    }
}

TEST(FrameRenderer, GivesOnlyPicturesOfTicksHandedOff) {
    Flying flight(Mode::downwind);
    RecordingSurface pic;
    FrameRenderer renderer(pic);
    const Frame none;
    EXPECT_FALSE(renderer.start(none, flight.session.scene(), flight.session.bird(), 1));
    flight.ticks(3000);
    // Each start() either hands off or is refused because the last one is still
    // drawing; whichever, the finished picture is of a tick that was handed off.
    std::vector<int64_t> handed;
    for (int i = 0; i < 20; ++i) {
        if (flight.start(renderer, 1)) handed.push_back(flight.f.tick);
        flight.ticks(1);
        const int64_t done = renderer.take_finished();
        if (done >= 0) {
            EXPECT_NE(std::find(handed.begin(), handed.end(), done), handed.end());
        }
    }
    renderer.wait();
    ASSERT_FALSE(handed.empty());
    EXPECT_FALSE(renderer.busy());
}

}  // namespace
}  // namespace soar
