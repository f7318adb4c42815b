// Going back over a stopped flight: a recorded tick's picture drawn again from
// what the tick drew it from, and zoom and pan acting on the moment looked at.
#include <gtest/gtest.h>

#include <vector>

#include "app_fixture.h"

namespace soar {
namespace {

using test::Program;

void expect_same_view(const Frame& again, const Frame& drawn) {
    const Camera &a = again.camera, &d = drawn.camera;
    EXPECT_EQ(a.x_eye, d.x_eye);
    EXPECT_EQ(a.y_eye, d.y_eye);
    EXPECT_EQ(a.z_eye, d.z_eye);
    EXPECT_EQ(a.x_aim, d.x_aim);
    EXPECT_EQ(a.y_aim, d.y_aim);
    EXPECT_EQ(a.z_aim, d.z_aim);
    EXPECT_EQ(a.zoom_deg, d.zoom_deg);
    EXPECT_EQ(again.scale.left, drawn.scale.left);
    EXPECT_EQ(again.scale.top, drawn.scale.top);
    EXPECT_EQ(again.scale.right, drawn.scale.right);
    EXPECT_EQ(again.scale.bottom, drawn.scale.bottom);
    EXPECT_EQ(again.X, drawn.X);
    EXPECT_EQ(again.Y, drawn.Y);
    EXPECT_EQ(again.Z, drawn.Z);
    EXPECT_EQ(again.pose.attitude, drawn.pose.attitude);
}

TEST(LookBack, EachRecordedTickIsDrawnAgainFromTheViewItWasDrawnFrom) {
    for (const Mode mode : {Mode::upwind, Mode::downwind, Mode::circlezoom}) {
        SCOPED_TRACE(int(mode));
        test::Run run;
        run.start(mode, 0.0);
        std::vector<Frame> drawn;
        for (int k = 1; k <= 30; ++k) {
            Frame f;
            run.clock.set(float((k - 1) * 0.02));
            run.session.advance_tick(f);
            drawn.push_back(f);
        }
        run.session.stop_flight();
        ASSERT_EQ(run.session.ticks_to_look_back(), 30);
        for (const int64_t tick : {1, 2, 17, 30}) {
            SCOPED_TRACE(tick);
            expect_same_view(run.session.frame_at(tick), drawn[size_t(tick - 1)]);
        }
        EXPECT_FALSE(run.session.frame_at(31).valid);
    }
}

// How far the observer stands from the point it looks at, beside and above it, m.
struct Reach {
    double across, up;
};
Reach reach(const Camera& c) {
    const double dx = double(c.x_eye) - double(c.x_aim), dy = double(c.y_eye) - double(c.y_aim);
    return {std::sqrt(dx * dx + dy * dy), double(c.z_eye) - double(c.z_aim)};
}

TEST(LookBack, ZoomAndPanMoveTheFirstTicksObserverAsTheyMoveEveryLaterOne) {
    Program p;
    p.fly(Id::upwind_option, 40, 0.02);
    p.press(Id::stop_button);
    const Frame first = p.session.frame_at(1), later = p.session.frame_at(20);
    p.session.look_at(1);
    ASSERT_EQ(p.session.state(), RunState::looking_back);

    for (int k = 0; k < 3; ++k) p.press(Id::zoom_in_button);
    const Frame near_first = p.session.frame_now(), near_later = p.session.frame_at(20);
    ASSERT_EQ(near_first.tick, 1);
    EXPECT_EQ(p.session.looked_at(), 1);  // zoom keeps the moment
    // The observer comes nearer by the same share at the first tick as at a later one.
    const double share = reach(near_later.camera).across / reach(later.camera).across;
    ASSERT_LT(share, 0.9);
    EXPECT_NEAR(reach(near_first.camera).across / reach(first.camera).across, share, 1e-6);
    EXPECT_NEAR(reach(near_first.camera).up / reach(first.camera).up, share, 1e-6);
    EXPECT_LT(near_first.camera.distance, first.camera.distance);
    // It still looks where set-up aimed it, and the picture's scale is the new view's.
    EXPECT_EQ(near_first.camera.x_aim, first.camera.x_aim);
    EXPECT_EQ(near_first.camera.z_aim, first.camera.z_aim);
    EXPECT_EQ(near_first.scale.left, double(near_first.camera.left));
    EXPECT_EQ(near_first.scale.bottom, double(near_first.camera.bottom));

    p.press(Id::pan_up_button);
    const Frame raised = p.session.frame_now();
    const double rise = reach(p.session.frame_at(20).camera).up / reach(near_later.camera).up;
    ASSERT_GT(rise, 1.05);
    EXPECT_NEAR(reach(raised.camera).up / reach(near_first.camera).up, rise, 1e-6);
    EXPECT_NEAR(reach(raised.camera).across, reach(near_first.camera).across, 1e-3);
    p.press(Id::pan_down_button);
    EXPECT_LT(reach(p.session.frame_now().camera).up, reach(raised.camera).up);
}

TEST(LookBack, AViewThatDoesNotFollowTheBirdKeepsItsFirstTicksCamera) {
    test::Run run;
    run.start(Mode::profile, 0.0);
    for (int k = 1; k <= 10; ++k) ASSERT_TRUE(run.tick(float((k - 1) * 0.02)));
    run.session.stop_flight();
    const Frame first = run.session.frame_at(1);
    ASSERT_TRUE(first.valid);
    run.session.look_at(1);
    run.session.zoom(-1.0);
    run.session.pan(PanDirection::up);
    expect_same_view(run.session.frame_now(), first);
}

}  // namespace
}  // namespace soar
