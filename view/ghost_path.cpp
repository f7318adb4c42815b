#include "view/ghost_path.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "view/projection.h"

namespace soar {

Colour ghost_colour() {
    return rgb(255, 225, 120);
}

void draw_ghost(const GhostPath& g, const Camera& c, Surface& pic) {
    const size_t n = g.x.size();
    if (n < 2) return;
    const Projector proj(c, Shift{});
    const Colour colour = ghost_colour();
    Projected p;
    bool drawing = false;  // the pen stands at the last visible point
    for (size_t k = 0; k <= n; ++k) {
        const size_t i = k % n;
        proj.project(g.x[i], g.y[i], g.z[i], p);
        // A point behind the observer breaks the line; the next visible one
        // starts it again.
        if (p.vis <= 0.5f) {
            drawing = false;
        } else if (!drawing) {
            pic.set_pen(p.px, p.py);
            drawing = true;
        } else {
            pic.line_to(p.px, p.py, colour);
        }
    }
}

double distance_to_ghost(const GhostPath& g, double X, double Y, double Z) {
    const size_t n = g.x.size();
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double ax = g.x[i], ay = g.y[i], az = g.z[i];
        const double dx = double(g.x[j]) - ax, dy = double(g.y[j]) - ay, dz = double(g.z[j]) - az;
        const double len2 = dx * dx + dy * dy + dz * dz;
        // The segment's point nearest the bird: its projection held to the segment.
        double s = 0.0;
        if (len2 > 0.0)
            s = std::clamp(((X - ax) * dx + (Y - ay) * dy + (Z - az) * dz) / len2, 0.0, 1.0);
        const double ex = ax + s * dx - X, ey = ay + s * dy - Y, ez = az + s * dz - Z;
        best = std::min(best, ex * ex + ey * ey + ez * ez);
    }
    return std::sqrt(best);
}

}  // namespace soar
