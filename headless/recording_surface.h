// A drawing surface that keeps, in order, every primitive drawn since the last
// clear. Tests read the list; the command line uses it as its headless picture.
#pragma once

#include <vector>

#include "platform/surface.h"
#include "platform/user_scale.h"

namespace soar {

struct Primitive {
    enum class Op { scale, width, pset, pen, line };
    Op op;
    double x = 0, y = 0;    // user units (scale: upper-left corner)
    double x2 = 0, y2 = 0;  // scale: lower-right corner; line: start point
    int width = 1;          // pen width in force
    Colour colour{};
};

class RecordingSurface final : public Surface {
  public:
    explicit RecordingSurface(int width_px = 833, int height_px = 667, bool keep = true);

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
    ScaleSetting scale_setting() const override { return scale_.setting(false); }
    void set_scale_setting(const ScaleSetting& setting) override { scale_.take(setting); }
    void set_draw_width(int pixels) override;
    void pset(double x, double y) override;
    void set_pen(double x, double y) override;
    double pen_x() const override { return pen_x_; }
    double pen_y() const override { return pen_y_; }
    void line_to(double x, double y, Colour c) override;

    const std::vector<Primitive>& primitives() const { return list_; }
    const UserScale& user_scale() const { return scale_; }
    int draw_width() const { return width_; }
    long clears() const { return clears_; }
    long lines() const { return lines_; }  // lines drawn since the last clear

  private:
    void add(Primitive p);

    UserScale scale_;
    bool keep_;  // false: count only, keep no list (long command-line runs)
    std::vector<Primitive> list_;
    int width_ = 1;
    double pen_x_ = 0, pen_y_ = 0;
    long clears_ = 0, lines_ = 0;
};

}  // namespace soar
