#include "app/app.h"
#include "view/grid.h"
#include "view/projection.h"
#include "view/tracks.h"
#include "view/view_modes.h"
#include "view/wind_figure.h"

namespace soar {

void scene_redraw(State& s, Window& w, Io& io) {
    const Mode mode = selected_mode(w);
    s.x_shift = s.y_shift = s.z_shift = 0.0f;
    // Sky, sea, grid and tracks are drawn with the view of the previous tick; the
    // bird with the new one.
    if (mode != Mode::fixed) sky_sea(s, io.pic);
    if (checked(w, Id::chk_grid)) {
        s.x_shift = grid_shift(s);
        s.y_shift = 0.0f;
        s.z_shift = 0.0f;
        grid_draw(s, io.pic);
    }
    if (mode == Mode::profile) {
        s.y_shift = 0.0f;
        s.z_shift = s.Z;
        s.x_shift = float(8.0 - double(s.Z) * 14.0 / 20.0);
        view_update(s, w, io);
    }
    const bool ground = checked(w, Id::chk_groundtrack), air = checked(w, Id::chk_airtrack);
    if (ground || air) {
        track_record(s);
        if (s.n_step > 1) {
            s.x_shift = s.y_shift = s.z_shift = 0.0f;
            tracks_draw(s, io.pic, ground, air);
        }
    }
    if (mode != Mode::fixed && mode != Mode::profile) {
        follow_bird(s);
        view_update(s, w, io);
    }
    draw_bird(s, w, io);
    s.x_shift = s.y_shift = s.z_shift = 0.0f;
    if (mode == Mode::upwind || mode == Mode::downwind || mode == Mode::crosswind)
        wind_profile_draw(s, io.pic);
}

}  // namespace soar
