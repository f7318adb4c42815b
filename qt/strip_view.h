// One strip chart of the Flight data window, read closely: a cursor line at
// the moment looked back at, the time and value under the pointer, a click
// that asks for that moment, a drag across that asks for that stretch of time,
// the wheel that asks to zoom about the pointer, a double-click that asks for
// the span chosen again. The window decides what each request does to every
// chart's time axis.
#pragma once

#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChartView>
#include <functional>

#include "record/chart_range.h"

namespace soar {

// Labels a chart's value axis at the whole ticks of `range` (the multiples of
// its tick from lo to hi), each written with `digits` decimals by fixed_text.
// Qt's own value-axis labels add the tick to the label before, and near zero
// the sum is a rounding error below it, printed "-0.0"; here each tick is its
// multiple of the step, exactly 0 at zero, and is shown unsigned.
void label_value_axis(QCategoryAxis& axis, const AxisRange& range, int digits);

// An SVG drawing of `size` pixels with its width and height given as those
// whole pixels: Qt's generator writes them in millimetres at 72 dpi
// ("228.6mm"), which a slide program places at a fraction of its grid.
QByteArray svg_in_whole_pixels(const QByteArray& svg, QSize size);

class StripView final : public QChartView {
    Q_OBJECT

  public:
    StripView(QChart* chart, QWidget* parent);

    // The moment marked by the cursor line, s; NaN for none.
    void set_cursor_time(double t);
    double cursor_time() const { return cursor_; }
    // The pointer's read-out: the text for flight time t (its values).
    void set_describer(std::function<QString(double t)> f) { describe_ = std::move(f); }
    // What the pointer shows now ("" when it is not over the plot).
    const QString& hover_text() const { return hover_text_; }
    // The flight time at a point of the view, NaN outside the plot.
    double time_at(QPoint pos) const;
    // The point of the view at flight time t, on the plot's middle line.
    QPoint point_at(double t) const;

  signals:
    void time_clicked(double t);
    void stretch_chosen(double t0, double t1);
    void zoom_asked(double factor, double about_t);
    void reset_asked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;

  private:
    void hover(QPoint pos);

    double cursor_;
    std::function<QString(double)> describe_;
    QString hover_text_;
    QPoint hover_pos_;
    bool pressed_ = false, dragging_ = false;
    QPoint press_pos_, drag_pos_;
};

}  // namespace soar
