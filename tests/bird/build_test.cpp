#include "bird/build.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "bird/wing.h"

namespace soar {
namespace {

void expect_bounds(const Array1& a, int hi, const char* name) {
    EXPECT_EQ(a.lo(), 1) << name;
    EXPECT_EQ(a.hi(), hi) << name;
    EXPECT_THROW(a(hi + 1), std::out_of_range) << name;
}

void expect_bounds(const Array2& a, int rows, int cols, const char* name) {
    EXPECT_EQ(a.rows(), rows) << name;
    EXPECT_EQ(a.cols(), cols) << name;
    EXPECT_THROW(a(rows + 1, 1), std::out_of_range) << name;
    EXPECT_THROW(a(1, cols + 1), std::out_of_range) << name;
}

template <typename F>
void for_each_y(const State& s, F f) {
    for (int i = 1; i <= s.n_wsec; ++i)
        for (int j = 1; j <= s.n_wpt; ++j) f(s.y_wing(i, j));
    for (int i = 1; i <= s.n_bsec; ++i)
        for (int j = 1; j <= s.n_bpt; ++j) f(s.y_bsec(i, j));
    for (int i = 1; i <= s.n_wout; ++i) f(s.y_wout(i));
    for (int i = 1; i <= s.n_spar; ++i) f(s.y_spar(i));
    for (int i = 1; i <= s.n_prof; ++i) f(s.y_prof(i));
    for (int i = 1; i <= s.n_plan; ++i) f(s.y_plan(i));
    for (int i = 1; i <= s.n_eye; ++i) f(s.y_eye(i));
}

TEST(BirdBuild, CountsAndBounds) {
    State s;
    s.droop_off = 1;
    bird_build(s);
    EXPECT_EQ(s.droop_off, 0);
    EXPECT_EQ(s.n_wsec, 2);
    EXPECT_EQ(s.n_wpt, 39);
    EXPECT_EQ(s.n_wout, 30);
    EXPECT_EQ(s.n_spar, 13);
    EXPECT_EQ(s.n_prof, 130);
    EXPECT_EQ(s.n_plan, 130);
    EXPECT_EQ(s.n_bsec, 6);
    EXPECT_EQ(s.n_bpt, 27);
    EXPECT_EQ(s.n_eye, 30);

    expect_bounds(s.x_wing, 2, 39, "x_wing");
    expect_bounds(s.y_wing, 2, 39, "y_wing");
    expect_bounds(s.z_wing, 2, 39, "z_wing");
    expect_bounds(s.x_bsec, 6, 27, "x_bsec");
    expect_bounds(s.y_bsec, 6, 27, "y_bsec");
    expect_bounds(s.z_bsec, 6, 27, "z_bsec");
    for (auto [a, n, name] : {std::tuple{&s.x_wout, 30, "x_wout"},
                              {&s.y_wout, 30, "y_wout"},
                              {&s.z_wout, 30, "z_wout"},
                              {&s.x_spar, 13, "x_spar"},
                              {&s.y_spar, 13, "y_spar"},
                              {&s.z_spar, 13, "z_spar"},
                              {&s.x_prof, 130, "x_prof"},
                              {&s.y_prof, 130, "y_prof"},
                              {&s.z_prof, 130, "z_prof"},
                              {&s.x_plan, 130, "x_plan"},
                              {&s.y_plan, 130, "y_plan"},
                              {&s.z_plan, 130, "z_plan"},
                              {&s.x_eye, 30, "x_eye"},
                              {&s.y_eye, 30, "y_eye"},
                              {&s.z_eye, 30, "z_eye"}})
        expect_bounds(*a, n, name);
}

TEST(BirdBuild, SharedRootPointsAndRightHalfOnly) {
    State s;
    bird_build(s);
    EXPECT_EQ(s.x_wout(1), s.x_te_root);
    EXPECT_EQ(s.y_wout(1), s.y_te_root);
    EXPECT_EQ(s.z_wout(1), s.z_te_root);
    EXPECT_EQ(s.x_wout(s.n_wout), s.x_le_root);
    EXPECT_EQ(s.y_wout(s.n_wout), s.y_le_root);
    EXPECT_EQ(s.z_wout(s.n_wout), s.z_le_root);
    EXPECT_EQ(s.x_spar(1), s.x_sp_root);
    EXPECT_EQ(s.y_spar(1), s.y_sp_root);
    EXPECT_EQ(s.z_spar(1), s.z_sp_root);
    EXPECT_EQ(s.x_bsec(4, 1), s.x_sp_root);

    int n = 0;
    for_each_y(s, [&](float y) {
        EXPECT_GE(y, 0.0f);
        ++n;
    });
    EXPECT_EQ(n, 2 * 39 + 6 * 27 + 30 + 13 + 130 + 130 + 30);
    for (int i = 1; i <= s.n_prof; ++i) EXPECT_EQ(s.y_prof(i), 0.0f);
}

TEST(BirdBuild, RebuildReproducesTheModel) {
    State a, b;
    bird_build(a);
    bird_build(b);
    b.droop_off = 1;  // a rebuild must not depend on what was left behind
    b.x_le_root = b.y_te_root = b.z_sp_root = 9.0f;
    bird_build(b);
    auto same = [](const Array1& p, const Array1& q) {
        for (int i = p.lo(); i <= p.hi(); ++i) EXPECT_EQ(p(i), q(i)) << i;
    };
    auto same2 = [](const Array2& p, const Array2& q) {
        for (int i = 1; i <= p.rows(); ++i)
            for (int j = 1; j <= p.cols(); ++j) EXPECT_EQ(p(i, j), q(i, j)) << i << "," << j;
    };
    same2(a.x_wing, b.x_wing), same2(a.y_wing, b.y_wing), same2(a.z_wing, b.z_wing);
    same2(a.x_bsec, b.x_bsec), same2(a.y_bsec, b.y_bsec), same2(a.z_bsec, b.z_bsec);
    same(a.x_wout, b.x_wout), same(a.y_wout, b.y_wout), same(a.z_wout, b.z_wout);
    same(a.x_spar, b.x_spar), same(a.y_spar, b.y_spar), same(a.z_spar, b.z_spar);
    same(a.x_prof, b.x_prof), same(a.z_prof, b.z_prof);
    same(a.x_plan, b.x_plan), same(a.y_plan, b.y_plan), same(a.z_plan, b.z_plan);
    same(a.x_eye, b.x_eye), same(a.y_eye, b.y_eye), same(a.z_eye, b.z_eye);
}

}  // namespace
}  // namespace soar
