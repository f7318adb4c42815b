// The main window started and shown with its Flight data window beside it, as
// the program opens them; the window tests that need both start from here.
#pragma once

#include <QtTest>
#include <memory>

#include "platform/clock.h"
#include "platform/dir_text_files.h"
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

// The main window on a clock the test sets, with its Flight data window
// shown; fly_upwind() flies ticks of 0.02 s each without drawing them.
struct ManualFlight {
    soar::ManualClock* clock = new soar::ManualClock;  // the main window's
    soar::MainWindow main{std::unique_ptr<soar::Clock>(clock),
                          std::make_unique<soar::MemoryTextFiles>()};
    soar::FlightDataWindow data{main.run()};
    long long ticks = 0;

    // True once both are on the screen.
    bool open() {
        main.start();
        main.show();
        data.show();
        return QTest::qWaitForWindowExposed(&data);
    }
    void press(soar::Id id) { QTest::mouseClick(main.widget(id), Qt::LeftButton); }
    // Upwind, OK and FLY, then `n` ticks.
    void fly_upwind(int n) {
        press(soar::Id::upwind_option);
        press(soar::Id::ok_button);
        press(soar::Id::fly_button);
        ticks = 0;
        go_on(n);
    }
    // `n` more ticks of the flight.
    void go_on(int n) {
        for (int k = 0; k < n; ++k, ++ticks) {
            clock->set(float(0.02 * double(ticks)));
            main.tick_without_picture();
        }
    }
};
