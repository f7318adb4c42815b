#include "platform/qt/run_window.h"

#include <QApplication>

#include "platform/qt/flight_data_window.h"
#include "platform/qt/main_window.h"

namespace soar {

int run_window(int argc, char** argv) {
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
    return app.exec();
}

}  // namespace soar
