#include "view/wind_figure.h"

#include "view/projection.h"

namespace soar {

void wind_profile_draw(const State& s, Surface& pic) {
    const Projector proj(s);
    const Colour dark_red = palette_colour(4);
    Projected p;  // starts at (0, 0): an invisible first point leaves the pen there
    for (int i = 1; i <= s.n_wp; ++i) {
        proj.project(float(double(s.x_wp(i)) + double(s.x_wp_off)), s.y_wp(i), s.z_wp(i), p);
        if (i == 1) pic.set_pen(p.px, p.py);
        if (p.vis > 0.5f) pic.line_to(p.px, p.py, dark_red);
    }
}

}  // namespace soar
