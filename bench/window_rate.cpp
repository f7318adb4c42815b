// The real window in flight after a long flight, without flying it for an hour:
// flies the pattern headless (state work only, 1 ms of clock per tick) to the
// given flight time, then lets the window's own timer run the flight on for the
// measuring time and reports ticks/s, pictures/s and the GUI thread's CPU, next
// to the rate of an empty timer at the same interval measured just before.
//   soar_window_rate PATTERN FLIGHT_SECONDS [MEASURE_SECONDS] [--every-tick]
//                    [--gui-thread] [--flight-data]
// --every-tick: every tick draws its picture (the plain redraw), for comparison.
// --gui-thread: pictures at the screen's pace but drawn on the GUI thread.
// --flight-data: the Flight data window is open beside it, its charts over the
// whole flight (the span whose data grows with the flight).
// Before measuring, the window shows two pictures, ticked in turn with the render
// thread: the first hand-off copies the whole flown-ahead track at once (and the
// next one grows that copy's storage), which in a flight flown in the window is
// copied a frame's few points at a time.
// Run it under a display (Xvfb) or QT_QPA_PLATFORM=offscreen.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "app/window.h"
#include "platform/clock.h"
#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "sim/names.h"

namespace {

// Manual time while flying ahead, then the machine's time carried on from there.
class BenchClock final : public soar::Clock {
  public:
    float seconds_since_midnight() override {
        if (!real_) return float(manual_);
        return float(offset_ + since_.nsecsElapsed() * 1e-9);
    }
    void advance(double s) { manual_ += s; }
    void go_real() {
        offset_ = manual_;
        since_.start();
        real_ = true;
    }

  private:
    bool real_ = false;
    double manual_ = 1000.0, offset_ = 0;
    QElapsedTimer since_;
};

double thread_cpu_s() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string pattern = soar::mode_name(soar::Mode::upwind);
    double flight_s = 10, measure_s = 30;
    bool every_tick = false, gui_thread = false, flight_data = false;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--every-tick") == 0) {
            every_tick = true;
        } else if (std::strcmp(argv[i], "--gui-thread") == 0) {
            gui_thread = true;
        } else if (std::strcmp(argv[i], "--flight-data") == 0) {
            flight_data = true;
        } else if (positional == 0) {
            pattern = argv[i], ++positional;
        } else if (positional == 1) {
            flight_s = std::atof(argv[i]), ++positional;
        } else {
            measure_s = std::atof(argv[i]);
        }
    }
    // A flying pattern by its name; anything else flies the upwind one.
    const std::optional<soar::Mode> named = soar::mode_named(pattern);
    const bool flies = named && *named != soar::Mode::fixed && *named != soar::Mode::profile;
    const soar::Id option = soar::option_of(flies ? *named : soar::Mode::upwind);

    auto clock_owned = std::make_unique<BenchClock>();
    BenchClock& clock = *clock_owned;
    soar::MainWindow window(std::move(clock_owned));
    window.set_redraw_every_tick(every_tick);
    window.set_render_thread(!gui_thread);
    window.start();
    window.move(0, 0);
    window.show();
    std::unique_ptr<soar::FlightDataWindow> data;
    if (flight_data) {
        data = std::make_unique<soar::FlightDataWindow>(window.run());
        data->span_box()->setCurrentIndex(data->span_box()->count() - 1);  // whole flight
        data->place_beside_main();
        data->show();
    }
    auto press = [&](soar::Id id) { static_cast<QAbstractButton*>(window.widget(id))->click(); };
    press(option);
    press(soar::Id::ok_button);
    const int interval = window.session().tick_interval_ms();

    // The empty timer first, with the window open and idle.
    QElapsedTimer wall;
    int64_t empty_events = 0;
    {
        QTimer empty;
        empty.setTimerType(Qt::PreciseTimer);
        empty.setInterval(interval);
        QObject::connect(&empty, &QTimer::timeout, [&] { ++empty_events; });
        // An event loop of its own: the application's quit() would close the window.
        QEventLoop loop;
        QTimer::singleShot(int(measure_s * 1000 / 3), &loop, &QEventLoop::quit);
        wall.start();
        empty.start();
        loop.exec();
    }
    const double empty_rate = double(empty_events) / (wall.nsecsElapsed() * 1e-9);

    press(soar::Id::fly_button);
    QElapsedTimer ahead;
    ahead.start();
    while (window.session().flying() && double(window.state().t) < flight_s) {
        clock.advance(interval * 1e-3);
        window.tick_without_picture();
    }
    const double ahead_s = ahead.nsecsElapsed() * 1e-9;
    if (!window.session().flying()) {
        std::printf("%s: the flight stopped at %.1f s while flying ahead: %s\n", pattern.c_str(),
                    double(window.state().t), window.shown().message.c_str());
        return 1;
    }
    clock.go_real();
    {
        const double frame_ms = window.frame_interval_ms();
        window.set_frame_interval_ms(0);
        const int64_t shown = window.frames_drawn();
        for (int i = 0; i < 10 && window.frames_drawn() < shown + 2; ++i) {
            window.tick_once();
            window.finish_render();
        }
        window.set_frame_interval_ms(frame_ms);
    }

    int64_t ticks0 = window.session().ticks(), frames0 = window.frames_drawn();
    const double t0 = double(window.state().t);
    double cpu0 = 0;
    QTimer::singleShot(0, [&] {
        ticks0 = window.session().ticks(), frames0 = window.frames_drawn();
        cpu0 = thread_cpu_s();
        wall.start();
    });
    bool still_flying = true;
    QEventLoop loop;
    QTimer::singleShot(int(measure_s * 1000), &loop, [&] {
        still_flying = window.session().flying();
        loop.quit();
    });
    loop.exec();
    const double secs = wall.nsecsElapsed() * 1e-9;
    const double cpu = thread_cpu_s() - cpu0;
    const double ticks = double(window.session().ticks() - ticks0);
    const double frames = double(window.frames_drawn() - frames0);
    std::printf(
        "%-10s %s%s flight %7.1f -> %7.1f s  track %9lld points  %7.1f ticks/s  %5.1f frames/s  "
        "GUI CPU %5.1f %%  empty %d ms timer %7.1f events/s  (ticks %.1f %% of it; flown ahead in "
        "%.1f s)%s\n",
        pattern.c_str(),
        every_tick   ? "every-tick"
        : gui_thread ? "gui-thread"
                     : "paced     ",
        flight_data ? " +Flight data" : "", t0, double(window.state().t),
        (long long)window.session().scene().tracks.n, ticks / secs, frames / secs,
        100.0 * cpu / secs, interval, empty_rate, 100.0 * ticks / secs / empty_rate, ahead_s,
        still_flying ? "" : "  [flight stopped]");
    return 0;
}
