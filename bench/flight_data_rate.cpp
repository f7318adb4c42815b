// The main window's tick rate with the Flight data window shown and hidden, in
// one run: an upwind flight whose Flight data window is hidden during even
// ten-second stretches (the first from 0 to 10 s) and shown during odd ones.
// Beside the tick rate, the GUI thread's CPU time per second of wall time spent
// on the Flight data window's events (its refresh, layout and painting) and on
// everything else (the ticks, the main window's pictures), measured around the
// outermost event deliveries, so that other programs' load does not count. With a file
// name it also saves a screenshot of the screen (both windows) at 60 s of flight.
//   soar_flight_data_rate [seconds] [screenshot.png]
// Run it under a display (e.g. Xvfb).
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "qt/flight_data_window.h"
#include "qt/main_window.h"

namespace {

double thread_cpu_ms() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) * 1e-6;
}

// Times every outermost event by the top-level window (or owner) it is for.
class TimedApp final : public QApplication {
  public:
    using QApplication::QApplication;
    QObject* data = nullptr;  // the Flight data window
    double data_ms = 0, other_ms = 0;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_ > 0) return QApplication::notify(receiver, event);
        ++depth_;
        const double start = thread_cpu_ms();
        const bool done = QApplication::notify(receiver, event);
        const double ms = thread_cpu_ms() - start;
        --depth_;
        (belongs_to_data(receiver) ? data_ms : other_ms) += ms;
        return done;
    }

  private:
    bool belongs_to_data(QObject* o) const {
        for (; o; o = o->parent())
            if (o == data) return true;
        return false;
    }
    int depth_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    TimedApp app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 80;
    const QString shot = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    soar::MainWindow window;
    window.start();
    window.move(0, 0);
    window.show();
    soar::FlightDataWindow data(window.run());
    app.data = &data;
    data.place_beside_main();  // hidden for the first ten seconds
    auto press = [&](soar::Id id) { static_cast<QAbstractButton*>(window.widget(id))->click(); };
    press(soar::Id::upwind_option);
    press(soar::Id::ok_button);
    press(soar::Id::fly_button);

    QElapsedTimer clock;
    clock.start();
    int64_t last_ticks = 0;
    qint64 last_ms = 0;
    double last_data_ms = 0, last_other_ms = 0;
    int stretch = 0;
    bool shot_taken = shot.isEmpty();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const qint64 ms = clock.elapsed();
        if (!shot_taken && window.state().t >= 60.0f) {
            shot_taken = true;
            QScreen* screen = QGuiApplication::primaryScreen();
            const bool ok = screen && screen->grabWindow(0).save(shot, "PNG");
            std::printf("screenshot at flight time %.2f s: %s\n", double(window.state().t),
                        ok ? "saved" : "FAILED");
        }
        if (ms < (stretch + 1) * 10000LL) return;
        const int64_t ticks = window.session().ticks();
        const double wall = double(ms - last_ms);
        std::printf(
            "%5.1f s  Flight data %-6s %7.0f ticks/s  GUI thread: Flight data %5.1f %%, "
            "rest %5.1f %%  (flight time %7.2f s)\n",
            ms / 1000.0, data.isVisible() ? "shown" : "hidden",
            double(ticks - last_ticks) * 1000.0 / wall, 100.0 * (app.data_ms - last_data_ms) / wall,
            100.0 * (app.other_ms - last_other_ms) / wall, double(window.state().t));
        std::fflush(stdout);
        last_ticks = ticks, last_ms = ms;
        last_data_ms = app.data_ms, last_other_ms = app.other_ms;
        ++stretch;
        data.setVisible(stretch % 2 == 1);
        if (ms >= seconds * 1000LL) app.quit();
    });
    poll.start(20);
    return app.exec();
}
