// What the windows say about the parameters in use: nothing while the flight
// and the user's choice are the defaults, else which parameters the flight
// flies with and whether a change waits for the next "OK".
#pragma once

#include <string>

#include "app/run_model.h"

namespace soar {

// "Parameters in use: light wind." and/or "Changed parameters (draggy wing)
// apply at the next OK." on lines of their own; "" with the defaults.
std::string params_legend(const RunModel& w);
// A short note for the main window's title: " (light wind)" while the flight
// flies with non-default parameters, else "".
std::string params_title_note(const RunModel& w);

}  // namespace soar
