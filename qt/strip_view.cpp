#include "qt/strip_view.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QWheelEvent>
#include <QtCharts/QAbstractSeries>
#include <QtCharts/QChart>
#include <QtCharts/QValueAxis>
#include <cmath>
#include <limits>

#include "qt/read_out_text.h"

namespace soar {

namespace {

constexpr int kDragPixels = 4;  // a press that moves less is a click

}  // namespace

void label_value_axis(QCategoryAxis& axis, const AxisRange& range, int digits) {
    for (const QString& label : axis.categoriesLabels()) axis.remove(label);
    axis.setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    if (!(range.tick > 0) || !(range.hi > range.lo)) return;
    const double first = std::ceil(range.lo / range.tick - 1e-9);
    const double last = std::floor(range.hi / range.tick + 1e-9);
    // Each label at the upper end of its category: the first category starts
    // a tick below the axis, out of sight.
    axis.setStartValue((first - 1.0) * range.tick);
    for (double k = first; k <= last; ++k) {
        const double v = k * range.tick;
        axis.append(fixed_text(v, digits), v);
    }
}

QByteArray svg_in_whole_pixels(const QByteArray& svg, QSize size) {
    const qsizetype open = svg.indexOf("<svg");
    const qsizetype close = open < 0 ? -1 : svg.indexOf('>', open);
    if (close < 0) return svg;
    QString head = QString::fromUtf8(svg.mid(open, close - open));
    static const QRegularExpression width(QStringLiteral("\\bwidth=\"[^\"]*\""));
    static const QRegularExpression height(QStringLiteral("\\bheight=\"[^\"]*\""));
    head.replace(width, QStringLiteral("width=\"%1\"").arg(size.width()));
    head.replace(height, QStringLiteral("height=\"%1\"").arg(size.height()));
    return svg.left(open) + head.toUtf8() + svg.mid(close);
}

StripView::StripView(QChart* chart, QWidget* parent)
    : QChartView(chart, parent), cursor_(std::numeric_limits<double>::quiet_NaN()) {
    setMouseTracking(true);
    setRubberBand(QChartView::NoRubberBand);
    // The cursor line stands over the chart, which draws again only what
    // changed under it: when the time axis or the plot moves, the whole view is
    // drawn again, or the old line would stay in places.
    const auto draw_all = [this] { viewport()->update(); };
    for (QAbstractAxis* axis : chart->axes(Qt::Horizontal))
        if (auto* time = qobject_cast<QValueAxis*>(axis))
            connect(time, &QValueAxis::rangeChanged, this, draw_all);
    connect(chart, &QChart::plotAreaChanged, this, draw_all);
}

void StripView::set_cursor_time(double t) {
    const bool same = (std::isnan(t) && std::isnan(cursor_)) || t == cursor_;
    if (same) return;
    cursor_ = t;
    // The line is drawn over the chart: the scene's foreground alone changes.
    viewport()->update();
}

double StripView::time_at(QPoint pos) const {
    QChart* c = chart();
    if (c->series().isEmpty()) return std::numeric_limits<double>::quiet_NaN();
    const QPointF in_chart = c->mapFromScene(mapToScene(pos));
    if (!c->plotArea().adjusted(-1, -1, 1, 1).contains(in_chart))
        return std::numeric_limits<double>::quiet_NaN();
    return c->mapToValue(in_chart, c->series().front()).x();
}

QPoint StripView::point_at(double t) const {
    QChart* c = chart();
    if (c->series().isEmpty()) return {};
    const QPointF p = c->mapToPosition(QPointF(t, 0.0), c->series().front());
    const QPointF in_chart(p.x(), c->plotArea().center().y());
    return mapFromScene(c->mapToScene(in_chart));
}

void StripView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QChartView::mousePressEvent(event);
        return;
    }
    pressed_ = true;
    dragging_ = false;
    press_pos_ = drag_pos_ = event->position().toPoint();
    event->accept();
}

void StripView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (pressed_) {
        drag_pos_ = pos;
        if (std::abs(pos.x() - press_pos_.x()) >= kDragPixels) dragging_ = true;
        viewport()->update();
    }
    hover(pos);
    event->accept();
}

