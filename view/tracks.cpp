#include "view/tracks.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "view/projection.h"

namespace soar {

void track_record(State& s) {
    s.n_trk = s.n_step;
    const size_t n = static_cast<size_t>(s.n_step);
    // Index 0 is never used; point k belongs to tick k. A track that was not
    // recorded in every tick (boxes changed between flights) is padded with zeros.
    for (auto* v : {&s.x_trk, &s.y_trk, &s.z0_trk, &s.z_trk}) {
        if (n == 1) v->clear();
        v->resize(n + 1, 0.0f);
    }
    if (n == 1) {
        s.x_trk[1] = 0.0f, s.y_trk[1] = 0.0f, s.z0_trk[1] = 0.0f, s.z_trk[1] = s.Z;
    } else {
        s.x_trk[n] = s.X, s.y_trk[n] = s.Y, s.z0_trk[n] = 0.0f, s.z_trk[n] = s.Z;
    }
}

namespace {

void track_draw(State& s, Surface& pic, const std::vector<float>& z, Colour colour) {
    const Projector proj(s);
    Projected p;
    s.vis_prev = 0.0f;
    // A long flight puts many consecutive points into one pixel. A point that lands
    // in the pixel the pen is already in adds nothing to a one-pixel line, so it is
    // not drawn: the cost follows the track's length on the screen, not its points.
    const double per_unit = std::fabs(pic.scale_y_to_pixels(1.0, pic.scale_mode()));
    double pen_ix = 0, pen_iy = 0;
    const int64_t last = std::min<int64_t>(s.n_trk - 1, int64_t(s.x_trk.size()) - 1);
    for (int64_t i = 1; i <= last; ++i) {
        proj.project(s.x_trk[i], s.y_trk[i], z[i], p);
        if (p.vis > 0.5f) {
            const double ix = std::floor(double(p.px) * per_unit);
            const double iy = std::floor(double(p.py) * per_unit);
            if (s.vis_prev < 0.5f) {
                pic.pset(p.px, p.py);
                pic.line_to(p.px, p.py, colour);
                pen_ix = ix, pen_iy = iy;
            } else if (ix != pen_ix || iy != pen_iy || i == last) {
                pic.line_to(p.px, p.py, colour);
                pen_ix = ix, pen_iy = iy;
            }
        }
        s.vis_prev = p.vis;
    }
}

}  // namespace

void ground_track_draw(State& s, Surface& pic) { track_draw(s, pic, s.z0_trk, palette_colour(2)); }

void air_track_draw(State& s, Surface& pic) { track_draw(s, pic, s.z_trk, palette_colour(1)); }

}  // namespace soar
