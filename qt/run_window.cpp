#include "qt/run_window.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <string>

#include "qt/display_probe.h"
#include "qt/flight_data_window.h"
#include "qt/main_window.h"
#include "qt/params_dialog.h"

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
    QApplication app(argc, argv);
    MainWindow window;  // the machine's clock; export files in the current directory
    // END, or closing the window, ends the program at once.
    QObject::connect(&window, &MainWindow::ended, &app, [&app] { app.exit(0); });
    window.start();
    if (window.model().ended) return 0;
    window.show();
    // The Flight data window opens beside it (F2 hides and shows it).
    FlightDataWindow data(window);
    data.place_beside_main();
    data.show();
    // The Parameters dialog: F3 in either window, or the Flight data window's button.
    ParamsDialog params(window);
    params.listen_for_shortcut(&data);
    QObject::connect(&data, &FlightDataWindow::parameters_wanted, &params,
                     &ParamsDialog::open_for_main);
    return app.exec();
}

}  // namespace soar
