// The loop's problem built from a flight's parameters.
#include "app/loop_params.h"

#include <gtest/gtest.h>

#include "sim/param_fields.h"

namespace soar {
namespace {

// The shared "zhao-glider" preset, stored in 32-bit floats, poses the
// benchmark's problem to within float rounding.
TEST(LoopParams, ZhaoPresetPosesTheBenchmarkProblem) {
    const optim::LoopProblem exact = optim::zhao_glider();
    const optim::LoopProblem p =
        loop_problem_for(preset_set("zhao-glider")->upwind, optim::WindProfile::linear, true);
    EXPECT_NEAR(p.g, exact.g, 1e-6 * exact.g);
    EXPECT_NEAR(p.rho, exact.rho, 1e-6 * exact.rho);
    EXPECT_NEAR(p.wing_loading, exact.wing_loading, 1e-6 * exact.wing_loading);
    EXPECT_NEAR(p.CD0, exact.CD0, 1e-6 * exact.CD0);
    EXPECT_NEAR(p.K, exact.K, 1e-6 * exact.K);
    EXPECT_TRUE(p.start_height_fixed);
    EXPECT_EQ(loop_problem_error(p), "");
}

// The "sachs-2005-albatross" preset poses Sachs's albatross in the
// logarithmic profile with a travelling loop; --set travel=0 holds it.
TEST(LoopParams, SachsPresetPosesItsAlbatross) {
    const optim::LoopProblem exact = optim::sachs_albatross();
    const LoopBounds bounds = loop_bounds_of("sachs-2005-albatross");
    EXPECT_EQ(default_profile(bounds), optim::WindProfile::logarithmic);
    optim::LoopProblem p = loop_problem_for(preset_set("sachs-2005-albatross")->upwind,
                                            default_profile(bounds), bounds);
    EXPECT_NEAR(p.wing_loading, 8.5 * 9.81 / 0.65, 1e-4);
    EXPECT_NEAR(p.CD0, exact.CD0, 1e-6 * exact.CD0);
    EXPECT_NEAR(p.K, exact.K, 1e-6 * exact.K);
    EXPECT_EQ(p.half_span, 1.7);
    EXPECT_EQ(p.z0, 0.03);
    EXPECT_TRUE(p.travel);
    EXPECT_EQ(loop_problem_error(p), "");
    ASSERT_TRUE(set_loop_setting(p, "travel", 0.0));
    EXPECT_FALSE(p.travel);
    EXPECT_EQ(loop_bounds_of("design-albatross"), LoopBounds::albatross);
}

TEST(LoopParams, DesignParametersGiveTheAlbatrossLoop) {
    const optim::LoopProblem a = optim::albatross(optim::WindProfile::exponential);
    const optim::LoopProblem p = loop_problem_for(Params{}, optim::WindProfile::exponential, false);
    EXPECT_NEAR(p.wing_loading, a.wing_loading, 1e-4);
    EXPECT_NEAR(p.K, a.K, 1e-8);
    EXPECT_EQ(p.half_span, a.half_span);
    optim::LoopProblem bad = p;
    ASSERT_TRUE(set_loop_setting(bad, "T_max", 2.0));
    EXPECT_NE(loop_problem_error(bad).find("T_min"), std::string::npos);
    EXPECT_FALSE(set_loop_setting(bad, "wingspan", 3.0));
}

}  // namespace
}  // namespace soar
