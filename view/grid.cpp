#include "view/grid.h"

#include <cmath>

#include "platform/number_text.h"
#include "view/projection.h"

namespace soar {

namespace {

// Line count for an extent; 0 lines when the spacing cannot make a grid, and no
// more lines than 16-bit bounds of 4 values per line allow.
int16_t line_count(float lo, float hi, float d) {
    if (!(d != 0.0f)) return 0;
    const double n = (double(hi) - double(lo)) / double(d);
    if (!std::isfinite(n) || n < 0.0 || n > 8190.0) return 0;
    return int16_t(to_i16(n) + 1);
}

}  // namespace

void grid_setup(State& s) {
    s.n_grid_x = line_count(s.x_grid_min, s.x_grid_max, s.d_grid);
    s.n_grid_y = line_count(s.y_grid_min, s.y_grid_max, s.d_grid);
    s.grid_xl.allocate(1, 4 * s.n_grid_x);
    s.grid_yl.allocate(1, 4 * s.n_grid_y);
    for (int i = 1; i <= s.n_grid_x; ++i) {
        const float xi = float((i - 1) * double(s.d_grid) + double(s.x_grid_min));
        s.grid_xl(4 * i - 3) = xi;
        s.grid_xl(4 * i - 2) = s.y_grid_min;
        s.grid_xl(4 * i - 1) = xi;
        s.grid_xl(4 * i) = s.y_grid_max;
    }
    for (int j = 1; j <= s.n_grid_y; ++j) {
        const float yj = float((j - 1) * double(s.d_grid) + double(s.y_grid_min));
        s.grid_yl(4 * j - 3) = s.x_grid_min;
        s.grid_yl(4 * j - 2) = yj;
        s.grid_yl(4 * j - 1) = s.x_grid_max;
        s.grid_yl(4 * j) = yj;
    }
}

void grid_draw(State& s, Surface& pic) {
    const Projector proj(s);
    const Colour white = palette_colour(15);
    Projected a, b;
    auto draw_lines = [&](const Array1& lines, int count) {
        for (int i = 1; i <= count; ++i) {
            const float x1 = float(double(lines(4 * i - 3)) + double(s.x_shift));
            const float y1 = float(double(lines(4 * i - 2)) + double(s.y_shift));
            const float x2 = float(double(lines(4 * i - 1)) + double(s.x_shift));
            const float y2 = float(double(lines(4 * i)) + double(s.y_shift));
            proj.project(x1, y1, 0.0f, a);
            if (a.vis > 0.5f) pic.pset(a.px, a.py);
            s.vis_prev = a.vis;
            proj.project(x2, y2, 0.0f, b);
            if (s.vis_prev > 0.5f && b.vis > 0.5f) pic.line_to(b.px, b.py, white);
        }
    };
    draw_lines(s.grid_xl, s.n_grid_x);
    draw_lines(s.grid_yl, s.n_grid_y);
}

float grid_shift(const State& s) {
    if (s.d_grid == 0.0f) return 0.0f;
    const double d = s.d_grid;
    return float((std::floor(std::fabs(double(s.xep) - double(s.x_grid_max)) / d) - 2.0) * d);
}

}  // namespace soar
