#include "view/projection.h"

#include <algorithm>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/number_text.h"
#include "sim/constants.h"

namespace soar {

namespace {

// An angle in radians brought into [0, 2 pi) with the program's 2 pi.
float wrap_angle(float a) {
    if (a < 0.0f) a = float(double(a) + k::two_pi);
    if (a > k::two_pi_f) a = float(double(a) - k::two_pi);
    return a;
}

}  // namespace

void update_view(Camera& c) {
    const float dx = c.x_aim - c.x_eye;
    const float dy = c.y_aim - c.y_eye;
    const float dz = c.z_aim - c.z_eye;

    // Azimuth from +y towards +x.
    float A;
    if (dy == 0.0f && dx > 0.0f) {
        A = float(k::half_pi);
    } else if (dy == 0.0f && dx < 0.0f) {
        A = float(-k::half_pi);
    } else if (dx == 0.0f && dy > 0.0f) {
        A = 0.0f;
    } else if (dx == 0.0f && dy < 0.0f) {
        A = float(k::pi);
    } else if (dx == 0.0f && dy == 0.0f) {
        A = 0.0f;
    } else {
        const double sign = dx > 0.0f ? 1.0 : -1.0;
        A = float(k::half_pi * sign - std::atan(double(dy) / double(dx)));
    }
    A = wrap_angle(A);
    c.azimuth_deg = float(double(A) * k::r2d);

    const double ddx = dx, ddy = dy, ddz = dz;
    c.distance = float(std::sqrt(ddx * ddx + ddy * ddy + ddz * ddz));

    // Depression as the arcsine of -dz/D_ob. The rounded D_ob can be a hair shorter
    // than |dz| on a vertical line of sight: clamp, so the arcsine stays defined.
    double sn = c.distance != 0.0f ? -ddz / double(c.distance) : 0.0;
    sn = std::clamp(sn, -1.0, 1.0);
    const double cs = std::sqrt(1.0 - sn * sn);
    float S = cs > 0.0 ? float(std::atan(sn / cs)) : float(sn > 0 ? k::half_pi : -k::half_pi);
    S = wrap_angle(S);
    c.depression_deg = float(double(S) * k::r2d);

    c.half_width = float(double(c.distance) * 1.2 * std::tan(double(c.zoom_deg) * k::d2r));
    c.half_height = float(double(c.half_width) / double(c.aspect));
    c.right = c.half_width;
    c.left = -c.half_width;
    c.bottom = -c.half_height;
    c.top = c.half_height;
}

void apply_view_scale(const Camera& c, Surface& pic) {
    pic.scale(c.left, c.top, c.right, c.bottom);
}

Projector::Projector(const Camera& c, Shift shift)
    : x_shift_(shift.x),
      y_shift_(shift.y),
      z_shift_(shift.z),
      xep_(c.x_eye),
      yep_(c.y_eye),
      zep_(c.z_eye),
      D_ob_(c.distance),
      near_(float(0.01 * double(c.half_width))) {
    const double w = double(c.azimuth_deg) * k::d2r;
    const double q = double(c.depression_deg) * k::d2r;
    cos_w_ = std::cos(w), sin_w_ = std::sin(w);
    cos_q_ = std::cos(q), sin_q_ = std::sin(q);
}

namespace {

// floor(v * per_unit) as a branch-free integer (truncation corrected downwards),
// far values and NaN held at +-1e9.
inline int32_t pixel_cell(float v, double per_unit) {
    double c = double(v) * per_unit;
    c = c > -1e9 ? c : -1e9;  // NaN lands here too
    c = c < 1e9 ? c : 1e9;
    const int32_t t = int32_t(c);
    return t - int32_t(double(t) > c);
}

}  // namespace

void pixel_cells(const float* v, int n, double per_unit, int32_t* cell) {
    int j = 0;
#ifdef __SSE2__
    // Two values at a time: the compiler keeps the scalar version's clamps as
    // branches. maxpd(c, lo) gives lo for a NaN c as the scalar comparison
    // does, and the truncation is corrected by the same comparison.
    const __m128d lo = _mm_set1_pd(-1e9), hi = _mm_set1_pd(1e9), k = _mm_set1_pd(per_unit);
    for (; j + 2 <= n; j += 2) {
        const __m128 two =
            _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + j)));
        const __m128d c = _mm_min_pd(_mm_max_pd(_mm_mul_pd(_mm_cvtps_pd(two), k), lo), hi);
        const __m128i t = _mm_cvttpd_epi32(c);
        const __m128i above = _mm_castpd_si128(_mm_cmpgt_pd(_mm_cvtepi32_pd(t), c));
        // The two 64-bit all-ones lanes of `above` packed to 32 bits: -1 where t > c.
        const __m128i fix = _mm_shuffle_epi32(above, _MM_SHUFFLE(3, 3, 2, 0));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(cell + j), _mm_add_epi32(t, fix));
    }
