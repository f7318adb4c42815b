#include "view/motion_arrows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/constants.h"
#include "view/projection.h"
#include "view/track_colour.h"

namespace soar {

Colour wind_arrow_colour() {
    return rgb(255, 0, 255);
}
Colour air_arrow_colour() {
    return rgb(255, 255, 255);
}
Colour ground_arrow_colour() {
    return rgb(0, 0, 0);
}

namespace {

constexpr int kArrowWidth = 2;  // pixels

// One arrow from the bird along (vx, vy, vz), m/s.
void arrow(const Projector& proj, Surface& pic, double vx, double vy, double vz, Colour c) {
    Projected base, tip;
    proj.project(0.0f, 0.0f, 0.0f, base);
    proj.project(float(vx * kArrowSeconds), float(vy * kArrowSeconds), float(vz * kArrowSeconds),
                 tip);
    if (base.vis < 0.5f || tip.vis < 0.5f) return;
    const double dx = double(tip.px) - double(base.px), dy = double(tip.py) - double(base.py);
    const double len = std::hypot(dx, dy);
    pic.set_draw_width(kArrowWidth);
    pic.set_pen(base.px, base.py);
    pic.line_to(tip.px, tip.py, c);
    // The head in the picture's plane: two strokes back from the tip at 25
    // degrees, a third of the shaft long and at most 12 pixels.
    const double px_per_unit = std::fabs(pic.scale_x_to_pixels(1.0, pic.scale_mode()));
    if (!(len > 0) || !(px_per_unit > 0)) return;
    const double head = std::min(len / 3.0, 12.0 / px_per_unit);
    const double ux = dx / len, uy = dy / len;
    const double ca = std::cos(25.0 * k::exact_d2r), sa = std::sin(25.0 * k::exact_d2r);
    for (double side : {1.0, -1.0}) {
        const double hx = -(ux * ca - side * uy * sa), hy = -(uy * ca + side * ux * sa);
        pic.set_pen(tip.px, tip.py);
        pic.line_to(double(tip.px) + head * hx, double(tip.py) + head * hy, c);
    }
}

}  // namespace

void draw_motion_arrows(const BirdMotion& m, const Camera& c, Shift shift, Surface& pic) {
    const Projector proj(c, shift);
    arrow(proj, pic, m.wind, 0.0, 0.0, wind_arrow_colour());
    arrow(proj, pic, m.x_air, m.y, m.z, air_arrow_colour());
    arrow(proj, pic, m.x_ground, m.y, m.z, ground_arrow_colour());
    pic.set_draw_width(1);
}

void draw_arrow_legend(Surface& pic) {
    PixelOverlay o(pic);
    const double u = o.unit();
    const int text_px = std::max(8, int(std::lround(12.0 * u)));
    const double x1 = 8.0 * u, x2 = x1 + 196.0 * u;
    const double y2 = o.height() - 8.0 * u, y1 = y2 - 74.0 * u;
    o.box(x1, y1, x2, y2, rgb(150, 150, 150));
    const struct {
        Colour c;
        const char* name;
    } rows[] = {{wind_arrow_colour(), "wind at the bird"},
                {air_arrow_colour(), "velocity through the air"},
                {ground_arrow_colour(), "velocity over the sea"}};
    double y = y1 + 12.0 * u;
    pic.set_draw_width(std::max(2, int(std::lround(2.0 * u))));
    for (const auto& r : rows) {
        pic.set_pen(std::round(x1 + 8.0 * u), std::round(y));
        pic.line_to(std::round(x1 + 32.0 * u), std::round(y), r.c);
        pic.text(x1 + 40.0 * u, y, r.name, palette_colour(0), text_px, TextAlign::left);
        y += 16.0 * u;
    }
    pic.set_draw_width(1);
    char note[64];
    std::snprintf(note, sizeof note, "length: distance in %g s", kArrowSeconds);
    pic.text(x1 + 8.0 * u, y + 2.0 * u, note, palette_colour(0), text_px, TextAlign::left);
}

}  // namespace soar
