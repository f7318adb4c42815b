#include "raster/pixel_surface.h"

#include <algorithm>
#include <cmath>

namespace soar {

namespace {

constexpr int kMaxWidth = 32767;  // widest pen; a band that tall covers any picture

// Cuts the segment to the box [lo_x, hi_x] x [lo_y, hi_y] (Liang-Barsky); false
// when nothing of it lies inside. Far points of the perspective projection stay
// out of the pixel arithmetic.
bool clip(double& x0, double& y0, double& x1, double& y1, double lo_x, double lo_y, double hi_x,
          double hi_y) {
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - lo_x, hi_x - x0, y0 - lo_y, hi_y - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
    }
    if (t1 < 1.0) x1 = x0 + t1 * dx, y1 = y0 + t1 * dy;
    if (t0 > 0.0) x0 = x0 + t0 * dx, y0 = y0 + t0 * dy;
    return true;
}

uint32_t argb(const Colour& c) {
    return 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | uint32_t(c.b);
}

constexpr uint32_t kBlack = 0xFF000000u;

}  // namespace

PixelSurface::PixelSurface(int width_px, int height_px) {
    resize(width_px, height_px);
    scale_.right = scale_.width_px;
    scale_.bottom = scale_.height_px;
}

void PixelSurface::resize(int width_px, int height_px) {
    w_ = std::max(1, width_px);
    h_ = std::max(1, height_px);
    pixels_.assign(size_t(w_) * size_t(h_), kBackground);
    scale_.width_px = w_;
    scale_.height_px = h_;
    x_edge_ = std::nextafter(double(w_), 0.0);
    y_edge_ = std::nextafter(double(h_), 0.0);
}

void PixelSurface::clear() {
    pen_x_ = pen_y_ = 0;
    std::fill(pixels_.begin(), pixels_.end(), kBackground);
}

void PixelSurface::scale(double x1, double y1, double x2, double y2) {
    refused_ = !scale_.set(x1, y1, x2, y2);
}

void PixelSurface::set_draw_width(int pixels) {
    width_ = std::clamp(pixels, 1, kMaxWidth);
}

void PixelSurface::fill_span(int row, int first, int last, uint32_t colour) {
    if (row < 0 || row >= h_) return;
    first = std::max(first, 0);
    last = std::min(last, w_ - 1);
    if (first > last) return;
    uint32_t* p = pixels_.data() + size_t(row) * size_t(w_);
    std::fill(p + first, p + last + 1, colour);
}

void PixelSurface::pset(double x, double y) {
    pen_x_ = x, pen_y_ = y;
    if (refused_) return;
    const double px = scale_.px(x), py = scale_.py(y);
    const double reach = width_ + 2.0;
    if (!(px > -reach && px < w_ + reach && py > -reach && py < h_ + reach)) return;  // and NaN
    if (width_ <= 1) {
        // The one pixel that holds the point.
        const int ix = int(std::floor(px)), iy = int(std::floor(py));
        if (ix >= 0 && ix < w_ && iy >= 0 && iy < h_)
            pixels_[size_t(iy) * size_t(w_) + size_t(ix)] = kBlack;
        return;
    }
    // A wide point is a round dot: the pixels whose centres lie within half the
    // pen's width of the point.
    const double r = width_ * 0.5;
    const int y_first = std::max(0, int(std::floor(py - r)));
    const int y_last = std::min(h_ - 1, int(std::ceil(py + r)));
    for (int row = y_first; row <= y_last; ++row) {
        const double d = row + 0.5 - py;
        if (std::fabs(d) > r) continue;
        const double half = std::sqrt(r * r - d * d);
        fill_span(row, int(std::ceil(px - half - 0.5)), int(std::floor(px + half - 0.5)), kBlack);
    }
}

void PixelSurface::line_to(double x, double y, Colour c) {
    double x0 = scale_.px(pen_x_), y0 = scale_.py(pen_y_);
    double x1 = scale_.px(x), y1 = scale_.py(y);
    pen_x_ = x, pen_y_ = y;
    if (refused_) return;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    if (width_ <= 1)
        thin_line(x0, y0, x1, y1, argb(c));
    else
        wide_line(x0, y0, x1, y1, argb(c));
}

void PixelSurface::fill_band(double x1, double x2, double y, int width_px, Colour c) {
    set_draw_width(width_px);
    set_pen(x1, y);
    line_to(x2, y, c);
}

