#include "platform/qt/raster_surface.h"

#include <QImageWriter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <memory>

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

QRgb rgb_of(const Colour& c) { return qRgb(c.r, c.g, c.b); }

}  // namespace

RasterSurface::RasterSurface(int width_px, int height_px)
    : image_(std::max(width_px, 1), std::max(height_px, 1), QImage::Format_RGB32) {
    scale_.width_px = image_.isNull() ? 1 : image_.width();
    scale_.height_px = image_.isNull() ? 1 : image_.height();
    scale_.right = scale_.width_px;
    scale_.bottom = scale_.height_px;
    if (image_.isNull()) return;  // the allocation failed: an inert surface
    image_.fill(kBackground);
    painting_ = painter_.begin(&image_);
    if (!painting_) return;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setBrush(Qt::NoBrush);
    use_pen(qRgb(0, 0, 0));
}

RasterSurface::~RasterSurface() {
    if (painting_) painter_.end();
}

void RasterSurface::use_pen(QRgb colour) {
    if (colour == pen_colour_ && width_ == pen_width_) return;
    pen_colour_ = colour;
    pen_width_ = width_;
    // Width 0 is Qt's one-pixel cosmetic pen, which takes the fast line path.
    // Square caps: a thick line covers its ends as a picture box's line does, so
    // a thick horizontal line fills a band exactly its width tall.
    QPen pen(QColor::fromRgb(colour), width_ <= 1 ? 0 : width_, Qt::SolidLine, Qt::SquareCap,
             Qt::MiterJoin);
    painter_.setPen(pen);
}

void RasterSurface::clear() {
    pen_x_ = pen_y_ = 0;
    if (!painting_) return;
    painter_.fillRect(image_.rect(), QColor::fromRgb(kBackground));
}

void RasterSurface::scale(double x1, double y1, double x2, double y2) {
    refused_ = !scale_.set(x1, y1, x2, y2);
}

void RasterSurface::set_draw_width(int pixels) { width_ = std::clamp(pixels, 1, kMaxWidth); }

void RasterSurface::set_pen(double x, double y) { pen_x_ = x, pen_y_ = y; }

void RasterSurface::pset(double x, double y) {
    pen_x_ = x, pen_y_ = y;
    if (!painting_ || refused_) return;
    const double px = scale_.px(x), py = scale_.py(y);
    const double reach = width_ + 2.0;
    if (!(px > -reach && px < image_.width() + reach && py > -reach &&
          py < image_.height() + reach))
        return;  // also false for NaN
    if (width_ <= 1) {
        use_pen(qRgb(0, 0, 0));
        painter_.drawPoint(static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py)));
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
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    const double reach = width_ + 2.0;
    if (!clip(x0, y0, x1, y1, -reach, -reach, image_.width() + reach, image_.height() + reach))
        return;
    use_pen(rgb_of(c));
    if (width_ <= 1) {
        // A thin line runs through the pixels that hold its points: pixel (i, j)
        // is the square [i, i + 1) x [j, j + 1).
        painter_.drawLine(static_cast<int>(std::floor(x0)), static_cast<int>(std::floor(y0)),
                          static_cast<int>(std::floor(x1)), static_cast<int>(std::floor(y1)));
    } else {
        // A thick line covers the pixels whose centres lie within half its width
        // of the exact line. Its edges are not rounded: the sky band and the sea
        // band, two thick lines whose widths and centres are each rounded from
        // the horizon's position, then meet at the horizon without a gap row.
        painter_.drawLine(QLineF(x0, y0, x1, y1));
    }
}

RasterSupport qt_raster_support() {
    RasterSupport support;
    support.make = [](int width_px, int height_px) -> std::unique_ptr<Surface> {
        if (width_px < 1 || height_px < 1) return nullptr;
        auto surface = std::make_unique<RasterSurface>(width_px, height_px);
        if (!surface->ok()) return nullptr;
        return surface;
    };
    support.save_png = [](Surface& surface, const std::string& path, std::string& error) {
        const auto* raster = dynamic_cast<const RasterSurface*>(&surface);
        if (raster == nullptr) {
            error = "the picture is not a raster image";
            return false;
        }
        if (!raster->ok()) {
            error = "the picture could not be allocated";
            return false;
        }
        QImageWriter writer(QString::fromStdString(path), "png");
        if (!writer.write(raster->image())) {
            error = "cannot write " + path + ": " + writer.errorString().toStdString();
            return false;
        }
        return true;
    };
    return support;
}

}  // namespace soar
