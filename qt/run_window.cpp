#include "qt/run_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <csignal>
#include <cstdio>
#include <string>

#include "qt/display_probe.h"
#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "qt/params_dialog.h"
#include "qt/program_window.h"
#include "qt/quit_signals.h"
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
    // The form, owned by the program's window from here on.
    auto* form = new MainWindow;  // the machine's clock; export files in the current directory
    MainWindow& window = *form;
    // END, or closing the window, ends the program at once.
    QObject::connect(&window, &MainWindow::ended, &app, [&app] { app.exit(0); });
    window.start();
    if (window.shown().ended) {
        delete form;
        return 0;
    }
    ProgramWindow program(form);
    auto* data = new FlightDataWindow(window.run());
    // The Parameters dock: F3 anywhere in the window, or the Flight data window's button.
    auto* params = new ParamsDialog(window.run());
    QObject::connect(data, &FlightDataWindow::parameters_wanted, params,
                     &ParamsDialog::open_for_main);
    program.dock(data, params, data->optimal_loop());
    // A log-out (SIGTERM), a closed terminal (SIGHUP) or Ctrl+C in it (SIGINT)
    // end the program as closing its window does, the settings saved; a video
    // being recorded is not waited for.
    QuitSignals quit_signals([&program](int) { program.close_without_asking(); });
    // The window as it was left, else the form at its standard size (where the
    // screen holds it) with Flight data docked beside it (F2 hides and shows it).
    if (!settings.restore(window.run(), *data, params, &program)) {
        program.show();
        if (const QScreen* screen =
                program.screen() ? program.screen() : QGuiApplication::primaryScreen())
            program.place_first(screen->availableGeometry());
    }
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&] { settings.save(window.run(), *data, params, &program); });
    QObject::connect(&window, &MainWindow::forget_settings_wanted, &window, [&] {
        const auto answer = QMessageBox::question(
            &program, QStringLiteral("Forget remembered settings"),
            QStringLiteral("Forget the windows' places, the pace, the charts' span, the "
                           "parameters and the folders kept from earlier runs? The next start "
                           "begins from the defaults; nothing of this run is kept."));
        if (answer != QMessageBox::Yes) return;
        if (!settings.forget())
            QMessageBox::warning(&program, QStringLiteral("Forget remembered settings"),
                                 QStringLiteral("%1 could not be removed.").arg(settings.path()));
    });
    return app.exec();
}

}  // namespace soar
