// A surface in front of another that keeps what has been drawn since the last
// clear, so the same picture can be drawn again on a surface of another size
// (the window's picture after the window was resized, or on a screen of
// another pixel density). Every call goes on to the surface behind at once.
//
// The log stands for the picture only while everything drawn on the surface
// behind came through here: whoever draws there directly calls forget(), and
// drawing with the log paused (set_logging(false)) does the same.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace soar {

class LoggedSurface final : public Surface {
  public:
    explicit LoggedSurface(Surface& target);

    // The surface behind (another after a resize); the log is kept.
    void set_target(Surface& target) { target_ = &target; }
    Surface& target() const { return *target_; }
    // While off, state calls pass unlogged and a drawing call forgets the log.
    void set_logging(bool on) { logging_ = on; }
    // The picture behind is no longer the log's (drawn there directly).
    void forget() { complete_ = false; }
    // True when the log holds the whole picture behind.
    bool complete() const { return complete_; }
    // The logged picture drawn again on the surface behind: its state at the
    // last clear, the clear and every call since; the scale, pen and width as
    // they were before the call. False (nothing drawn) when the log is not
    // complete.
    bool redraw() const;
    // Calls in the log (tests).
    size_t logged() const { return log_.size(); }

    void clear() override;
    void scale(double x1, double y1, double x2, double y2) override;
    double scale_top() const override { return target_->scale_top(); }
    int scale_mode() const override { return target_->scale_mode(); }
    double scale_y_to_pixels(double extent, int from_mode) const override {
        return target_->scale_y_to_pixels(extent, from_mode);
    }
    double scale_x_to_pixels(double extent, int from_mode) const override {
        return target_->scale_x_to_pixels(extent, from_mode);
    }
    ScaleSetting scale_setting() const override { return target_->scale_setting(); }
    void set_scale_setting(const ScaleSetting& setting) override;
    void set_draw_width(int pixels) override;
    void pset(double x, double y) override;
    void set_pen(double x, double y) override;
    double pen_x() const override { return target_->pen_x(); }
    double pen_y() const override { return target_->pen_y(); }
    void line_to(double x, double y, Colour c) override;
    void path(std::span<const PathVertex> vertices, Colour c) override;
    void fill_band(double x1, double x2, double y, int width_px, Colour c) override;
    void fill_box(double x1, double y1, double x2, double y2, Colour c) override;
    void text(double x, double y, std::string_view line, Colour c, int size_px,
              TextAlign align) override;

  private:
    enum class Op { scale, setting, width, pset, pen, line, path, band, box, text };
    struct Call {
        Op op;
        double a = 0, b = 0, c = 0, d = 0;
        int n = 0;         // width, text size, alignment, path: first vertex in `vertices_`
        size_t count = 0;  // path: vertices; text: index in `texts_`
        Colour colour{};
        ScaleSetting setting{};
    };
    // A state call: logged, or passed on unlogged while the log is paused.
    void state(const Call& c);
    // A drawing call: logged, or the log forgotten while it is paused.
    void draw(const Call& c);
    void play(const Call& c, Surface& s) const;

    Surface* target_;
    bool logging_ = true;
    bool complete_ = true;  // a new surface is clear
    // The state the surface behind had at the last clear.
    ScaleSetting start_scale_;
    int start_width_ = 1;
    int width_ = 1;  // the width in force (surfaces do not report theirs)
    std::vector<Call> log_;
    std::vector<PathVertex> vertices_;
    std::vector<std::string> texts_;
};

}  // namespace soar
