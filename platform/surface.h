// Drawing surface: a picture box with a user coordinate system set from two
// corners, a pen position, a pen width in pixels and lines in a colour of the
// 16-colour palette or an RGB colour.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

namespace soar {

// A pen colour: either an index of the classic 16-colour palette or RGB.
struct Colour {
    int16_t palette = -1;  // 0..15, or -1 for a plain RGB colour
    uint8_t r = 0, g = 0, b = 0;

    friend bool operator==(const Colour&, const Colour&) = default;
};

// The 16-colour palette: 0 black, 1 dark blue, 2 green, 4 dark red, 14 yellow, 15 white, ...
Colour palette_colour(int index);
inline Colour rgb(int r, int g, int b) {
    return Colour{-1, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

// Where a line of text stands across its anchor point.
enum class TextAlign { left, centre, right };

// Scale modes of a surface, as its user-scale read-out reports them.
inline constexpr int kScaleUser = 0;
inline constexpr int kScalePixels = 3;

// A surface's user scale as it stands: the corners last accepted, the mode, and
// whether the last request was refused. Another surface of the same size that
// takes it over draws every later primitive onto the same pixels.
// A vertex of a one-colour polyline, in user units; `start` begins a new run
// of the line with a dot there.
struct PathVertex {
    bool start;
    float x, y;
};

struct ScaleSetting {
    double left = 0, top = 0, right = 0, bottom = 0;
    int mode = kScalePixels;
    bool refused = false;
};

class Surface {
  public:
    virtual ~Surface() = default;

    // Erase the picture to the background colour; the pen goes to the origin.
    virtual void clear() = 0;
    // User coordinates: (x1, y1) is the upper-left corner, (x2, y2) the lower-right one.
    // A degenerate scale (zero or non-finite extent) is refused: the surface keeps
    // the scale it had and draws nothing until a valid one is set.
    virtual void scale(double x1, double y1, double x2, double y2) = 0;
    virtual double scale_top() const = 0;
    virtual int scale_mode() const = 0;
    // A vertical extent given in scale mode `from_mode` converted to pixels.
    virtual double scale_y_to_pixels(double extent, int from_mode) const = 0;
    // The same across: the two differ on a picture not of the user scale's shape.
    virtual double scale_x_to_pixels(double extent, int from_mode) const = 0;
    virtual ScaleSetting scale_setting() const = 0;
    virtual void set_scale_setting(const ScaleSetting& setting) = 0;
    virtual void set_draw_width(int pixels) = 0;
    // Plot one point in the foreground colour; the pen moves there.
    virtual void pset(double x, double y) = 0;
    virtual void set_pen(double x, double y) = 0;
    virtual double pen_x() const = 0;
    virtual double pen_y() const = 0;
    // Line from the pen position to (x, y); the pen moves to (x, y).
    virtual void line_to(double x, double y, Colour c) = 0;
    // A horizontal band `width_px` pixels tall centred on y, from x1 to x2 with
    // square ends: what a wide dot at (x1, y) and a line of that width on to
    // (x2, y) cover, which is how it is drawn unless a surface knows a cheaper
    // way to the same pixels. Leaves the draw width at width_px, the pen at (x2, y).
    // A polyline of many vertices in one call: for each vertex, a dot first where
    // it starts a run, then the line from the pen to it. A surface may draw it
    // faster; the pixels and the pen afterwards are those of these calls.
    virtual void path(std::span<const PathVertex> vertices, Colour c) {
        for (const PathVertex& v : vertices) {
            if (v.start) pset(v.x, v.y);
            line_to(v.x, v.y, c);
        }
    }
    virtual void fill_band(double x1, double x2, double y, int width_px, Colour c) {
        set_draw_width(width_px);
        pset(x1, y);
        line_to(x2, y, c);
    }
    // A box filled with colour `c`, corners (x1, y1) and (x2, y2) in user units.
    // Here as a band pulled in at its ends by half its height, which its square
    // ends add back: a surface with a plain fill draws the box itself.
    virtual void fill_box(double x1, double y1, double x2, double y2, Colour c) {
        const int mode = scale_mode();
        const double h_px = std::fabs(scale_y_to_pixels(y2 - y1, mode));
        const double pull = 0.5 * h_px / std::fabs(scale_x_to_pixels(1.0, mode));
        const double left = std::min(x1, x2) + pull, right = std::max(x1, x2) - pull;
        const double mid = 0.5 * (x1 + x2);
        fill_band(left < right ? left : mid, left < right ? right : mid, 0.5 * (y1 + y2),
                  int(std::lround(h_px)), c);
    }
    // One line of text `size_px` pixels tall, centred up and down on (x, y) and
    // placed across by `align`. The pen does not move. A surface without a way
    // to draw text leaves it out: the picture is complete without it.
    virtual void text(double x, double y, std::string_view line, Colour c, int size_px,
                      TextAlign align) {
        (void)x, (void)y, (void)line, (void)c, (void)size_px, (void)align;
    }
};

}  // namespace soar
