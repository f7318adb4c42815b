#include "qt/render_pacer.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <exception>

namespace soar {

RenderPacer::RenderPacer(const Session& session, RasterSurface& picture, LoggedSurface& log,
                         Hooks hooks)
    : session_(session), pic_(picture), log_(log), hooks_(std::move(hooks)), shown_pic_(&pic_) {
    // The screen's refresh period, at most 60 pictures per second.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const double hz = screen->refreshRate();
        if (hz > 0) frame_interval_ms_ = std::max(1000.0 / hz, 1000.0 / 60.0);
    }
    frame_clock_.start();
}

RenderPacer::~RenderPacer() = default;

template <class Draw>
void RenderPacer::guarded(Draw&& draw) {
    settle_picture();
    try {
        draw();
    } catch (const std::exception& e) {
        hooks_.fault(e.what());
    } catch (...) {
        hooks_.fault("unknown error");
    }
}

void RenderPacer::set_render_thread(bool on) {
    if (on == (renderer_ != nullptr)) return;
    settle_picture();
    if (on) {
        render_pic_ = std::make_unique<RasterSurface>(pic_.image().width(), pic_.image().height());
        if (!render_pic_->ok()) return;  // no second picture: draw here
        renderer_ = std::make_unique<FrameRenderer>(*render_pic_);
    } else {
        renderer_.reset();
        render_pic_.reset();
    }
    handed_tick_ = -1;
}

void RenderPacer::drop_render() {
    if (renderer_) renderer_->wait(), handed_tick_ = -1;
}

void RenderPacer::collect_render() {
    if (!renderer_) return;
    renderer_->wait();
    collect_frame();
    handed_tick_ = -1;
}

void RenderPacer::note_tick() {
    if (session_.ticks() == 1) ++flight_serial_;
}

void RenderPacer::collect_frame() {
    if (!renderer_) return;
    std::string why;
    const int64_t tick = renderer_->take_finished(&why);
    if (!why.empty()) hooks_.fault(why);
    if (tick < 0 || tick != handed_tick_) return;
    handed_tick_ = -1;
    // A picture drawn here since the hand-off is newer; so is a later tick's.
    if (tick <= shown_tick_) return;
    const QImage &mine = pic_.image(), &theirs = render_pic_->image();
    if (!pic_.ok() || !render_pic_->ok() || mine.size() != theirs.size() ||
        mine.bytesPerLine() != theirs.bytesPerLine())
        return;
    // Its pen now, as if it had been drawn here; its pixels are shown from the
    // render thread's surface, and copied into pic_ by the next tick (or
    // whatever comes first to draw or look there): a copy of the whole picture
    // here would make this tick, which also paints the picture, outlast the
    // timer's interval.
    pic_.set_draw_width(render_pic_->draw_width());
    pic_.set_pen(render_pic_->pen_x(), render_pic_->pen_y());
    shown_pic_ = render_pic_.get();
    log_.forget();
    shown_tick_ = tick;
    ++frames_drawn_;
    hooks_.repaint();
}

void RenderPacer::settle_picture() {
    if (shown_pic_ == &pic_) return;
    // The pixels alone: pen and width were taken with the picture, and the
    // ticks since may have moved them on.
    pic_.take_pixels(*render_pic_);
    shown_pic_ = &pic_;  // the same pixels: nothing to repaint
}

bool RenderPacer::frame_due() {
    const double now_ms = frame_clock_.nsecsElapsed() * 1e-6;
    if (!renderer_) {
        draw_current_frame();
        return false;
    }
    collect_frame();
    if (!frame_.valid || frame_.tick == shown_tick_ || renderer_->busy()) return false;
    settle_picture();  // the thread draws over the picture it last drew
    // The picture continues from pic_'s drawing state, as a drawing here would.
    render_pic_->take_drawing_state(pic_);
    if (!renderer_->start(frame_, session_.scene(), session_.bird(), flight_serial_)) return false;
    handed_tick_ = frame_.tick;
    next_frame_ms_ = now_ms + frame_interval_ms_;
    return true;
}

void RenderPacer::draw_current_frame() {
    if (renderer_) {
        // Whatever follows draws into pic_ here: the thread must be done. Its
        // picture counts if it is of the newest tick.
        renderer_->wait();
        collect_frame();
        handed_tick_ = -1;
        settle_picture();
    }
    if (!frame_.valid || frame_.tick == shown_tick_) return;
    guarded([this] { session_.draw(frame_, pic_); });
    log_.forget();
    shown_tick_ = frame_.tick;
    ++frames_drawn_;
    next_frame_ms_ = frame_clock_.nsecsElapsed() * 1e-6 + frame_interval_ms_;
    hooks_.repaint();
}

RenderPacer::TickPicture RenderPacer::picture_after_tick(bool flying) {
    const double now_ms = frame_clock_.nsecsElapsed() * 1e-6;
    const int64_t shown = shown_tick_;
    TickPicture out;
    if (!flying) {
        draw_current_frame();
    } else {
        if (handed_tick_ >= 0) collect_frame();
        // A picture taken in this tick waits for its hand-off until the next.
        if (shown_tick_ == shown && now_ms >= next_frame_ms_) out.handed = frame_due();
    }
    out.changed = shown_tick_ != shown;
    return out;
}

void RenderPacer::resize(QSize pixels, bool smooth, double ratio) {
    const bool threaded = renderer_ != nullptr;
    // Whatever the render thread drew is of the old size: done with first.
    drop_render();
    settle_picture();
    set_render_thread(false);
    pic_.resize(pixels.width(), pixels.height());
    pic_.set_smooth_lines(smooth, ratio);
    if (threaded) set_render_thread(true);
}

void RenderPacer::set_smooth_lines(bool on, double ratio) {
    settle_picture();
    drop_render();
    pic_.set_smooth_lines(on, ratio);
    if (render_pic_) render_pic_->set_smooth_lines(on, ratio);
}

}  // namespace soar
