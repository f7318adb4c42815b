#include "qt/raster_surface.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "qt/video_output.h"

namespace soar {

namespace {

// Widest pen the surface draws with; wider requests are held to it (a band that
// tall covers any picture anyway).
constexpr int kMaxWidth = 32767;

// Cuts the segment (x0, y0)-(x1, y1) to the box [lo_x, hi_x] x [lo_y, hi_y]
// (Liang-Barsky). False when nothing of it lies inside. Keeps far-off points of
// the perspective projection out of the integer pixel arithmetic.
bool clip(double& x0, double& y0, double& x1, double& y1, double lo_x, double lo_y, double hi_x,
          double hi_y) {
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - lo_x, hi_x - x0, y0 - lo_y, hi_y - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;  // parallel to this edge and outside it
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

QRgb rgb_of(const Colour& c) {
    return qRgb(c.r, c.g, c.b);
}

}  // namespace

RasterSurface::RasterSurface(int width_px, int height_px) {
    allocate(width_px, height_px);
    scale_.right = scale_.width_px;
    scale_.bottom = scale_.height_px;
}

void RasterSurface::allocate(int width_px, int height_px) {
    if (painting_) painter_.end();
    painting_ = false;
    pixels_ = nullptr;
    image_ = QImage();
    clear_pending_ = false;
    row_fresh_.clear();
    pen_width_ = -1;
    // A size that is not positive, or an image too big to allocate, leaves an
    // inert surface: it keeps its scale and pen but draws nothing (see ok()).
    if (width_px > 0 && height_px > 0) image_ = QImage(width_px, height_px, QImage::Format_RGB32);
    scale_.width_px = image_.isNull() ? 1 : image_.width();
    scale_.height_px = image_.isNull() ? 1 : image_.height();
    w_px_ = h_px_ = 0;
    if (image_.isNull()) return;
    image_.fill(kBackground);
    painting_ = painter_.begin(&image_);
    if (!painting_) return;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setBrush(Qt::NoBrush);
    // The painter has made the image's buffer its own; the thin lines write
    // into the same buffer directly. Nothing here detaches the image again: it
    // is only handed out as a const reference.
    pixels_ = reinterpret_cast<QRgb*>(image_.bits());
    stride_ = image_.bytesPerLine() / static_cast<int>(sizeof(QRgb));
    w_px_ = image_.width(), h_px_ = image_.height();
    x_edge_ = std::nextafter(static_cast<double>(image_.width()), 0.0);
    y_edge_ = std::nextafter(static_cast<double>(image_.height()), 0.0);
}

bool RasterSurface::resize(int width_px, int height_px) {
    allocate(width_px, height_px);
    return painting_;
}

void RasterSurface::set_smooth_lines(bool on, double width_px) {
    smooth_ = on;
    smooth_width_ = std::clamp(width_px, 0.5, 16.0);
}

RasterSurface::~RasterSurface() {
    if (painting_) painter_.end();
}

void RasterSurface::use_pen(QRgb colour) {
    if (colour == pen_colour_ && width_ == pen_width_) return;
    pen_colour_ = colour;
    pen_width_ = width_;
    // Square caps: a thick line covers its ends as a picture box's line does, so
    // a thick horizontal line fills a band exactly its width tall.
    QPen pen(QColor::fromRgb(colour), width_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter_.setPen(pen);
}

void RasterSurface::clear() {
    pen_x_ = pen_y_ = 0;
    if (!painting_) return;
    clear_pending_ = true;
    row_fresh_.assign(size_t(h_px_), 0);
}

void RasterSurface::settle() const {
    if (!clear_pending_) return;
    clear_pending_ = false;
    for (int row = 0; row < h_px_; ++row)
        if (!row_fresh_[size_t(row)])
            std::fill_n(pixels_ + ptrdiff_t(row) * stride_, w_px_, kBackground);
}

void RasterSurface::fill_band(double x1, double x2, double y, int width_px, Colour c) {
    set_draw_width(width_px);
    set_pen(x1, y);
    if (clear_pending_ && !refused_ && band_over_pending_clear(x1, x2, y, rgb_of(c))) {
        pen_x_ = x2, pen_y_ = y;
        return;
    }
    line_to(x2, y, c);
}

// The band is drawn as line_to draws it; only what is cleared around it differs.
// Its rows are predicted from its edges, and the prediction is checked on the
// pixels rather than trusted: the rows just outside it and its first and last
// rows are cleared beforehand, so that afterwards its first and last rows are
// wholly its colour only if the band painted them, and the rows outside still
// hold what they held only if it did not paint them. A horizontal band is a
// rectangle: painting its first and last rows whole it paints those between.
bool RasterSurface::band_over_pending_clear(double x1, double x2, double y, QRgb colour) {
    if (colour == kBackground) return false;  // its rows would not tell
    const double half = width_ * 0.5;
    const double px1 = scale_.px(x1), px2 = scale_.px(x2), py = scale_.py(y);
    constexpr double kFar = 1e9;  // pixels; also false for NaN and infinities
    if (!(std::fabs(px1) < kFar && std::fabs(px2) < kFar && std::fabs(py) < kFar)) return false;
    if (!(std::min(px1, px2) - half <= 0.0 && std::max(px1, px2) + half >= w_px_)) return false;
    // Rows beyond the picture are not painted: the band's rows are those within.
    const int first = std::max(0, static_cast<int>(std::ceil(py - half - 0.5)));
    const int last = std::min(h_px_ - 1, static_cast<int>(std::ceil(py + half - 0.5)) - 1);
    if (first > last) return false;

    const auto row_at = [&](int row) { return pixels_ + ptrdiff_t(row) * stride_; };
    const auto make_fresh = [&](int row) {
        if (row < 0 || row >= h_px_ || row_fresh_[size_t(row)]) return;
        std::fill_n(row_at(row), w_px_, kBackground);
        row_fresh_[size_t(row)] = 1;
    };
    for (int row : {first - 1, first, last, last + 1}) make_fresh(row);
    std::vector<QRgb> above, below;
    if (first > 0) above.assign(row_at(first - 1), row_at(first - 1) + w_px_);
    if (last + 1 < h_px_) below.assign(row_at(last + 1), row_at(last + 1) + w_px_);
    // A neighbour already wholly the band's colour would not show the band there.
    const auto all_of = [&](const QRgb* p, QRgb value) {
        return std::all_of(p, p + w_px_, [value](QRgb q) { return q == value; });
    };
    if ((first > 0 && all_of(above.data(), colour)) ||
        (last + 1 < h_px_ && all_of(below.data(), colour)))
        return false;

    wide_line(px1, py, px2, py, colour);

    const bool as_predicted =
        all_of(row_at(first), colour) && all_of(row_at(last), colour) &&
        (first == 0 || std::equal(above.begin(), above.end(), row_at(first - 1))) &&
        (last + 1 == h_px_ || std::equal(below.begin(), below.end(), row_at(last + 1)));
    if (!as_predicted) {
        // Rows it painted outside the prediction may still be marked stale: the
        // picture is cleared the ordinary way and the band drawn again over it.
        settle();
        wide_line(px1, py, px2, py, colour);
        return true;
    }
    std::fill(row_fresh_.begin() + first, row_fresh_.begin() + last + 1, 1);
    return true;
}

void RasterSurface::fill_box(double x1, double y1, double x2, double y2, Colour c) {
    if (!painting_ || refused_) return;
    settle();
    const double ax = scale_.px(x1), bx = scale_.px(x2), ay = scale_.py(y1), by = scale_.py(y2);
    if (!(std::isfinite(ax) && std::isfinite(bx) && std::isfinite(ay) && std::isfinite(by))) return;
    // Pixel i's centre is i + 0.5: the first inside is ceil(lo - 0.5).
    const auto first = [](double lo, int n) {
        return int(std::clamp(std::ceil(lo - 0.5), 0.0, double(n)));
    };
    const int i0 = first(std::min(ax, bx), w_px_), i1 = first(std::max(ax, bx), w_px_);
    const int j0 = first(std::min(ay, by), h_px_), j1 = first(std::max(ay, by), h_px_);
    const QRgb colour = rgb_of(c);
    for (int j = j0; j < j1; ++j)
        std::fill(pixels_ + ptrdiff_t(j) * stride_ + i0, pixels_ + ptrdiff_t(j) * stride_ + i1,
                  colour);
}

void RasterSurface::text(double x, double y, std::string_view line, Colour c, int size_px,
                         TextAlign align) {
    if (!painting_ || refused_ || line.empty()) return;
    ensure_gui_application();
    settle();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::clamp(size_px, 1, 1000));
    const QFontMetricsF metrics(font);
    const QString q = QString::fromUtf8(line.data(), qsizetype(line.size()));
    const double w = metrics.horizontalAdvance(q);
    double px = scale_.px(x);
    if (align == TextAlign::centre) px -= 0.5 * w;
    if (align == TextAlign::right) px -= w;
    const double baseline = scale_.py(y) + 0.5 * (metrics.ascent() - metrics.descent());
    if (!std::isfinite(px) || !std::isfinite(baseline)) return;
    painter_.setFont(font);
    painter_.setPen(QColor::fromRgb(rgb_of(c)));
    pen_width_ = -1;  // the line pen is set again before the next line
    painter_.drawText(QPointF(px, baseline), q);
}

void RasterSurface::take_drawing_state(const RasterSurface& other) {
    scale_ = other.scale_;
    refused_ = other.refused_;
    width_ = other.width_;
    pen_x_ = other.pen_x_, pen_y_ = other.pen_y_;
}

bool RasterSurface::take_pixels(const RasterSurface& other) {
    if (!painting_ || !other.painting_ || image_.size() != other.image_.size() ||
        stride_ != other.stride_)
        return false;
    other.settle();
    clear_pending_ = false;  // every pixel is replaced
    // The painter writes straight into the buffer (no batching), so the pixels
    // are complete once the other surface's drawing has returned.
    std::memcpy(pixels_, other.pixels_, size_t(stride_) * size_t(image_.height()) * sizeof(QRgb));
    return true;
}

void RasterSurface::scale(double x1, double y1, double x2, double y2) {
    refused_ = !scale_.set(x1, y1, x2, y2);
}

void RasterSurface::set_draw_width(int pixels) {
    width_ = std::clamp(pixels, 1, kMaxWidth);
}

void RasterSurface::set_pen(double x, double y) {
    pen_x_ = x, pen_y_ = y;
}

void RasterSurface::pset(double x, double y) {
    pen_x_ = x, pen_y_ = y;
    if (!painting_ || refused_) return;
    settle();
    const double px = scale_.px(x), py = scale_.py(y);
    const double reach = width_ + 2.0;
    if (!(px > -reach && px < image_.width() + reach && py > -reach &&
          py < image_.height() + reach))
        return;  // also false for NaN
    if (width_ <= 1) {
        if (smooth_) {
            smooth_dot(px, py, qRgb(0, 0, 0));
            return;
        }
        thin_dot(px, py);
        return;
    }
    // A wide point is a round dot: the pixels whose centres lie within half the
    // pen's width of the point.
    const double r = width_ * 0.5;
    const QColor black(0, 0, 0);
    const int y_first = std::max(0, static_cast<int>(std::floor(py - r)));
    const int y_last = std::min(image_.height() - 1, static_cast<int>(std::ceil(py + r)));
    for (int row = y_first; row <= y_last; ++row) {
        const double d = row + 0.5 - py;
        if (std::fabs(d) > r) continue;
        const double half = std::sqrt(r * r - d * d);
        const int x_first = std::max(0, static_cast<int>(std::ceil(px - half - 0.5)));
        const int x_last =
            std::min(image_.width() - 1, static_cast<int>(std::floor(px + half - 0.5)));
        if (x_first <= x_last) painter_.fillRect(x_first, row, x_last - x_first + 1, 1, black);
    }
}

void RasterSurface::line_to(double x, double y, Colour c) {
    double x0 = scale_.px(pen_x_), y0 = scale_.py(pen_y_);
    double x1 = scale_.px(x), y1 = scale_.py(y);
    pen_x_ = x, pen_y_ = y;
    if (!painting_ || refused_) return;
    settle();
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    if (width_ <= 1) {
        if (smooth_) {
            smooth_line(x0, y0, x1, y1, rgb_of(c));
            return;
        }
        thin_line(x0, y0, x1, y1, rgb_of(c));
        return;
    }
    wide_line(x0, y0, x1, y1, rgb_of(c));
}

void RasterSurface::wide_line(double x0, double y0, double x1, double y1, QRgb colour) {
    // A thick line covers the pixels whose centres lie within half its width of
    // the exact line. Its edges are not rounded: the sky band and the sea band,
    // two thick lines whose widths and centres are each rounded from the
    // horizon's position, then meet at the horizon without a gap row.
    const double reach = width_ + 2.0;
    if (!clip(x0, y0, x1, y1, -reach, -reach, image_.width() + reach, image_.height() + reach))
        return;
    use_pen(colour);
    painter_.drawLine(QLineF(x0, y0, x1, y1));
}

// What pset and line_to draw for each vertex, without a call per vertex: each
// vertex's pixel coordinates, whether it lies in the picture and, if so, its
// pixel are computed once and carried to the next line as its start, the very
// values line_to would compute again from the pen. A line between two vertices
// in the picture needs no clipping, and most of a long track's lines join
// neighbouring pixels: those are just their two end pixels.
void RasterSurface::path(std::span<const PathVertex> vertices, Colour c) {
    if (vertices.empty()) return;
    if (painting_ && !refused_) settle();
    if (width_ > 1 || !painting_ || refused_) {
        Surface::path(vertices, c);
        return;
    }
    if (smooth_) {
        smooth_path(vertices, rgb_of(c));
        return;
    }
    const QRgb colour = rgb_of(c);
    // The scale as UserScale::px and py use it, held in locals: the pixel writes
    // below would otherwise make the compiler read it again for every vertex.
    const double left = scale_.left, top = scale_.top;
    const double w_scale = scale_.width_px, h_scale = scale_.height_px;
    const double x_extent = scale_.right - left, y_extent = scale_.bottom - top;
    const double right = x_edge_, bottom = y_edge_;
    const auto inside = [&](double x, double y) {
        return x >= 0.0 && x <= right && y >= 0.0 && y <= bottom;
    };
    // A line whose ends both lie more than a pixel beyond the same edge of the
    // picture draws nothing; within +-1e15 pixels the rounding of clip() cannot
    // make it reach the picture (the margin is above 1e-15 of the distances).
    const double far_right = w_px_ + 1.0, far_bottom = h_px_ + 1.0;
    const auto beyond_one_edge = [&](double xa, double ya, double xb, double yb) {
        constexpr double kFar = 1e15;
        if (!(std::fabs(xa) < kFar && std::fabs(ya) < kFar && std::fabs(xb) < kFar &&
              std::fabs(yb) < kFar))
            return false;
        return (xa < -1.0 && xb < -1.0) || (xa > far_right && xb > far_right) ||
               (ya < -1.0 && yb < -1.0) || (ya > far_bottom && yb > far_bottom);
    };
    QRgb* const pixels = pixels_;
    const ptrdiff_t stride = stride_;
    double x0 = scale_.px(pen_x_), y0 = scale_.py(pen_y_);
    bool in0 = inside(x0, y0);
    // In the picture a coordinate is at least 0, where truncation is floor().
    int ix0 = in0 ? static_cast<int>(x0) : 0, iy0 = in0 ? static_cast<int>(y0) : 0;
    for (const PathVertex& v : vertices) {
        const double x1 = (double(v.x) - left) * w_scale / x_extent;
        const double y1 = (double(v.y) - top) * h_scale / y_extent;
        const bool in1 = inside(x1, y1);
        if (in1) {
            const int ix1 = static_cast<int>(x1), iy1 = static_cast<int>(y1);
            const int dx = ix1 - ix0, dy = iy1 - iy0;
            if (v.start) {
                // The dot, then the line from it to itself in the line's colour.
                pixels[iy1 * stride + ix1] = colour;
            } else if (in0 && static_cast<unsigned>(dx + 1) <= 2u &&
                       static_cast<unsigned>(dy + 1) <= 2u) {
                pixels[iy0 * stride + ix0] = colour;  // touching pixels, or one
                pixels[iy1 * stride + ix1] = colour;
            } else if (in0) {
                cell_line(ix0, iy0, ix1, iy1, colour);
            } else if (std::isfinite(x0) && std::isfinite(y0)) {
                thin_line(x0, y0, x1, y1, colour);
            }
            ix0 = ix1, iy0 = iy1;
        } else if (!v.start && !beyond_one_edge(x0, y0, x1, y1) && std::isfinite(x0) &&
                   std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1)) {
            thin_line(x0, y0, x1, y1, colour);
        }
        // A run starting off the picture draws nothing: its dot's pixel is not
        // in the picture, and the line from the dot to itself clips away.
        x0 = x1, y0 = y1, in0 = in1;
    }
    pen_x_ = vertices.back().x, pen_y_ = vertices.back().y;
}

// A one-pixel line runs through the pixels that hold its points (pixel (i, j) is
// the square [i, i + 1) x [j, j + 1)), both ends included. This is the bulk of
// every picture (tracks, grid, bird), so it is drawn straight into the buffer.
void RasterSurface::thin_dot(double px, double py) {
    if (!(px > -3.0 && px < w_px_ + 3.0 && py > -3.0 && py < h_px_ + 3.0))
        return;  // also false for NaN
    const int ix = static_cast<int>(std::floor(px)), iy = static_cast<int>(std::floor(py));
    if (ix >= 0 && ix < w_px_ && iy >= 0 && iy < h_px_)
        pixels_[static_cast<ptrdiff_t>(iy) * stride_ + ix] = qRgb(0, 0, 0);
}

void RasterSurface::thin_line(double x0, double y0, double x1, double y1, QRgb colour) {
    const double right = x_edge_, bottom = y_edge_;
    const auto inside = [&](double x, double y) {
        return x >= 0.0 && x <= right && y >= 0.0 && y <= bottom;
    };
    if (!(inside(x0, y0) && inside(x1, y1)) && !clip(x0, y0, x1, y1, 0.0, 0.0, right, bottom))
        return;
    // The clipped ends can stray a rounding error past the box: the pixel indices
    // are clamped, so no write ever leaves the image.
    const int w_last = w_px_ - 1, h_last = h_px_ - 1;
    cell_line(std::clamp(static_cast<int>(std::floor(x0)), 0, w_last),
              std::clamp(static_cast<int>(std::floor(y0)), 0, h_last),
              std::clamp(static_cast<int>(std::floor(x1)), 0, w_last),
              std::clamp(static_cast<int>(std::floor(y1)), 0, h_last), colour);
}

void RasterSurface::cell_line(int ix0, int iy0, int ix1, int iy1, QRgb colour) {
    QRgb* p = pixels_ + static_cast<ptrdiff_t>(iy0) * stride_ + ix0;
    const int dx = ix1 - ix0, dy = iy1 - iy0;
    const int adx = std::abs(dx), ady = -std::abs(dy);
    const int sx = dx > 0 ? 1 : -1;
    const ptrdiff_t step_y = dy > 0 ? stride_ : -stride_;
    int err = adx + ady;
    // Bresenham. Along a line mostly across every step moves one pixel across
    // (2 err >= ady holds throughout), along one mostly down every step moves
    // one pixel down: the steps are counted off, and only the other direction
    // is tested.
    if (adx >= -ady) {
        for (int left = adx;; --left) {
            *p = colour;
            if (left == 0) break;  // no step past the line's end
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

// Smoothed lines: QPainter's antialiased pen, round at the ends and joins. Far
// points are brought to a box a little larger than the picture first (the
// rasteriser's fixed-point coordinates would overflow on the far points of the
// perspective projection).
namespace {
constexpr double kSmoothReach = 4096.0;  // pixels beyond the picture
}

void RasterSurface::smooth_line(double x0, double y0, double x1, double y1, QRgb colour) {
    if (!clip(x0, y0, x1, y1, -kSmoothReach, -kSmoothReach, w_px_ + kSmoothReach,
              h_px_ + kSmoothReach))
        return;
    QPen pen(QColor::fromRgb(colour), smooth_width_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter_.setPen(pen);
    pen_width_ = -1;  // the line pen is set again before the next wide line
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.drawLine(QLineF(x0, y0, x1, y1));
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

void RasterSurface::smooth_dot(double px, double py, QRgb colour) {
    if (!(px > -3.0 && px < w_px_ + 3.0 && py > -3.0 && py < h_px_ + 3.0)) return;
    QPen pen(QColor::fromRgb(colour), smooth_width_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter_.setPen(pen);
    pen_width_ = -1;
    painter_.setRenderHint(QPainter::Antialiasing, true);
    // The pixel's centre, where the one-pixel dot lies.
    painter_.drawPoint(QPointF(std::floor(px) + 0.5, std::floor(py) + 0.5));
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

void RasterSurface::smooth_path(std::span<const PathVertex> vertices, QRgb colour) {
    QPen pen(QColor::fromRgb(colour), smooth_width_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter_.setPen(pen);
    pen_width_ = -1;
    painter_.setRenderHint(QPainter::Antialiasing, true);
    const double lo_x = -kSmoothReach, lo_y = -kSmoothReach;
    const double hi_x = w_px_ + kSmoothReach, hi_y = h_px_ + kSmoothReach;
    const auto near = [&](double x, double y) {
        return x >= lo_x && x <= hi_x && y >= lo_y && y <= hi_y;
    };
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() == 1) painter_.drawPoint(run.front());
        if (run.size() > 1) painter_.drawPolyline(run);
        run.clear();
    };
    double x0 = scale_.px(pen_x_), y0 = scale_.py(pen_y_);
    for (const PathVertex& v : vertices) {
        const double x1 = scale_.px(v.x), y1 = scale_.py(v.y);
        if (v.start) {
            flush();
            if (near(x1, y1)) run.append(QPointF(x1, y1));
        } else if (near(x0, y0) && near(x1, y1)) {
            if (run.isEmpty()) run.append(QPointF(x0, y0));
            run.append(QPointF(x1, y1));
        } else {
            flush();
            double a = x0, b = y0, c = x1, d = y1;
            if (std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
                clip(a, b, c, d, lo_x, lo_y, hi_x, hi_y))
                painter_.drawLine(QLineF(a, b, c, d));
        }
        x0 = x1, y0 = y1;
    }
    flush();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    pen_x_ = vertices.back().x, pen_y_ = vertices.back().y;
}

void ensure_gui_application() {
    if (QCoreApplication::instance() != nullptr) return;
    // Offscreen: the command line has no display, and a picture needs none.
    static int argc = 3;
    static char name[] = "soarcalculus", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Its notes on an environment without a desktop session (no runtime
    // folder) concern nothing a picture needs: not shown.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QGuiApplication* app = new QGuiApplication(argc, argv);  // until the program ends
    (void)app;
    qInstallMessageHandler(previous);
}

RasterSupport qt_raster_support() {
    RasterSupport support;
    // Never a null surface: one that cannot be allocated is inert, and saving
    // it reports why.
    support.make = [](int width_px, int height_px) -> std::unique_ptr<Surface> {
        return std::make_unique<RasterSurface>(width_px, height_px);
    };
    support.encode_png = [](Surface& surface, std::string& bytes, std::string& error) {
        const auto* raster = dynamic_cast<const RasterSurface*>(&surface);
        if (raster == nullptr) {
            error = "the picture is not a raster image";
            return false;
        }
        if (!raster->ok()) {
            error = "no picture of that size could be made";
            return false;
        }
        // Into memory: the file itself is written by the caller's atomic writer, so
        // a full disk never meets the PNG encoder half-way.
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(raster->image())) {
            error = writer.errorString().toStdString();
            if (error.empty()) error = "the PNG encoder failed";
            return false;
        }
        bytes.assign(data.constData(), size_t(data.size()));
        return true;
    };
    support.open_video = [](const std::string& path, int width_px, int height_px, int fps,
                            std::string& error) -> std::unique_ptr<FrameSink> {
        return raster_video_sink(
            module_video_opener()(path, VideoFormat{width_px, height_px, fps}, error));
    };
    return support;
}

}  // namespace soar
