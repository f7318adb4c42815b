// The picture box as a raster image: a Surface that paints with QPainter into a
// QImage. The picture stays between calls until it is cleared, as a picture box
// keeps what was drawn on it; the window shows the image, the command line saves
// it as PNG.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <vector>

#include "app/cli.h"
#include "platform/surface.h"
#include "platform/user_scale.h"

namespace soar {

class RasterSurface final : public Surface {
  public:
    // 833 x 667 pixels: the picture box's 12500 x 10000 twips at 15 twips per pixel.
    static constexpr int kDefaultWidth = 833;
    static constexpr int kDefaultHeight = 667;
    static constexpr QRgb kBackground = 0xFF8080FF;  // RGB(128, 128, 255)

    explicit RasterSurface(int width_px = kDefaultWidth, int height_px = kDefaultHeight);
    ~RasterSurface() override;
    RasterSurface(const RasterSurface&) = delete;
    RasterSurface& operator=(const RasterSurface&) = delete;

    // False when the image could not be allocated (absurd sizes): nothing is drawn.
    bool ok() const { return painting_; }
    // A new image of this size, cleared; the scale (in user units), pen and
    // width are kept, so the same drawing calls draw the same picture larger
    // or smaller. False when it could not be allocated (then nothing is drawn).
    bool resize(int width_px, int height_px);
    // Lines of width 1 drawn smoothed (antialiased, `width_px` wide) instead of
    // as the one-pixel lines of the picture box; wider lines, dots of the wide
    // pen, bands and boxes are drawn as before.
    void set_smooth_lines(bool on, double width_px = 1.0);
    bool smooth_lines() const { return smooth_; }

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
    // One-pixel polylines straight into the buffer; wider ones as line_to draws them.
    void path(std::span<const PathVertex> vertices, Colour c) override;
    // The wide line alone: its square ends already cover the dot. After clear(),
    // the rows a band paints whole need no clearing first (see below).
    void fill_band(double x1, double x2, double y, int width_px, Colour c) override;
    // The pixels whose centres lie inside the box.
    void fill_box(double x1, double y1, double x2, double y2, Colour c) override;
    // Through Qt's fonts (a sans-serif face), antialiased. Qt's fonts need a
    // QGuiApplication: the first text makes one when the program has none.
    void text(double x, double y, std::string_view line, Colour c, int size_px,
              TextAlign align) override;

    // The picture as drawn so far. It is the live buffer: take a copy() to keep a
    // picture across later drawing.
    const QImage& image() const {
        settle();
        return image_;
    }
    const UserScale& user_scale() const { return scale_; }
    int draw_width() const { return width_; }

    // What a drawing carries from one call to the next (scale, pen width and
    // position), taken from `other`, so that a drawing here continues exactly
    // as it would have there.
    void take_drawing_state(const RasterSurface& other);
    // The pixels of `other` (same size), nothing else: this surface keeps its
    // scale, pen and width. False, and nothing changed, when the sizes differ.
    bool take_pixels(const RasterSurface& other);

  private:
    void allocate(int width_px, int height_px);
    // The smoothed drawing of a one-pixel line, dot or polyline, pixel coordinates.
    void smooth_line(double x0, double y0, double x1, double y1, QRgb colour);
    void smooth_dot(double px, double py, QRgb colour);
    void smooth_path(std::span<const PathVertex> vertices, QRgb colour);
    // clear() is put off: a picture of a moving view begins with the sky and sea
    // bands, which paint every row, so clearing those rows first is wasted. Rows
    // neither cleared nor known to be painted whole since clear() are cleared
    // here, before anything else is drawn and before the picture is read.
    void settle() const;
    // The band drawn on a picture whose clear is put off, if it spans the width:
    // true when the rows it painted are known (and marked), false when the band
    // is still to be drawn the ordinary way.
    bool band_over_pending_clear(double x1, double x2, double y, QRgb colour);
    void wide_line(double x0, double y0, double x1, double y1, QRgb colour);
    void use_pen(QRgb colour);
    void thin_line(double x0, double y0, double x1, double y1, QRgb colour);
    // The one-pixel line from pixel (ix0, iy0) to pixel (ix1, iy1), both in the
    // image, ends included.
    void cell_line(int ix0, int iy0, int ix1, int iy1, QRgb colour);
    // A one-pixel dot at pixel coordinates (px, py).
    void thin_dot(double px, double py);

    QImage image_;
    QPainter painter_;  // open for the surface's whole life: no begin/end per call
    bool painting_ = false;
    QRgb* pixels_ = nullptr;  // the image's buffer, rows `stride_` pixels apart
    int stride_ = 0;
    // The largest pixel coordinates inside the picture: just short of its right
    // and bottom edges, which belong to no pixel.
    double x_edge_ = 0, y_edge_ = 0;
    int w_px_ = 0, h_px_ = 0;  // the image's size, kept here for the per-pixel paths
    UserScale scale_;
    bool refused_ = false;  // the last scale asked for was degenerate: draw nothing
    int width_ = 1;
    double pen_x_ = 0, pen_y_ = 0;
    // The put-off clear: pending, and per row whether it is cleared or painted
    // whole since (only read while pending). Mutable: the picture is settled
    // before it is read, also through the const accessors.
    mutable bool clear_pending_ = false;
    mutable std::vector<unsigned char> row_fresh_;
    // The pen the painter holds now, so that a run of lines sets it only once.
    QRgb pen_colour_ = 0;
    int pen_width_ = -1;
    bool smooth_ = false;
    double smooth_width_ = 1.0;
};

// A QGuiApplication for the fonts of the pictures' text, made on the offscreen
// platform when the program has none (the command line). Main thread only.
void ensure_gui_application();

// The raster picture and PNG writer for the command line's `render`.
RasterSupport qt_raster_support();

}  // namespace soar
