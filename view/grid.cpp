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

void grid_setup(SeaGrid& g) {
    g.n_x = line_count(g.x_min, g.x_max, g.spacing);
    g.n_y = line_count(g.y_min, g.y_max, g.spacing);
    g.x_lines.allocate(1, 4 * g.n_x);
    g.y_lines.allocate(1, 4 * g.n_y);
    for (int i = 1; i <= g.n_x; ++i) {
        const float xi = float((i - 1) * double(g.spacing) + double(g.x_min));
        g.x_lines(4 * i - 3) = xi;
        g.x_lines(4 * i - 2) = g.y_min;
        g.x_lines(4 * i - 1) = xi;
        g.x_lines(4 * i) = g.y_max;
    }
    for (int j = 1; j <= g.n_y; ++j) {
        const float yj = float((j - 1) * double(g.spacing) + double(g.y_min));
        g.y_lines(4 * j - 3) = g.x_min;
        g.y_lines(4 * j - 2) = yj;
        g.y_lines(4 * j - 1) = g.x_max;
        g.y_lines(4 * j) = yj;
    }
}

void grid_draw(const SeaGrid& g, const Camera& c, Shift shift, Surface& pic) {
    const Projector proj(c, shift);
    const Colour white = palette_colour(15);
    Projected a, b;
    auto draw_lines = [&](const Array1& lines, int count) {
        for (int i = 1; i <= count; ++i) {
            const float x1 = float(double(lines(4 * i - 3)) + double(shift.x));
            const float y1 = float(double(lines(4 * i - 2)) + double(shift.y));
            const float x2 = float(double(lines(4 * i - 1)) + double(shift.x));
            const float y2 = float(double(lines(4 * i)) + double(shift.y));
            proj.project(x1, y1, 0.0f, a);
            if (a.vis > 0.5f) pic.pset(a.px, a.py);
            proj.project(x2, y2, 0.0f, b);
            if (a.vis > 0.5f && b.vis > 0.5f) pic.line_to(b.px, b.py, white);
        }
    };
    draw_lines(g.x_lines, g.n_x);
    draw_lines(g.y_lines, g.n_y);
}

float grid_shift(const SeaGrid& g, const Camera& c) {
    if (g.spacing == 0.0f) return 0.0f;
    const double d = g.spacing;
    return float((std::floor(std::fabs(double(c.x_eye) - double(g.x_max)) / d) - 2.0) * d);
}

}  // namespace soar
