// The main window started and shown with its Flight data window beside it, as
// the program opens them; the window tests that need both start from here.
#pragma once

#include <QtTest>
#include <memory>

#include "qt/flight_data_window.h"
#include "qt/main_window.h"

// True once the Flight data window is on the screen.
inline bool open_main_and_flight_data(std::unique_ptr<soar::MainWindow>& main,
                                      std::unique_ptr<soar::FlightDataWindow>& data,
                                      bool beside_main = false) {
    main = std::make_unique<soar::MainWindow>();
    main->start();
    main->show();
    data = std::make_unique<soar::FlightDataWindow>(main->run());
    if (beside_main) data->place_beside_main();
    data->show();
    return QTest::qWaitForWindowExposed(data.get());
}
