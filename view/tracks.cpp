#include "view/tracks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
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

// One track's polyline, point by point. A long flight puts many consecutive
// points into one pixel; a point in the pixel the pen is already in adds nothing
// to a one-pixel line and is not drawn, so the cost of drawing follows the
// track's length on the screen, not its number of points.
struct Polyline {
    bool vis_prev = false;
    int32_t pen_ix = 0, pen_iy = 0;

    // Calls emit(start_of_run, px, py) for each point to be drawn.
    template <typename Emit>
    void add(bool vis, float px, float py, int32_t ix, int32_t iy, bool last, Emit&& emit) {
        if (vis) {
            if (!vis_prev) {
                emit(true, px, py);
                pen_ix = ix, pen_iy = iy;
            } else if (ix != pen_ix || iy != pen_iy || last) {
                emit(false, px, py);
                pen_ix = ix, pen_iy = iy;
            }
        }
        vis_prev = vis;
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
    auto draw_ground = [&](bool start, float px, float py) {
        if (start) pic.pset(px, py);
        pic.line_to(px, py, green);
    };
    auto keep_air = [&](bool start, float px, float py) {
        air_vertices.push_back({start, px, py});
    };
    auto batch = std::make_unique<Projector::TrackBatch>();
    for (int64_t first = 1; first <= last; first += Projector::TrackBatch::kSize) {
        const int n = int(std::min<int64_t>(Projector::TrackBatch::kSize, last - first + 1));
        proj.project_tracks(&s.x_trk[first], &s.y_trk[first], &s.z_trk[first], n, per_unit, *batch);
        const Projector::TrackBatch& b = *batch;
        for (int j = 0; j < n; ++j) {
            const bool is_last = first + j == last;
            if (ground) {
                g.add(b.ground_vis[j], b.ground_px[j], b.ground_py[j], b.ground_ix[j],
                      b.ground_iy[j], is_last, draw_ground);
            }
            if (air) {
                a.add(b.air_vis[j], b.air_px[j], b.air_py[j], b.air_ix[j], b.air_iy[j], is_last,
                      keep_air);
            }
        }
    }
    for (const Vertex& v : air_vertices) {
        if (v.start) pic.pset(v.px, v.py);
        pic.line_to(v.px, v.py, dark_blue);
    }
    s.vis_prev = (air ? a.vis_prev : g.vis_prev) ? 1.0f : 0.0f;
}

}  // namespace soar
