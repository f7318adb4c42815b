#include "view/projection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "headless/recording_surface.h"

namespace soar {
namespace {

Camera viewing(float xe, float ye, float ze, float xa = 0, float ya = 0, float za = 0) {
    Camera s;
    s.x_eye = xe, s.y_eye = ye, s.z_eye = ze;
    s.x_aim = xa, s.y_aim = ya, s.z_aim = za;
    s.zoom_deg = 45.0f;
    s.aspect = 1.25f;
    return s;
}

// The projection of one point, with the picture position kept when it is hidden.
void xyz_to_pic(const Camera& c, float& px, float& py, float& vis, float x, float y, float z,
                float& u, float& depth, float& v) {
    Projected p{px, py, 0, 0, 0, 0};
    Projector(c).project(x, y, z, p);
    px = p.px, py = p.py, vis = p.vis, u = p.u, depth = p.depth, v = p.v;
}

TEST(ViewGeometry, DefaultObserverLooksAlongYAtEyeLevel) {
    RecordingSurface pic;
    Camera s = viewing(0, -3, 0);
    update_view(s, pic);
    EXPECT_EQ(s.azimuth_deg, 0.0f);
    EXPECT_EQ(s.depression_deg, 0.0f);
    EXPECT_EQ(s.distance, 3.0f);
    EXPECT_LT(s.half_width, 3.6f);
    EXPECT_GT(s.half_width, 3.599f);
    EXPECT_EQ(s.half_height, float(double(s.half_width) / 1.25));
    EXPECT_EQ(s.left, -s.half_width);
    EXPECT_EQ(s.top, s.half_height);
    EXPECT_EQ(pic.scale_top(), double(s.half_height));
}

TEST(ViewGeometry, AzimuthAndDepressionOfTheLineOfSight) {
    RecordingSurface pic;
    struct Case {
        float xep, yep, zep;
        double azimuth, depression;
    } cases[] = {
        {5, 0, 2, 270.0, std::atan(2.0 / 5.0) * 57.29582790879778},       // looking along -x, down
        {-1, -3, 0, std::atan(1.0 / 3.0) * 57.29582790879778, 0.0},       // about 18.4
        {-50, -50, 50, 45.0, 35.26},                                      // the upwind set-up view
        {0, -10, -10 * std::tan(10 * 0.017453277777777776), 0.0, 350.0},  // looking up 10 degrees
        {-5, 0, 0, 90.0, 0.0},
        {0, 5, 0, 180.0, 0.0},
    };
    for (const Case& c : cases) {
        Camera s = viewing(c.xep, c.yep, c.zep);
        update_view(s, pic);
        EXPECT_NEAR(s.azimuth_deg, c.azimuth, 0.01) << c.xep << "," << c.yep << "," << c.zep;
        EXPECT_NEAR(s.depression_deg, c.depression, 0.01) << c.xep << "," << c.yep << "," << c.zep;
        EXPECT_GE(s.azimuth_deg, 0.0f);
        EXPECT_LT(s.azimuth_deg, 360.0f);
    }
}

TEST(Projection, AimPointAtCentreAndOneMetreIsOneUnit) {
    RecordingSurface pic;
    Camera s = viewing(-1, -3, 0.5f, 0, 0, 0.5f);
    update_view(s, pic);
    float px = 9, py = 9, vis = 0, u, depth, v;
    xyz_to_pic(s, px, py, vis, 0, 0, 0.5f, u, depth, v);
    EXPECT_EQ(vis, 1.0f);
    EXPECT_NEAR(px, 0.0, 1e-5);
    EXPECT_NEAR(py, 0.0, 1e-5);
    EXPECT_NEAR(depth, s.distance, 1e-6);

    Camera d = viewing(0, -3, 0);
    update_view(d, pic);
    xyz_to_pic(d, px, py, vis, 1, 0, 0, u, depth, v);
    EXPECT_EQ(px, 1.0f);
    EXPECT_EQ(py, 0.0f);
}

TEST(Projection, PointsBehindOrTooCloseAreInvisibleAndKeepThePicturePosition) {
    RecordingSurface pic;
    Camera s = viewing(0, -3, 0);
    update_view(s, pic);
    for (float y : {-4.0f, -3.0f, float(-3.0 + 0.005 * s.half_width)}) {
        float px = 7, py = 8, vis = 1, u = 0, depth = 0, v = 0;
        xyz_to_pic(s, px, py, vis, 0.3f, y, 0.2f, u, depth, v);
        EXPECT_EQ(vis, 0.0f) << y;
        EXPECT_EQ(px, 7.0f);
        EXPECT_EQ(py, 8.0f);
        EXPECT_NEAR(u, 0.3, 1e-6);  // the observer frame is written all the same
        EXPECT_NEAR(v, 0.2, 1e-6);
    }
}

TEST(Projection, DrawingShiftMovesEveryPoint) {
    RecordingSurface pic;
    Camera s = viewing(0, -3, 0);
    update_view(s, pic);
    Projected p;
    Projector(s, Shift{1.0f, 0.0f, -0.5f}).project(0, 0, 0, p);
    EXPECT_EQ(p.px, 1.0f);
    EXPECT_EQ(p.py, -0.5f);
}

TEST(ViewGeometry, LimitsOfTheViewDoNotFail) {
    RecordingSurface pic;
    // Straight down, straight up, observer on the aim point, observer under the sea.
    const Camera cases[] = {viewing(0, 0, 10), viewing(0, 0, -10), viewing(2, 2, 2, 2, 2, 2),
                            viewing(0, -3, -1)};
    for (Camera s : cases) {
        update_view(s, pic);
        EXPECT_TRUE(std::isfinite(s.depression_deg));
        EXPECT_TRUE(std::isfinite(s.azimuth_deg));
        sky_sea(s, pic);
        Projected p;
        Projector(s).project(1, 1, 1, p);
        EXPECT_TRUE(std::isfinite(p.depth));
    }
    Camera down = viewing(0, 0, 10);
    update_view(down, pic);
    EXPECT_NEAR(down.depression_deg, 90.0, 1e-3);
}

TEST(SkySea, HorizonAcrossTheCentreForTheDefaultView) {
    RecordingSurface pic(833, 667);
    Camera s = viewing(0, -3, 0);
    update_view(s, pic);
    sky_sea(s, pic);
    std::vector<Primitive> lines;
    for (const Primitive& p : pic.primitives())
        if (p.op == Primitive::Op::line) lines.push_back(p);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].colour, rgb(125, 160, 225));  // sky above
    EXPECT_EQ(lines[1].colour, rgb(90, 120, 240));   // sea below
    EXPECT_GT(lines[0].y, 0.0);
    EXPECT_LT(lines[1].y, 0.0);
    EXPECT_NEAR(lines[0].width + lines[1].width, 667, 1);
    EXPECT_EQ(lines[0].x2, double(s.left));
    EXPECT_EQ(lines[0].x, double(s.right));
    EXPECT_EQ(pic.draw_width(), 1);
}

