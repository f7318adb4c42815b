#include "app/app.h"
#include "bird/build.h"
#include "view/grid.h"
#include "view/projection.h"

namespace soar {

void Form_Load(State& s, Window& w, Io& io) {
    s.i_pic = 1;
    show(w, Id::pic);

    s.Nz = 1.0f;  // level flight until a flight says otherwise

    bird_build(s);

    s.pic_aspect = 1.25f;
    s.zoom_deg = 45.0f;
    s.x_shift = s.y_shift = s.z_shift = 0.0f;

    s.X = 0.0f, s.Y = 0.0f, s.t = 0.0f;
    s.n_step = 0;

    s.x_grid_min = -100.0f, s.x_grid_max = 0.0f;
    s.y_grid_min = -50.0f, s.y_grid_max = 50.0f;
    s.d_grid = 10.0f;
    grid_setup(s);

    // The observer stands 3 m on the -y side of the origin at sea level, looking along +y.
    s.x_aim = s.y_aim = s.z_aim = 0.0f;
    s.xep = 0.0f, s.yep = -3.0f, s.zep = 0.0f;
    view_update(s, w, io);
    sky_sea(s, io.pic);
}

}  // namespace soar
