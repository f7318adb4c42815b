#include "view/tracks.h"

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
    const int64_t last = std::min<int64_t>(s.n_trk - 1, int64_t(s.x_trk.size()) - 1);
    for (int64_t i = 1; i <= last; ++i) {
        proj.project(s.x_trk[i], s.y_trk[i], z[i], p);
        if (s.vis_prev < 0.5f && p.vis > 0.5f) pic.pset(p.px, p.py);
        if (p.vis > 0.5f) pic.line_to(p.px, p.py, colour);
        s.vis_prev = p.vis;
    }
}

}  // namespace

void ground_track_draw(State& s, Surface& pic) { track_draw(s, pic, s.z0_trk, palette_colour(2)); }

void air_track_draw(State& s, Surface& pic) { track_draw(s, pic, s.z_trk, palette_colour(1)); }

}  // namespace soar
