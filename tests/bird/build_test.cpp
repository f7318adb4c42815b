#include "bird/build.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace soar {
namespace {

// Every component array of the model.
std::vector<const Array1*> lists(const BirdModel& s) {
    return {&s.x_wout, &s.y_wout, &s.z_wout, &s.x_spar, &s.y_spar, &s.z_spar, &s.x_prof, &s.y_prof,
            &s.z_prof, &s.x_plan, &s.y_plan, &s.z_plan, &s.x_eye,  &s.y_eye,  &s.z_eye};
}
std::vector<const Array2*> tables(const BirdModel& s) {
    return {&s.x_wing, &s.y_wing, &s.z_wing, &s.x_bsec, &s.y_bsec, &s.z_bsec};
}

TEST(BirdBuild, CountsBoundsAndRightHalfOnly) {
    BirdModel s;
    s.droop_off = 1;
    bird_build(s);
    EXPECT_EQ(s.droop_off, 0);
    EXPECT_EQ(s.n_wsec, 2);
    EXPECT_EQ(s.n_wpt, 39);
    EXPECT_EQ(s.n_bsec, 6);
    EXPECT_EQ(s.n_bpt, 27);
    const int n[] = {s.n_wout, s.n_spar, s.n_prof, s.n_plan, s.n_eye};
    const int want[] = {30, 13, 130, 130, 30};
    const auto l = lists(s);
    for (size_t k = 0; k < l.size(); ++k) {
        EXPECT_EQ(n[k / 3], want[k / 3]) << k;
        EXPECT_EQ(l[k]->lo(), 1) << k;
        EXPECT_EQ(l[k]->hi(), want[k / 3]) << k;
    }
    const auto t = tables(s);
    for (size_t k = 0; k < t.size(); ++k) {
        EXPECT_EQ(t[k]->rows(), k < 3 ? 2 : 6);
        EXPECT_EQ(t[k]->cols(), k < 3 ? 39 : 27);
        EXPECT_THROW((*t[k])(1, t[k]->cols() + 1), std::out_of_range);
    }
    for (const Array1* y : {&s.y_wout, &s.y_spar, &s.y_plan, &s.y_eye, &s.y_prof})
        for (int i = y->lo(); i <= y->hi(); ++i) EXPECT_GE((*y)(i), 0.0f);
    for (const Array2* y : {&s.y_wing, &s.y_bsec})
        for (int i = 1; i <= y->rows(); ++i)
            for (int j = 1; j <= y->cols(); ++j) EXPECT_GE((*y)(i, j), 0.0f);
    for (int i = 1; i <= 130; ++i) EXPECT_EQ(s.y_prof(i), 0.0f);

    // Outline and spar line start (and the outline ends) at the wing root.
    EXPECT_EQ(s.x_wout(1), s.x_te_root);
    EXPECT_EQ(s.y_wout(1), s.y_te_root);
    EXPECT_EQ(s.z_wout(1), s.z_te_root);
    EXPECT_EQ(s.x_wout(30), s.x_le_root);
    EXPECT_EQ(s.y_wout(30), s.y_le_root);
    EXPECT_EQ(s.z_wout(30), s.z_le_root);
    EXPECT_EQ(s.x_spar(1), s.x_sp_root);
    EXPECT_EQ(s.y_spar(1), s.y_sp_root);
    EXPECT_EQ(s.z_spar(1), s.z_sp_root);
}

TEST(BirdBuild, RebuildReproducesTheModel) {
    BirdModel a, b;
    bird_build(a);
    bird_build(b);
    b.x_le_root = b.y_te_root = b.z_sp_root = 9.0f;  // left-overs must not leak in
    b.droop_off = 1;
    bird_build(b);
    const auto la = lists(a), lb = lists(b);
    for (size_t k = 0; k < la.size(); ++k)
        for (int i = 1; i <= la[k]->hi(); ++i) EXPECT_EQ((*la[k])(i), (*lb[k])(i)) << k << "," << i;
    const auto ta = tables(a), tb = tables(b);
    for (size_t k = 0; k < ta.size(); ++k)
        for (int i = 1; i <= ta[k]->rows(); ++i)
            for (int j = 1; j <= ta[k]->cols(); ++j) EXPECT_EQ((*ta[k])(i, j), (*tb[k])(i, j));
}

}  // namespace
}  // namespace soar
