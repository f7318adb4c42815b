// Ticks per second of the real window in flight: presses the pattern, "OK" and
// "FLY" through the widgets, then reports the tick rate every ten seconds.
//   soar_window_rate [upwind|downwind|crosswind|circlezoom] [seconds]
// Run it under a display (or QT_QPA_PLATFORM=offscreen).
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/qt/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string pattern = argc > 1 ? argv[1] : "upwind";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    soar::Id option = soar::Id::opt_upwind;
    if (pattern == "downwind") option = soar::Id::opt_downwind;
    if (pattern == "crosswind") option = soar::Id::opt_crosswind;
    if (pattern == "circlezoom") option = soar::Id::opt_circlezoom;

    soar::MainWindow window;
    window.start();
    window.show();
    auto press = [&](soar::Id id) { static_cast<QAbstractButton*>(window.widget(id))->click(); };
    press(option);
    press(soar::Id::cmd_setup);
    press(soar::Id::cmd_RESUME);

    QElapsedTimer clock;
    clock.start();
    int64_t last_ticks = 0;
    qint64 last_ms = 0;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const int64_t ticks = window.state().n_step;
        const qint64 ms = clock.elapsed();
        std::printf(
            "%s t=%6.1f s  flight time %8.2f s  ticks %9lld  %7.0f ticks/s  track %lld points\n",
            pattern.c_str(), ms / 1000.0, double(window.state().t), (long long)ticks,
            double(ticks - last_ticks) * 1000.0 / double(ms - last_ms),
            (long long)window.state().n_trk);
        std::fflush(stdout);
        last_ticks = ticks, last_ms = ms;
        if (!window.model().timer.enabled) {
            std::printf("flight stopped: %s\n", window.model().message.c_str());
            app.quit();
        }
        if (ms >= seconds * 1000LL) app.quit();
    });
    report.start(10000);
    return app.exec();
}
