#include "view/tracks.h"

#include <gtest/gtest.h>

#include "headless/recording_surface.h"
#include "track_run.h"
#include "view/projection.h"

namespace soar {
namespace {

int count(const RecordingSurface& pic, Primitive::Op op) {
    int n = 0;
    for (const Primitive& p : pic.primitives()) n += p.op == op;
    return n;
}

TEST(Tracks, FirstPointIsTheStartAboveTheOrigin) {
    test::TrackRun s;
    s.X = 5, s.Y = 6, s.Z = 1.7f;
    s.tick = 1;
    test::record(s);
    EXPECT_EQ(s.tracks.n, 1);
    EXPECT_EQ(s.tracks.x[1], 0.0f);
    EXPECT_EQ(s.tracks.y[1], 0.0f);
    EXPECT_EQ(s.tracks.z[1], 1.7f);
    s.tick = 2;
    test::record(s);
    EXPECT_EQ(s.tracks.x[2], 5.0f);
    EXPECT_EQ(s.tracks.y[2], 6.0f);
    EXPECT_EQ(s.tracks.z[2], 1.7f);
}

TEST(Tracks, HoldEveryPointOfALongFlight) {
    test::TrackRun s;
    for (int64_t k = 1; k <= 100000; ++k) {
        s.tick = k;
        s.X = float(k);
        test::record(s);
    }
    EXPECT_EQ(s.tracks.n, 100000);
    EXPECT_EQ(s.tracks.x[70000], 70000.0f);
    EXPECT_EQ(s.tracks.x.size(), 100001u);
}

TEST(Tracks, NewestPointIsLeftForTheNextTick) {
    test::TrackRun s;
    s.camera.x_eye = 0, s.camera.y_eye = -20, s.camera.z_eye = 5, s.camera.zoom_deg = 45,
    s.camera.aspect = 1.25f;
    RecordingSurface pic;
    update_view(s.camera, pic);
    for (int64_t k = 1; k <= 5; ++k) {
        s.tick = k;
        s.X = float(k), s.Z = 2;
        test::record(s);
    }
    pic.clear();
    test::draw(s, pic, false, true);
    EXPECT_EQ(count(pic, Primitive::Op::pset), 1);
    EXPECT_EQ(count(pic, Primitive::Op::line), 4);  // points 1..4
    for (const Primitive& p : pic.primitives()) {
        if (p.op == Primitive::Op::line) {
            EXPECT_EQ(p.colour, palette_colour(1));
        }
    }
    pic.clear();
    test::draw(s, pic, true, false);
    EXPECT_EQ(pic.primitives().back().colour, palette_colour(2));
    // Both: the whole ground track first, then the air track over it.
    pic.clear();
    test::draw(s, pic, true, true);
    ASSERT_EQ(count(pic, Primitive::Op::line), 8);
    std::vector<Colour> order;
    for (const Primitive& p : pic.primitives()) {
        if (p.op == Primitive::Op::line) order.push_back(p.colour);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(order[i], palette_colour(2));
    for (int i = 4; i < 8; ++i) EXPECT_EQ(order[i], palette_colour(1));
    // The ground track lies on the sea: below the air track in the picture.
    EXPECT_LT(pic.primitives()[1].y, pic.primitives().back().y);
}

TEST(Tracks, PointsInThePixelOfThePenAreNotDrawnAgain) {
    test::TrackRun s;
    s.camera.x_eye = 0, s.camera.y_eye = -20, s.camera.z_eye = 5, s.camera.zoom_deg = 45,
    s.camera.aspect = 1.25f;
    RecordingSurface pic(833, 667);
    update_view(s.camera, pic);
    // A bird circling for a long time over nearly the same spot, then one real move.
    for (int64_t k = 1; k <= 20001; ++k) {
        s.tick = k;
        s.X = k <= 20000 ? float(1e-4 * (k % 7)) : 3.0f;
        s.Z = 2;
        test::record(s);
    }
    s.tick = 20002;
    test::record(s);
    pic.clear();
    test::draw(s, pic, false, true);
    EXPECT_LT(count(pic, Primitive::Op::line), 10);
    // The polyline still ends at the last point handed to the drawer.
    EXPECT_GT(pic.primitives().back().x, 2.0);
}

TEST(Tracks, APartBehindTheObserverBreaksTheLine) {
    test::TrackRun s;
    s.camera.x_eye = 0, s.camera.y_eye = 0, s.camera.z_eye = 2, s.camera.y_aim = 10,
    s.camera.z_aim = 2, s.camera.zoom_deg = 45, s.camera.aspect = 1.25f;
    RecordingSurface pic;
    update_view(s.camera, pic);
    const float xs[] = {0, 1, 0, 0, -1, 1, 0};
    const float ys[] = {10, 8, -5, -6, 6, 9, 0};  // the middle passes behind (y < 0)
    for (int k = 1; k <= 7; ++k) {
        s.tick = k;
        s.X = xs[k - 1], s.Y = ys[k - 1], s.Z = 2;
        test::record(s);
        s.tracks.x[k] = xs[k - 1], s.tracks.y[k] = ys[k - 1];
    }
    pic.clear();
    test::draw(s, pic, false, true);
    EXPECT_EQ(count(pic, Primitive::Op::pset), 2);  // two separate polylines
    EXPECT_EQ(count(pic, Primitive::Op::line), 4);
}

}  // namespace
}  // namespace soar
