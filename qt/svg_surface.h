// The picture as vector lines for slides: a Surface that keeps what is drawn
// since the last clear as lines, polylines, boxes and text in pixel
// coordinates, and writes them as an SVG drawing (QSvgGenerator). The same
// drawing code that paints the raster picture draws here, so the drawing is
// the window's picture at any size, its lines lines, its text text.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/user_scale.h"

namespace soar {

class SvgSurface final : public Surface {
  public:
    SvgSurface(int width_px, int height_px);

    void clear() override;
    void scale(double x1, double y1, double x2, double y2) override;
    double scale_top() const override { return scale_.top; }
    int scale_mode() const override { return scale_.mode; }
    double scale_y_to_pixels(double extent, int from_mode) const override {
        return scale_.extent_y_to_pixels(extent, from_mode);
    }
    double scale_x_to_pixels(double extent, int from_mode) const override {
        return scale_.extent_x_to_pixels(extent, from_mode);
    }
    ScaleSetting scale_setting() const override { return scale_.setting(refused_); }
    void set_scale_setting(const ScaleSetting& setting) override {
        scale_.take(setting);
        refused_ = setting.refused;
    }
    void set_draw_width(int pixels) override;
    void pset(double x, double y) override;
    void set_pen(double x, double y) override;
    double pen_x() const override { return pen_x_; }
    double pen_y() const override { return pen_y_; }
    void line_to(double x, double y, Colour c) override;
    // A run's first vertex starts the polyline (no dot of its own).
    void path(std::span<const PathVertex> vertices, Colour c) override;
    void fill_band(double x1, double x2, double y, int width_px, Colour c) override;
    void fill_box(double x1, double y1, double x2, double y2, Colour c) override;
    void text(double x, double y, std::string_view line, Colour c, int size_px,
              TextAlign align) override;

    // The drawing as an SVG document titled `title`.
    QByteArray svg(const QString& title) const;
    // What is kept (tests): polylines, boxes, texts.
    size_t polylines() const { return lines_.size(); }
    size_t texts() const { return texts_.size(); }

  private:
    struct Polyline {
        Colour c;
        int width;
        std::vector<double> xy;  // pixels
    };
    struct Box {
        double x1, y1, x2, y2;  // pixels
        Colour c;
    };
    struct Text {
        double x, y;  // pixels, the anchor
        std::string line;
        Colour c;
        int size;
        TextAlign align;
    };
    // One segment in pixels; it joins the polyline it continues.
    void segment(double x0, double y0, double x1, double y1, Colour c);

    UserScale scale_;
    bool refused_ = false;
    int width_ = 1;
    double pen_x_ = 0, pen_y_ = 0;
    std::vector<Polyline> lines_;
    std::vector<Box> boxes_;  // drawn in order with the lines: see order_
    std::vector<Text> texts_;
    // The order of everything drawn: 0 a polyline, 1 a box, 2 a text.
    std::vector<unsigned char> order_;
};

}  // namespace soar
