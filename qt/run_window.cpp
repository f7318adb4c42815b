#include "qt/run_window.h"

#include <QApplication>
#include <QMessageBox>
#include <csignal>
#include <cstdio>
#include <string>

#include "qt/display_probe.h"
#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "qt/params_dialog.h"
#include "qt/remembered_settings.h"

namespace soar {

int run_window(int argc, char** argv) {
    // Qt aborts the program when it cannot open its display: asked first.
    std::string why;
    if (!display_reachable(argc, argv, why)) {
        std::fprintf(stderr,
                     "soarcalculus: no display (%s): the window needs X11 or Wayland; the fly, "
                     "render and export-geometry commands run without one\n",
                     why.c_str());
        return 2;
    }
    // A save to a pipe whose reader went away fails with its reason; it does not
    // end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // --reset-settings: the program starts from its defaults and forgets what it kept.
    const bool reset = RememberedSettings::take_reset_option(argc, argv);
    QApplication app(argc, argv);
    RememberedSettings settings(RememberedSettings::user_path());
    if (reset) settings.forget();
    MainWindow window;  // the machine's clock; export files in the current directory
    // END, or closing the window, ends the program at once.
    QObject::connect(&window, &MainWindow::ended, &app, [&app] { app.exit(0); });
    window.start();
    if (window.shown().ended) return 0;
    FlightDataWindow data(window.run());
    // The Parameters dialog: F3 in either window, or the Flight data window's button.
    ParamsDialog params(window.run());
    params.listen_for_shortcut(&data);
    QObject::connect(&data, &FlightDataWindow::parameters_wanted, &params,
                     &ParamsDialog::open_for_main);
    // The windows as they were left, else the main window with the Flight data
    // window beside it (F2 hides and shows it).
    if (!settings.restore(window.run(), data, &params)) {
        window.show();
        data.place_beside_main();
        data.show();
    }
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&] { settings.save(window.run(), data, &params); });
    QObject::connect(&window, &MainWindow::forget_settings_wanted, &window, [&] {
        const auto answer = QMessageBox::question(
            &window, QStringLiteral("Forget remembered settings"),
            QStringLiteral("Forget the windows' places, the pace, the charts' span, the "
                           "parameters and the folders kept from earlier runs? The next start "
                           "begins from the defaults; nothing of this run is kept."));
        if (answer != QMessageBox::Yes) return;
        if (!settings.forget())
            QMessageBox::warning(&window, QStringLiteral("Forget remembered settings"),
                                 QStringLiteral("%1 could not be removed.").arg(settings.path()));
    });
    return app.exec();
}

}  // namespace soar
