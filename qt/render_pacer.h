// The main window's pictures in flight, paced to the screen: ticks do all
// their state work every time, and the picture is drawn only when a frame is
// due, on a render thread of its own (the default) or on the window's thread.
// Either way the picture of a tick is the same, bit for bit. The finished
// picture is shown from the render thread's surface until something needs it
// in the window's own (settle_picture()), so the tick that takes it stays well
// under the timer's interval.
#pragma once

#include <QElapsedTimer>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/frame_renderer.h"
#include "app/session.h"
#include "platform/logged_surface.h"
#include "qt/raster_surface.h"
#include "view/frame.h"

namespace soar {

class RenderPacer {
  public:
    struct Hooks {
        // The picture box is to be painted again.
        std::function<void()> repaint;
        // A drawing failed: the fault is reported (the flight stops).
        std::function<void(const std::string& what)> fault;
    };
    // `picture` is the window's own surface, `log` the log that draws into it;
    // all three outlive the pacer.
    RenderPacer(const Session& session, RasterSurface& picture, LoggedSurface& log, Hooks hooks);
    ~RenderPacer();

    // The surface whose picture the picture box shows: the window's own, or
    // the render thread's from the tick that took a finished picture until it
    // is copied.
    const RasterSurface* const& shown_surface() const { return shown_pic_; }
    bool shows_render_surface() const { return shown_pic_ != &pic_; }
    // The newest tick's picture inputs (the session fills them at each tick).
    Frame& frame() { return frame_; }
    // Nothing of the last tick to draw, and no tick's picture shown: what a
    // handler draws then stands on its own.
    void forget_frame() { frame_.valid = false; }
    void forget_shown() { shown_tick_ = -1; }
    // The tick whose picture is shown, -1 if none of a tick is.
    int64_t shown_tick() const { return shown_tick_; }
    // Pictures drawn in flight since start-up.
    int64_t frames_drawn() const { return frames_drawn_; }

    // The shortest time between two pictures in flight, ms (0: a picture
    // whenever the last one is done).
    double frame_interval_ms() const { return frame_interval_ms_; }
    void set_frame_interval_ms(double ms) { frame_interval_ms_ = ms; }
    // Every tick draws its picture itself (benchmarks, "Write to File").
    bool redraw_every_tick() const { return redraw_every_tick_; }
    void set_redraw_every_tick(bool on) { redraw_every_tick_ = on; }
    void set_render_thread(bool on);
    bool render_thread() const { return renderer_ != nullptr; }
    // Waits until the render thread has finished the picture it is drawing.
    void finish_render() const {
        if (renderer_) renderer_->wait();
    }
    // The render thread done with; what it drew is older than what comes now.
    void drop_render();
    // The render thread done with, its picture collected if it is the newest.
    void collect_render();

    // The picture shown copied into the window's surface, if it is still on
    // the render thread's: before anything draws there or hands the next
    // picture off.
    void settle_picture();
    // A new flight began at this tick: the renderer's copy of the track restarts.
    void note_tick();
    // The last tick's picture drawn now if the one shown is older.
    void draw_current_frame();
    // A tick that drew its own picture (every tick drawing).
    void drew_tick_here() {
        frame_.valid = false;
        ++frames_drawn_;
    }
    // After a tick's state work: a frame when one is due, and the last tick's
    // picture when the flight has stopped, or a finished one from the render
    // thread. `changed`: another picture is shown; `handed`: one went to the
    // render thread.
    struct TickPicture {
        bool changed = false, handed = false;
    };
    TickPicture picture_after_tick(bool flying);
    // A new size of the picture in pixels: both surfaces made anew.
    void resize(QSize pixels, bool smooth, double ratio);
    void set_smooth_lines(bool on, double ratio);

  private:
    // The render thread's finished picture, if it is still the newest to show.
    void collect_frame();
    // A frame is due: handed to the render thread if it is idle (else
    // dropped), or drawn here without one. True if a picture was handed off.
    bool frame_due();
    template <class Draw>
    void guarded(Draw&& draw);

    const Session& session_;
    RasterSurface& pic_;
    LoggedSurface& log_;
    Hooks hooks_;
    const RasterSurface* shown_pic_;
    Frame frame_;
    int64_t shown_tick_ = -1;
    QElapsedTimer frame_clock_;
    double next_frame_ms_ = 0;
    double frame_interval_ms_ = 1000.0 / 60.0;
    bool redraw_every_tick_ = false;
    // The render thread and the picture it draws into. handed_tick_: the tick
    // handed off and not yet collected, -1 if none or if pic_ has been drawn
    // here since.
    std::unique_ptr<RasterSurface> render_pic_;
    std::unique_ptr<FrameRenderer> renderer_;
    int64_t handed_tick_ = -1;
    int64_t flight_serial_ = 0;
    int64_t frames_drawn_ = 0;
};

}  // namespace soar
