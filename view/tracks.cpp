#include "view/tracks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "view/projection.h"

namespace soar {

void track_record(State& s) {
    s.n_trk = s.n_step;
    const size_t n = static_cast<size_t>(s.n_step);
    // Index 0 is never used; point k belongs to tick k. A track that was not
    // recorded in every tick (boxes changed between flights) is padded with zeros.
    for (auto* v : {&s.x_trk, &s.y_trk, &s.z_trk}) {
        if (n == 1) v->clear();
        v->resize(n + 1, 0.0f);
    }
    if (n == 1) {
        s.x_trk[1] = 0.0f, s.y_trk[1] = 0.0f, s.z_trk[1] = s.Z;
    } else {
        s.x_trk[n] = s.X, s.y_trk[n] = s.Y, s.z_trk[n] = s.Z;
    }
}

namespace {

// The pixel cell of a picture coordinate: floor(v * per_unit) without a call into
// the maths library (a truncation of a shifted value), saturating far outside.
inline int64_t cell(float v, double per_unit) {
    const double c = double(v) * per_unit;
    if (!(c > -1e15 && c < 1e15)) return c > 0 ? INT64_MAX : INT64_MIN;
    const int64_t t = static_cast<int64_t>(c);
    return (double(t) > c) ? t - 1 : t;
}

// One track's polyline, point by point. A long flight puts many consecutive
// points into one pixel; a point in the pixel the pen is already in adds nothing
// to a one-pixel line and is not drawn, so the cost of drawing follows the
// track's length on the screen, not its number of points.
struct Polyline {
    float vis_prev = 0.0f;
    int64_t pen_ix = 0, pen_iy = 0;

    // Calls emit(start_of_run, px, py) for each point to be drawn.
    template <typename Emit>
    void add(const Projected& p, double per_unit, bool last, Emit&& emit) {
        if (p.vis > 0.5f) {
            const int64_t ix = cell(p.px, per_unit), iy = cell(p.py, per_unit);
            if (vis_prev < 0.5f) {
                emit(true, p.px, p.py);
                pen_ix = ix, pen_iy = iy;
            } else if (ix != pen_ix || iy != pen_iy || last) {
                emit(false, p.px, p.py);
                pen_ix = ix, pen_iy = iy;
            }
        }
        vis_prev = p.vis;
    }
};

struct Vertex {
    bool start;
    float px, py;
};

}  // namespace

void tracks_draw(State& s, Surface& pic, bool ground, bool air) {
    if (!ground && !air) return;
    const Projector proj(s);
    const double per_unit = std::fabs(pic.scale_y_to_pixels(1.0, pic.scale_mode()));
    const Colour green = palette_colour(2), dark_blue = palette_colour(1);
    const int64_t last = std::min<int64_t>(s.n_trk - 1, int64_t(s.x_trk.size()) - 1);

    // The ground track is drawn as it goes; the air track's few drawn vertices are
    // kept and drawn afterwards, so that it lies over the ground track.
    Polyline g, a;
    std::vector<Vertex> air_vertices;
    Projected pg, pa;
    auto draw_ground = [&](bool start, float px, float py) {
        if (start) pic.pset(px, py);
        pic.line_to(px, py, green);
    };
    auto keep_air = [&](bool start, float px, float py) { air_vertices.push_back({start, px, py}); };
    for (int64_t i = 1; i <= last; ++i) {
        const bool is_last = i == last;
        if (ground) {
            proj.project_for_drawing(s.x_trk[i], s.y_trk[i], 0.0f, pg);
            g.add(pg, per_unit, is_last, draw_ground);
        }
        if (air) {
            proj.project_for_drawing(s.x_trk[i], s.y_trk[i], s.z_trk[i], pa);
            a.add(pa, per_unit, is_last, keep_air);
        }
    }
    for (const Vertex& v : air_vertices) {
        if (v.start) pic.pset(v.px, v.py);
        pic.line_to(v.px, v.py, dark_blue);
    }
    s.vis_prev = air ? a.vis_prev : g.vis_prev;
}

}  // namespace soar
