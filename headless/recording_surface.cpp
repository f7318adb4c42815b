#include "headless/recording_surface.h"

namespace soar {

RecordingSurface::RecordingSurface(int width_px, int height_px, bool keep) : keep_(keep) {
    scale_.width_px = width_px;
    scale_.height_px = height_px;
    scale_.right = width_px;
    scale_.bottom = height_px;
}

void RecordingSurface::add(Primitive p) {
    if (keep_) list_.push_back(p);
}

void RecordingSurface::clear() {
    list_.clear();
    ++clears_;
    lines_ = 0;
    pen_x_ = pen_y_ = 0;
}

void RecordingSurface::scale(double x1, double y1, double x2, double y2) {
    if (!scale_.set(x1, y1, x2, y2)) return;
    add({Primitive::Op::scale, x1, y1, x2, y2, width_, {}});
}

void RecordingSurface::set_draw_width(int pixels) {
    width_ = pixels < 1 ? 1 : pixels;
    add({Primitive::Op::width, 0, 0, 0, 0, width_, {}});
}

void RecordingSurface::pset(double x, double y) {
    pen_x_ = x, pen_y_ = y;
    add({Primitive::Op::pset, x, y, 0, 0, width_, {}});
}

void RecordingSurface::set_pen(double x, double y) {
    pen_x_ = x, pen_y_ = y;
    add({Primitive::Op::pen, x, y, 0, 0, width_, {}});
}

void RecordingSurface::line_to(double x, double y, Colour c) {
    add({Primitive::Op::line, x, y, pen_x_, pen_y_, width_, c});
    pen_x_ = x, pen_y_ = y;
    ++lines_;
}

}  // namespace soar