void StripView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        QChartView::mouseReleaseEvent(event);
        return;
    }
    pressed_ = false;
    const QPoint pos = event->position().toPoint();
    if (dragging_) {
        dragging_ = false;
        viewport()->update();
        // The plot's ends where the drag left it.
        QChart* c = chart();
        const QRectF plot = c->plotArea();
        const auto clamped = [&](QPoint p) {
            const QPointF in_chart = c->mapFromScene(mapToScene(p));
            const double x = std::clamp(in_chart.x(), plot.left(), plot.right());
            return c->mapToValue(QPointF(x, plot.center().y()), c->series().front()).x();
        };
        if (c->series().isEmpty()) return;
        const double a = clamped(press_pos_), b = clamped(pos);
        if (std::fabs(b - a) > 0) emit stretch_chosen(std::min(a, b), std::max(a, b));
    } else {
        const double t = time_at(pos);
        if (!std::isnan(t)) emit time_clicked(t);
    }
    event->accept();
}

void StripView::mouseDoubleClickEvent(QMouseEvent* event) {
    pressed_ = dragging_ = false;
    emit reset_asked();
    event->accept();
}

void StripView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    const double t = time_at(event->position().toPoint());
    if (delta == 0 || std::isnan(t)) {
        event->ignore();  // the scroll area scrolls
        return;
    }
    // One notch in: a fifth narrower about the pointer; out: as much wider.
    emit zoom_asked(std::pow(0.8, delta / 120.0), t);
    event->accept();
}

void StripView::leaveEvent(QEvent* event) {
    hover_text_.clear();
    viewport()->update();
    QChartView::leaveEvent(event);
}

void StripView::hover(QPoint pos) {
    const double t = time_at(pos);
    const QString text = std::isnan(t) || !describe_ ? QString() : describe_(t);
    hover_pos_ = pos;
    if (text != hover_text_ || !text.isEmpty()) {
        hover_text_ = text;
        viewport()->update();
    }
}

void StripView::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    QChart* c = chart();
    if (c->series().isEmpty()) return;
    const QRectF plot = c->mapRectToScene(c->plotArea());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    // The moment looked at.
    if (!std::isnan(cursor_)) {
        const QPointF p =
            c->mapToScene(c->mapToPosition(QPointF(cursor_, 0.0), c->series().front()));
        if (p.x() >= plot.left() - 0.5 && p.x() <= plot.right() + 0.5) {
            painter->setPen(QPen(QColor(220, 30, 30), 1));
            painter->drawLine(QPointF(p.x(), plot.top()), QPointF(p.x(), plot.bottom()));
        }
    }
    // The stretch being dragged across.
    if (dragging_) {
        const QPointF a = mapToScene(press_pos_), b = mapToScene(drag_pos_);
        const double x0 = std::clamp(std::min(a.x(), b.x()), plot.left(), plot.right());
        const double x1 = std::clamp(std::max(a.x(), b.x()), plot.left(), plot.right());
        painter->fillRect(QRectF(x0, plot.top(), x1 - x0, plot.height()), QColor(60, 120, 220, 60));
    }
    // Time and value under the pointer, in a box beside it.
    if (!hover_text_.isEmpty()) {
        const QPointF at = mapToScene(hover_pos_);
        painter->setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DotLine));
        painter->drawLine(QPointF(at.x(), plot.top()), QPointF(at.x(), plot.bottom()));
        const QFontMetrics fm(font());
        const QRect box = fm.boundingRect(QRect(0, 0, 400, 200), Qt::AlignLeft, hover_text_)
                              .adjusted(-4, -2, 4, 2);
        QPointF corner(at.x() + 10, plot.top() + 4);
        if (corner.x() + box.width() > plot.right()) corner.setX(at.x() - 10 - box.width());
        const QRectF r(corner, QSizeF(box.size()));
        painter->fillRect(r, palette().color(QPalette::ToolTipBase));
        painter->setPen(palette().color(QPalette::ToolTipText));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        painter->drawText(r.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, hover_text_);
    }
    painter->restore();
}

}  // namespace soar
