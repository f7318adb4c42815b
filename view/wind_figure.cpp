#include "view/wind_figure.h"

#include <cmath>

#include "sim/wind.h"
#include "view/projection.h"

namespace soar {

void build_wind_figure(WindFigure& f, const Params& p) {
    f.n = 70;
    f.x.allocate(1, f.n);
    f.y.allocate(1, f.n);
    f.z.allocate(1, f.n);

    const double Z_ref = p.Z_ref;
    int i = 0;
    for (int b = 1; b <= 10; ++b) {
        // Arrow heights crowd towards the sea (exponent 1.5); the lengths follow the
        // profile's shape at half of Z_ref, so they keep their size when U_ref is 0.
        const double zz = Z_ref * std::pow((b - 1) / 9.0, 1.5) + 0.25 * (1.0 - b / 10.0);
        const double uu = 0.5 * Z_ref * wind_shape_at(p, zz);
        const double x[7] = {0, uu - 0.75, uu - 0.75, uu, uu - 0.75, uu - 0.75, 0};
        const double z[7] = {zz, zz, zz - 0.15, zz, zz + 0.15, zz, zz};
        for (int k = 0; k < 7; ++k) {
            ++i;
            f.x(i) = float(x[k]);
            f.y(i) = 0.0f;
            f.z(i) = float(z[k]);
        }
    }
}

void draw_wind_figure(const WindFigure& f, const Camera& c, Surface& pic, Shift shift) {
    const Projector proj(c, shift);
    const Colour dark_red = palette_colour(4);
    Projected p;  // starts at (0, 0): an invisible first point leaves the pen there
    for (int i = 1; i <= f.n; ++i) {
        proj.project(float(double(f.x(i)) + double(f.x_offset)), f.y(i), f.z(i), p);
        if (i == 1) pic.set_pen(p.px, p.py);
        if (p.vis > 0.5f) pic.line_to(p.px, p.py, dark_red);
    }
}

}  // namespace soar