void PixelSurface::fill_box(double x1, double y1, double x2, double y2, Colour c) {
    if (refused_) return;
    const double ax = scale_.px(x1), bx = scale_.px(x2), ay = scale_.py(y1), by = scale_.py(y2);
    if (!(std::isfinite(ax) && std::isfinite(bx) && std::isfinite(ay) && std::isfinite(by))) return;
    // Pixel i's centre is i + 0.5: the first inside is ceil(lo - 0.5).
    const auto first = [](double lo, int n) {
        return int(std::clamp(std::ceil(lo - 0.5), 0.0, double(n)));
    };
    const int i0 = first(std::min(ax, bx), w_), i1 = first(std::max(ax, bx), w_);
    const int j0 = first(std::min(ay, by), h_), j1 = first(std::max(ay, by), h_);
    for (int j = j0; j < j1; ++j) fill_span(j, i0, i1 - 1, argb(c));
}

// A one-pixel line runs through the pixels that hold its points (pixel (i, j) is
// the square [i, i + 1) x [j, j + 1)), both ends included.
void PixelSurface::thin_line(double x0, double y0, double x1, double y1, uint32_t colour) {
    const double right = x_edge_, bottom = y_edge_;
    const auto inside = [&](double x, double y) {
        return x >= 0.0 && x <= right && y >= 0.0 && y <= bottom;
    };
    if (!(inside(x0, y0) && inside(x1, y1)) && !clip(x0, y0, x1, y1, 0.0, 0.0, right, bottom))
        return;
    const int w_last = w_ - 1, h_last = h_ - 1;
    cell_line(std::clamp(int(std::floor(x0)), 0, w_last),
              std::clamp(int(std::floor(y0)), 0, h_last),
              std::clamp(int(std::floor(x1)), 0, w_last),
              std::clamp(int(std::floor(y1)), 0, h_last), colour);
}

// Bresenham from pixel to pixel, ends included.
void PixelSurface::cell_line(int ix0, int iy0, int ix1, int iy1, uint32_t colour) {
    uint32_t* p = pixels_.data() + ptrdiff_t(iy0) * w_ + ix0;
    const int dx = ix1 - ix0, dy = iy1 - iy0;
    const int adx = std::abs(dx), ady = -std::abs(dy);
    const int sx = dx > 0 ? 1 : -1;
    const ptrdiff_t step_y = dy > 0 ? w_ : -w_;
    int err = adx + ady;
    if (adx >= -ady) {
        for (int left = adx;; --left) {
            *p = colour;
            if (left == 0) break;
            const int e2 = 2 * err;
            err += ady;
            p += sx;
            if (e2 <= adx) {
                err += adx;
                p += step_y;
            }
        }
    } else {
        for (int left = -ady;; --left) {
            *p = colour;
            if (left == 0) break;
            const int e2 = 2 * err;
            if (e2 >= ady) {
                err += ady;
                p += sx;
            }
            err += adx;
            p += step_y;
        }
    }
}

// A wide line with square ends: the rectangle half the width to each side of
// the line and beyond each end. The pixels whose centres lie in it (left and
// top edges in, right and bottom edges out) are painted, row by row.
void PixelSurface::wide_line(double x0, double y0, double x1, double y1, uint32_t colour) {
    const double reach = width_ + 2.0;
    if (!clip(x0, y0, x1, y1, -reach, -reach, w_ + reach, h_ + reach)) return;
    const double h = width_ * 0.5;
    double ux = x1 - x0, uy = y1 - y0;
    const double len = std::sqrt(ux * ux + uy * uy);
    if (len > 0) {
        ux = ux / len * h, uy = uy / len * h;
    } else {
        ux = h, uy = 0;  // a line of no length: the square of the pen
    }
    // Corners in order around the rectangle.
    const double cx[4] = {x0 - ux - uy, x1 + ux - uy, x1 + ux + uy, x0 - ux + uy};
    const double cy[4] = {y0 - uy + ux, y1 + uy + ux, y1 + uy - ux, y0 - uy - ux};
    const double top = std::min({cy[0], cy[1], cy[2], cy[3]});
    const double bottom = std::max({cy[0], cy[1], cy[2], cy[3]});
    const int row_first = std::max(0, int(std::ceil(top - 0.5)));
    const int row_last = std::min(h_ - 1, int(std::ceil(bottom - 0.5)) - 1);
    for (int row = row_first; row <= row_last; ++row) {
        const double yc = row + 0.5;
        double lo = 1e300, hi = -1e300;
        for (int k = 0; k < 4; ++k) {
            const double ax = cx[k], ay = cy[k], bx = cx[(k + 1) % 4], by = cy[(k + 1) % 4];
            if ((ay <= yc && by > yc) || (by <= yc && ay > yc)) {
                const double x = ax + (yc - ay) * (bx - ax) / (by - ay);
                lo = std::min(lo, x), hi = std::max(hi, x);
            }
        }
        if (lo > hi) continue;
        fill_span(row, int(std::ceil(lo - 0.5)), int(std::ceil(hi - 0.5)) - 1, colour);
    }
}

}  // namespace soar
