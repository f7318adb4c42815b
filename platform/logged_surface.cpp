#include "platform/logged_surface.h"

#include <algorithm>
#include <cmath>

namespace soar {

namespace {

// Pixels of the surface per unit of height of its user scale.
double band_pixels_per_unit(const Surface& s) {
    return std::fabs(s.scale_y_to_pixels(1.0, s.scale_mode()));
}

}  // namespace

LoggedSurface::LoggedSurface(Surface& target)
    : target_(&target), start_scale_(target.scale_setting()) {}

void LoggedSurface::state(const Call& c) {
    if (logging_ && complete_) log_.push_back(c);
    play(c, *target_);
}

void LoggedSurface::draw(const Call& c) {
    if (!logging_) {
        complete_ = false;
    } else if (complete_) {
        log_.push_back(c);
    }
    play(c, *target_);
}

void LoggedSurface::clear() {
    target_->clear();
    log_.clear();
    vertices_.clear();
    texts_.clear();
    start_scale_ = target_->scale_setting();
    start_width_ = width_;
    // A clear while the log is paused still leaves a picture the log can hold
    // from here on, once it is resumed.
    complete_ = true;
}

void LoggedSurface::scale(double x1, double y1, double x2, double y2) {
    state({Op::scale, x1, y1, x2, y2});
}

void LoggedSurface::set_scale_setting(const ScaleSetting& setting) {
    Call c{Op::setting};
    c.setting = setting;
    state(c);
}

void LoggedSurface::set_draw_width(int pixels) {
    width_ = pixels;
    Call c{Op::width};
    c.n = pixels;
    state(c);
}

void LoggedSurface::set_pen(double x, double y) {
    state({Op::pen, x, y});
}

void LoggedSurface::pset(double x, double y) {
    draw({Op::pset, x, y});
}

void LoggedSurface::line_to(double x, double y, Colour c) {
    Call call{Op::line, x, y};
    call.colour = c;
    draw(call);
}

void LoggedSurface::path(std::span<const PathVertex> vertices, Colour c) {
    Call call{Op::path};
    call.colour = c;
    call.n = int(vertices_.size());
    call.count = vertices.size();
    if (logging_ && complete_) {
        vertices_.insert(vertices_.end(), vertices.begin(), vertices.end());
        log_.push_back(call);
    } else if (!logging_) {
        complete_ = false;
    }
    target_->path(vertices, c);
}

void LoggedSurface::fill_band(double x1, double x2, double y, int width_px, Colour c) {
    width_ = width_px;
    // The band's width is in pixels of the surface as it is now: its pixels
    // per unit of height go with it, so that on a surface of another size the
    // band covers the same heights (the sky and sea bands, the whole picture).
    Call call{Op::band, x1, x2, y, band_pixels_per_unit(*target_)};
    call.n = width_px;
    call.colour = c;
    draw(call);
}

void LoggedSurface::fill_box(double x1, double y1, double x2, double y2, Colour c) {
    Call call{Op::box, x1, y1, x2, y2};
    call.colour = c;
    draw(call);
}

void LoggedSurface::text(double x, double y, std::string_view line, Colour c, int size_px,
                         TextAlign align) {
    if (!logging_) {
        complete_ = false;
    } else if (complete_) {
        Call call{Op::text, x, y, double(size_px), double(int(align))};
        call.colour = c;
        call.count = texts_.size();
        texts_.emplace_back(line);
        log_.push_back(call);
    }
    target_->text(x, y, line, c, size_px, align);
}

void LoggedSurface::play(const Call& c, Surface& s) const {
    switch (c.op) {
        case Op::scale:
            s.scale(c.a, c.b, c.c, c.d);
            break;
        case Op::setting:
            s.set_scale_setting(c.setting);
            break;
        case Op::width:
            s.set_draw_width(c.n);
            break;
        case Op::pset:
            s.pset(c.a, c.b);
            break;
        case Op::pen:
            s.set_pen(c.a, c.b);
            break;
        case Op::line:
            s.line_to(c.a, c.b, c.colour);
            break;
        case Op::path:
            // Only ever played from the log: the call itself passes the vertices on.
            s.path(std::span<const PathVertex>(vertices_.data() + c.n, c.count), c.colour);
            break;
        case Op::band: {
            const double ratio = band_pixels_per_unit(s) / c.d;
            // Rounded up on another size: bands that met still meet.
            const int width = ratio == 1.0 || !std::isfinite(ratio)
                                  ? c.n
                                  : int(std::min(32767.0, std::ceil(double(c.n) * ratio)));
            s.fill_band(c.a, c.b, c.c, width, c.colour);
            break;
        }
        case Op::box:
            s.fill_box(c.a, c.b, c.c, c.d, c.colour);
            break;
        case Op::text:
            if (c.count < texts_.size())
                s.text(c.a, c.b, texts_[c.count], c.colour, int(c.c), TextAlign(int(c.d)));
            break;
    }
}

bool LoggedSurface::redraw() const {
    if (!complete_) return false;
    Surface& s = *target_;
    const ScaleSetting now = s.scale_setting();
    const double pen_x = s.pen_x(), pen_y = s.pen_y();
    s.set_scale_setting(start_scale_);
    s.set_draw_width(start_width_);
    s.clear();
    for (const Call& c : log_) play(c, s);
    s.set_scale_setting(now);
    s.set_draw_width(width_);
    s.set_pen(pen_x, pen_y);
    return true;
}

}  // namespace soar
