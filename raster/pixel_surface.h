// The picture box as a plain pixel buffer, without any toolkit: the surface the
// web page draws on (and any program that wants the picture's pixels without
// Qt). 0xAARRGGBB pixels, rows one after another, the same pixels as the
// window's raster picture for the same drawing: one-pixel lines through the
// pixels that hold their points, wide lines, dots, bands and boxes over the
// pixels whose centres they cover. It has no fonts: text is left out, as a
// Surface may.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/surface.h"
#include "platform/user_scale.h"

namespace soar {

class PixelSurface final : public Surface {
  public:
    static constexpr uint32_t kBackground = 0xFF8080FF;  // RGB(128, 128, 255)

    // 833 x 667 pixels, as the picture box; sizes below 1 are held to 1.
    explicit PixelSurface(int width_px = 833, int height_px = 667);

    // A new buffer of this size, cleared; the scale (in user units), pen and
    // width are kept, so the same drawing calls draw the same picture larger.
    void resize(int width_px, int height_px);

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
    void set_pen(double x, double y) override { pen_x_ = x, pen_y_ = y; }
    double pen_x() const override { return pen_x_; }
    double pen_y() const override { return pen_y_; }
    void line_to(double x, double y, Colour c) override;
    void fill_band(double x1, double x2, double y, int width_px, Colour c) override;
    void fill_box(double x1, double y1, double x2, double y2, Colour c) override;

    int width() const { return w_; }
    int height() const { return h_; }
    std::span<const uint32_t> pixels() const { return pixels_; }
    uint32_t pixel(int x, int y) const { return pixels_[size_t(y) * size_t(w_) + size_t(x)]; }

  private:
    void thin_line(double x0, double y0, double x1, double y1, uint32_t colour);
    void cell_line(int ix0, int iy0, int ix1, int iy1, uint32_t colour);
    void wide_line(double x0, double y0, double x1, double y1, uint32_t colour);
    void fill_span(int row, int first, int last, uint32_t colour);

    std::vector<uint32_t> pixels_;
    int w_ = 1, h_ = 1;
    double x_edge_ = 0, y_edge_ = 0;  // the largest pixel coordinates inside
    UserScale scale_;
    bool refused_ = false;
    int width_ = 1;
    double pen_x_ = 0, pen_y_ = 0;
};

}  // namespace soar