#endif
    for (; j < n; ++j) cell[j] = pixel_cell(v[j], per_unit);
}

namespace {

struct TrackView {
    float ax, by, ez, cw, sw, cq, sq, D, near;
};

// The batch loop for the tracks chosen; each output is computed as it would be
// with both, so one track's picture does not depend on the other being drawn.
template <bool kGround, bool kAir>
void project_loop(const TrackView& t, const float* x, const float* y, const float* z, int n,
                  Projector::TrackBatch& out) {
    for (int j = 0; j < n; ++j) {
        const float a = x[j] + t.ax;
        const float b = y[j] + t.by;
        const float u = a * t.cw - b * t.sw;
        const float f = a * t.sw + b * t.cw;
        if (kGround) {
            const float depth_sea = f * t.cq - t.ez * t.sq;
            const float scale_sea = t.D / depth_sea;
            out.ground_px[j] = u * scale_sea;
            out.ground_py[j] = (f * t.sq + t.ez * t.cq) * scale_sea;
            out.ground_vis[j] = depth_sea > t.near;
        }
        if (kAir) {
            const float e = z[j] + t.ez;
            const float depth_air = f * t.cq - e * t.sq;
            const float scale_air = t.D / depth_air;
            out.air_px[j] = u * scale_air;
            out.air_py[j] = (f * t.sq + e * t.cq) * scale_air;
            out.air_vis[j] = depth_air > t.near;
        }
    }
}

}  // namespace

void Projector::project_tracks(const float* x, const float* y, const float* z, int n,
                               double per_unit, TrackBatch& out, unsigned tracks) const {
    // In float: four points to a vector register. Far below a pixel for any track
    // a person can see (a metre 10 km away is still 0.001 m in float).
    const TrackView t{float(x_shift_ - xep_), float(y_shift_ - yep_), float(z_shift_ - zep_),
                      float(cos_w_),          float(sin_w_),          float(cos_q_),
                      float(sin_q_),          float(D_ob_),           near_};
    const bool ground = (tracks & kGround) != 0, air = (tracks & kAir) != 0;
    if (ground && air) {
        project_loop<true, true>(t, x, y, z, n, out);
    } else if (ground) {
        project_loop<true, false>(t, x, y, z, n, out);
    } else if (air) {
        project_loop<false, true>(t, x, y, z, n, out);
    }
    if (ground) {
        pixel_cells(out.ground_px, n, per_unit, out.ground_ix);
        pixel_cells(out.ground_py, n, per_unit, out.ground_iy);
    }
    if (air) {
        pixel_cells(out.air_px, n, per_unit, out.air_ix);
        pixel_cells(out.air_py, n, per_unit, out.air_iy);
    }
}

void sky_sea(const Camera& c, Surface& pic) {
    // Horizon dip below the horizontal for an observer at height z_eye over an earth
    // of 6400 km radius. An observer below the sea has no dip.
    const double dip = c.z_eye > 0.0f ? std::sqrt(double(c.z_eye) / 6400000.0) : 0.0;
    const double ex = double(c.x_eye) - double(c.x_aim);
    const double ey = double(c.y_eye) - double(c.y_aim);
    const double ez = double(c.z_eye) - double(c.z_aim);
    const double D = std::sqrt(ex * ex + ey * ey + ez * ez);
    const double yh = -D * std::tan(dip - double(c.depression_deg) * k::d2r);
    if (!std::isfinite(yh)) return;  // horizon at infinity: a vertical line of sight

    const double T = pic.scale_top();
    const int M = pic.scale_mode();
    const double top = c.top, bottom = c.bottom;
    auto to_px = [&](double y) { return pic.scale_y_to_pixels(y - T, M); };
    // Each band is one fill across the picture. The bands are
    // clipped to the picture, so a horizon far outside it gives the same picture
    // without a pen width beyond the 16-bit range.
    auto band = [&](double y_from, double y_to, Colour colour) {
        const double width_px = std::fabs(to_px(y_from) - to_px(y_to));
        if (width_px < 0.5) return;
        const double y_mid = (y_from + y_to) * 0.5;
        pic.fill_band(c.left, c.right, y_mid, int(to_i16(std::min(width_px, 32767.0))), colour);
    };
    if (top > yh) {
        const double horizon = std::max(yh, bottom);
        band(horizon, top, rgb(125, 160, 225));
        band(horizon, bottom, rgb(90, 120, 240));
    } else {
        band(top, bottom, rgb(90, 120, 240));  // horizon at or above the top: all sea
    }
    pic.set_draw_width(1);
}

}  // namespace soar
