// The flight model: a point-mass albatross in a wind that grows with height.
//
//   mode.h           the pattern flown (and the view it is watched in)
//   params.h         the constants of one flight: air, bird, wind, pattern (units on each)
//   param_set.h      the user's parameters for every pattern
//   param_fields.h   every parameter by name, with its unit and range; the presets
//   flight_state.h   the bird's state at one instant (units on each field)
//   flight.h         Flight: the start state of a pattern and its integration step; its
//                    controls from the schedules, a path played back, or commands
//   commands.h       a pilot's commands (bank, lift) and what the bird can do
//   controller.h     controllers that fly a commanded flight; the loop tracker
//   turbulence.h     gusts on the mean wind (Dryden spectra), seeded
//   wind.h           wind speed and gradient at a height and at the bird
//   aero.h           load factors, lift and drag for the commanded path
//   schedules.h      time schedules of the upwind and crosswind patterns
//   control_laws.h   bank, heading rate, turn radius and path angle laws
//   energy.h         specific energy and where its changes come from
//   cycles.h         the soaring cycles of a flight, one row per cycle
//   min_wind.h       the least wind a pattern needs
//   fault.h          what is thrown when the flight leaves its valid range
//
// Every formula is evaluated in double in the order written and rounded to float
// when stored; the results are checked bit for bit, so keep that order.
#pragma once

#include "sim/aero.h"
#include "sim/control_laws.h"
#include "sim/fault.h"
#include "sim/flight.h"
#include "sim/flight_state.h"
#include "sim/mode.h"
#include "sim/param_set.h"
#include "sim/params.h"
#include "sim/schedules.h"
#include "sim/wind.h"
