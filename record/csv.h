// The flight as CSV: one row per tick, the columns of `fly` and, on request,
// the energy (E in m, dE_wind and dE_drag in m/s). Floats in their shortest
// round-trip form, so a row reads back to the very bits flown.
#pragma once

#include <string>

#include "record/flight_history.h"
#include "sim/flight_state.h"

namespace soar {

std::string flight_csv_header(bool energy);
// The whole history; tick k is sample k - 1.
std::string history_csv(const FlightHistory& h);

}  // namespace soar
