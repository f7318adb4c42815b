#include "qt/svg_surface.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "qt/raster_surface.h"

namespace soar {

namespace {

QColor colour_of(const Colour& c) {
    return QColor(c.r, c.g, c.b);
}

// Cuts the segment to the box (Liang-Barsky); false when none of it is inside.
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

}  // namespace

SvgSurface::SvgSurface(int width_px, int height_px) {
    scale_.width_px = std::max(1, width_px);
    scale_.height_px = std::max(1, height_px);
    scale_.right = scale_.width_px;
    scale_.bottom = scale_.height_px;
}

void SvgSurface::clear() {
    pen_x_ = pen_y_ = 0;
    lines_.clear(), boxes_.clear(), texts_.clear(), order_.clear();
}

void SvgSurface::scale(double x1, double y1, double x2, double y2) {
    refused_ = !scale_.set(x1, y1, x2, y2);
}

void SvgSurface::set_draw_width(int pixels) {
    width_ = std::clamp(pixels, 1, 32767);
}

void SvgSurface::set_pen(double x, double y) {
    pen_x_ = x, pen_y_ = y;
}

void SvgSurface::pset(double x, double y) {
    pen_x_ = x, pen_y_ = y;
    if (refused_) return;
    // A dot: a black square of the pen's width.
    const double px = scale_.px(x), py = scale_.py(y), r = 0.5 * width_;
    if (!std::isfinite(px) || !std::isfinite(py)) return;
    if (px < -r || py < -r || px > scale_.width_px + r || py > scale_.height_px + r) return;
    boxes_.push_back({px - r, py - r, px + r, py + r, palette_colour(0)});
    order_.push_back(1);
}

void SvgSurface::segment(double x0, double y0, double x1, double y1, Colour c) {
    if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))) return;
    const double m = width_ + 2.0;
    const double cx0 = x0, cy0 = y0;
    if (!clip(x0, y0, x1, y1, -m, -m, scale_.width_px + m, scale_.height_px + m)) return;
    const bool joins = !order_.empty() && order_.back() == 0 && lines_.back().c == c &&
                       lines_.back().width == width_ && x0 == cx0 && y0 == cy0 &&
                       lines_.back().xy[lines_.back().xy.size() - 2] == x0 &&
                       lines_.back().xy.back() == y0;
    if (!joins) {
        lines_.push_back({c, width_, {x0, y0}});
        order_.push_back(0);
    }
    lines_.back().xy.push_back(x1);
    lines_.back().xy.push_back(y1);
}

void SvgSurface::line_to(double x, double y, Colour c) {
    const double x0 = scale_.px(pen_x_), y0 = scale_.py(pen_y_);
    pen_x_ = x, pen_y_ = y;
    if (refused_) return;
    segment(x0, y0, scale_.px(x), scale_.py(y), c);
}

void SvgSurface::path(std::span<const PathVertex> vertices, Colour c) {
    for (const PathVertex& v : vertices) {
        if (v.start) {
            pen_x_ = v.x, pen_y_ = v.y;
            continue;
        }
        line_to(v.x, v.y, c);
    }
}

void SvgSurface::fill_band(double x1, double x2, double y, int width_px, Colour c) {
    set_draw_width(width_px);
    pen_x_ = x2, pen_y_ = y;
    if (refused_) return;
    // The band with its square ends, clipped to the picture.
    const double h = 0.5 * width_;
    const double a = std::min(scale_.px(x1), scale_.px(x2)) - h;
    const double b = std::max(scale_.px(x1), scale_.px(x2)) + h;
    const double py = scale_.py(y);
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(py)) return;
    const double W = scale_.width_px, H = scale_.height_px;
    const Box box{std::clamp(a, 0.0, W), std::clamp(py - h, 0.0, H), std::clamp(b, 0.0, W),
                  std::clamp(py + h, 0.0, H), c};
    if (box.x2 <= box.x1 || box.y2 <= box.y1) return;
    boxes_.push_back(box);
    order_.push_back(1);
}

void SvgSurface::fill_box(double x1, double y1, double x2, double y2, Colour c) {
    if (refused_) return;
    const double ax = scale_.px(x1), bx = scale_.px(x2), ay = scale_.py(y1), by = scale_.py(y2);
    if (!(std::isfinite(ax) && std::isfinite(bx) && std::isfinite(ay) && std::isfinite(by))) return;
    boxes_.push_back({std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by), c});
    order_.push_back(1);
}

void SvgSurface::text(double x, double y, std::string_view line, Colour c, int size_px,
                      TextAlign align) {
    if (refused_ || line.empty()) return;
    const double px = scale_.px(x), py = scale_.py(y);
    if (!std::isfinite(px) || !std::isfinite(py)) return;
    texts_.push_back({px, py, std::string(line), c, std::clamp(size_px, 1, 1000), align});
    order_.push_back(2);
}

QByteArray SvgSurface::svg(const QString& title) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator gen;
    gen.setOutputDevice(&buffer);
    gen.setSize(QSize(scale_.width_px, scale_.height_px));
    gen.setViewBox(QRect(0, 0, scale_.width_px, scale_.height_px));
    gen.setTitle(title);
    QPainter p(&gen);
    p.setClipRect(QRectF(0, 0, scale_.width_px, scale_.height_px));
    p.fillRect(QRectF(0, 0, scale_.width_px, scale_.height_px),
               QColor::fromRgb(RasterSurface::kBackground));
    size_t li = 0, bi = 0, ti = 0;
    for (unsigned char kind : order_) {
        if (kind == 0) {
            const Polyline& l = lines_[li++];
            QPolygonF poly;
            poly.reserve(qsizetype(l.xy.size() / 2));
            for (size_t i = 0; i + 1 < l.xy.size(); i += 2) poly << QPointF(l.xy[i], l.xy[i + 1]);
            QPen pen(colour_of(l.c), l.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(poly);
        } else if (kind == 1) {
            const Box& b = boxes_[bi++];
            p.fillRect(QRectF(QPointF(b.x1, b.y1), QPointF(b.x2, b.y2)), colour_of(b.c));
        } else {
            const Text& t = texts_[ti++];
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(t.size);
            const QFontMetricsF metrics(font);
            const QString q = QString::fromStdString(t.line);
            const double w = metrics.horizontalAdvance(q);
            double x = t.x;
            if (t.align == TextAlign::centre) x -= 0.5 * w;
            if (t.align == TextAlign::right) x -= w;
            p.setFont(font);
            p.setPen(colour_of(t.c));
            p.drawText(QPointF(x, t.y + 0.5 * (metrics.ascent() - metrics.descent())), q);
        }
    }
    p.end();
    return bytes;
}

}  // namespace soar
