// Observer, view transform and perspective projection onto the drawing surface,
// and the sky and sea background.
//
// The observer at the camera's eye looks at the aim point, which lands at the
// picture centre; one user unit of the picture is one metre across the line of
// sight at the aim distance.
#pragma once

#include <cstdint>

#include "platform/surface.h"
#include "view/camera.h"

namespace soar {

// The camera's view: azimuth and depression of the line of sight, its length,
// the picture's half extents and edges. A vertical line of sight or an observer
// on the aim point does not fail: the arcsine argument is clamped to [-1, 1].
void update_view(Camera& c);
// The picture's user scale set to the camera's picture edges (a surface refuses a
// zero scale and keeps the one it had).
void apply_view_scale(const Camera& c, Surface& pic);
// Both: the view worked out and the picture's scale set to it.
inline void update_view(Camera& c, Surface& pic) {
    update_view(c);
    apply_view_scale(c, pic);
}

// One projected point: picture position (px, py) in user units, visibility, and
// the point in the observer's frame (u right, depth forward, v up).
struct Projected {
    float px = 0, py = 0;
    float vis = 0;
    float u = 0, depth = 0, v = 0;
};

// The projection for the current view, with the sines and cosines of the view
// angles computed once per drawing pass instead of once per point.
class Projector {
  public:
    explicit Projector(const Camera& c, Shift shift = {});
    // Projects (x, y, z) + drawing shift. px and py are written only when the point
    // is visible; otherwise `out` keeps the previous point's values there.
    // Inline: the track drawers call it up to millions of times per tick.
    void project(float x, float y, float z, Projected& out) const {
        const double a = double(x) + x_shift_ - xep_;
        const double b = double(y) + y_shift_ - yep_;
        const double e = double(z) + z_shift_ - zep_;
        out.u = float(a * cos_w_ - b * sin_w_);
        const double f = a * sin_w_ + b * cos_w_;  // forward, horizontal
        out.depth = float(f * cos_q_ - e * sin_q_);
        out.v = float(f * sin_q_ + e * cos_q_);
        out.vis = 0.0f;
        // Near limit: closer than a hundredth of the half-width is not drawn.
        if (!(out.depth > near_)) return;
        out.px = float(double(out.u) * D_ob_ / double(out.depth));
        out.py = float(double(out.v) * D_ob_ / double(out.depth));
        out.vis = 1.0f;
    }

    // The projection for drawing tracks, a batch of points at a time: each point
    // (x, y, z) and the point straight below it on the sea (x, y, 0). The batch has
    // no branches and works in float, so the compiler vectorises it four points at
    // a time; the picture positions agree with project()'s to far below a pixel.
    // Only tracks are drawn this way: nothing exported or checked comes from here.
    // With each position comes its pixel cell, floor(position * per_unit), held
    // within +-1e9 (far outside any picture). Only the tracks asked for are
    // projected (`tracks`: kGround, kAir or both); the other's entries are left
    // as they were.
    struct TrackBatch {
        static constexpr int kSize = 512;
        float ground_px[kSize], ground_py[kSize], air_px[kSize], air_py[kSize];
        int32_t ground_ix[kSize], ground_iy[kSize], air_ix[kSize], air_iy[kSize];
        bool ground_vis[kSize], air_vis[kSize];
    };
    static constexpr unsigned kGround = 1, kAir = 2;
    void project_tracks(const float* x, const float* y, const float* z, int n, double per_unit,
                        TrackBatch& out, unsigned tracks = kGround | kAir) const;

  private:
    double x_shift_, y_shift_, z_shift_, xep_, yep_, zep_;
    double cos_w_, sin_w_, cos_q_, sin_q_;
    double D_ob_;
    float near_;
};

// cell[j] = floor(v[j] * per_unit) as an integer, for j < n; values beyond
// +-1e9 and NaN (as -1e9) held at +-1e9.
void pixel_cells(const float* v, int n, double per_unit, int32_t* cell);

// Paints the sky band above the horizon and the sea band below it.
void sky_sea(const Camera& c, Surface& pic);

}  // namespace soar
