#include "view/tracks.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_surface.h"
#include "view/projection.h"

namespace soar {
namespace {

int count(const RecordingSurface& pic, Primitive::Op op) {
    int n = 0;
    for (const Primitive& p : pic.primitives()) n += p.op == op;
    return n;
}

TEST(Tracks, FirstPointIsTheStartAboveTheOrigin) {
    State s;
    s.X = 5, s.Y = 6, s.Z = 1.7f;
    s.n_step = 1;
    track_record(s);
    EXPECT_EQ(s.n_trk, 1);
    EXPECT_EQ(s.x_trk[1], 0.0f);
    EXPECT_EQ(s.y_trk[1], 0.0f);
    EXPECT_EQ(s.z_trk[1], 1.7f);
    s.n_step = 2;
    track_record(s);
    EXPECT_EQ(s.x_trk[2], 5.0f);
    EXPECT_EQ(s.y_trk[2], 6.0f);
    EXPECT_EQ(s.z_trk[2], 1.7f);
}

TEST(Tracks, HoldEveryPointOfALongFlight) {
    State s;
    for (int64_t k = 1; k <= 100000; ++k) {
        s.n_step = k;
        s.X = float(k);
        track_record(s);
    }
    EXPECT_EQ(s.n_trk, 100000);
    EXPECT_EQ(s.x_trk[70000], 70000.0f);
    EXPECT_EQ(s.x_trk.size(), 100001u);
}

TEST(Tracks, NewestPointIsLeftForTheNextTick) {
    State s;
    s.xep = 0, s.yep = -20, s.zep = 5, s.zoom_deg = 45, s.pic_aspect = 1.25f;
    RecordingSurface pic;
    ome_sig_scale(s, pic);
    for (int64_t k = 1; k <= 5; ++k) {
        s.n_step = k;
        s.X = float(k), s.Z = 2;
        track_record(s);
    }
    pic.clear();
    tracks_draw(s, pic, false, true);
    EXPECT_EQ(count(pic, Primitive::Op::pset), 1);
    EXPECT_EQ(count(pic, Primitive::Op::line), 4);  // points 1..4
    for (const Primitive& p : pic.primitives()) {
        if (p.op == Primitive::Op::line) {
            EXPECT_EQ(p.colour, palette_colour(1));
        }
    }
    pic.clear();
    tracks_draw(s, pic, true, false);
    EXPECT_EQ(pic.primitives().back().colour, palette_colour(2));
    // Both: the whole ground track first, then the air track over it.
    pic.clear();
    tracks_draw(s, pic, true, true);
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
    State s;
    s.xep = 0, s.yep = -20, s.zep = 5, s.zoom_deg = 45, s.pic_aspect = 1.25f;
    RecordingSurface pic(833, 667);
    ome_sig_scale(s, pic);
    // A bird circling for a long time over nearly the same spot, then one real move.
    for (int64_t k = 1; k <= 20001; ++k) {
        s.n_step = k;
        s.X = k <= 20000 ? float(1e-4 * (k % 7)) : 3.0f;
        s.Z = 2;
        track_record(s);
    }
    s.n_step = 20002;
    track_record(s);
    pic.clear();
    tracks_draw(s, pic, false, true);
    EXPECT_LT(count(pic, Primitive::Op::line), 10);
    // The polyline still ends at the last point handed to the drawer.
    EXPECT_GT(pic.primitives().back().x, 2.0);
}

TEST(Tracks, APartBehindTheObserverBreaksTheLine) {
    State s;
    s.xep = 0, s.yep = 0, s.zep = 2, s.y_aim = 10, s.z_aim = 2, s.zoom_deg = 45,
    s.pic_aspect = 1.25f;
    RecordingSurface pic;
    ome_sig_scale(s, pic);
    const float xs[] = {0, 1, 0, 0, -1, 1, 0};
    const float ys[] = {10, 8, -5, -6, 6, 9, 0};  // the middle passes behind (y < 0)
    for (int k = 1; k <= 7; ++k) {
        s.n_step = k;
        s.X = xs[k - 1], s.Y = ys[k - 1], s.Z = 2;
        track_record(s);
        s.x_trk[k] = xs[k - 1], s.y_trk[k] = ys[k - 1];
    }
    pic.clear();
    tracks_draw(s, pic, false, true);
    EXPECT_EQ(count(pic, Primitive::Op::pset), 2);  // two separate polylines
    EXPECT_EQ(count(pic, Primitive::Op::line), 4);
}

}  // namespace
}  // namespace soar