TEST(SkySea, HorizonFarOutsideThePictureGivesOneBandOfPictureHeight) {
    RecordingSurface pic(833, 667);
    Camera up = viewing(0, -3, -20);  // looking up steeply: all sky
    update_view(up, pic);
    sky_sea(up, pic);
    Camera down = viewing(0, -3, 40);  // looking down steeply from high up: all sea
    update_view(down, pic);
    sky_sea(down, pic);
    int bands = 0;
    for (const Primitive& p : pic.primitives()) {
        if (p.op != Primitive::Op::line) continue;
        ++bands;
        EXPECT_LE(p.width, 668);
    }
    EXPECT_EQ(bands, 2);
}

}  // namespace
}  // namespace soar

// The pixel cell of a track point: floor, not truncation, on both sides of
// zero and at exact integers, with far values and NaN held at the clamps; every
// position of an odd-length run (the vector loop and its scalar tail) agrees.
TEST(Projection, PixelCellsAreFloorsHeldAtTheClamps) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> v = {0.0f,  -0.0f, 0.25f, -0.25f, 1.0f, -1.0f, 2.5f,   -2.5f,  3e8f,
                                  -3e8f, 2e9f,  -2e9f, inf,    -inf, nan,   1e-30f, -1e-30f};
    const double per_unit = 3.0;
    std::vector<int32_t> cell(v.size(), 12345);
    for (size_t start = 0; start < 2; ++start) {
        const int n = int(v.size() - start);
        soar::pixel_cells(v.data() + start, n, per_unit, cell.data());
        for (int j = 0; j < n; ++j) {
            const double c = double(v[start + j]) * per_unit;
            const double want = c != c ? -1e9 : std::clamp(std::floor(c), -1e9, 1e9);
            EXPECT_EQ(cell[size_t(j)], int32_t(want)) << "value " << v[start + j];
        }
    }
}
