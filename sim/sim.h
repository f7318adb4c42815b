// The flight model: a point-mass albatross in a wind that grows with height.
//
//   state.h               every shared variable of the program (one plain struct)
//   params.h              the constants of one flight: air, bird, wind, pattern
//   param_set.h           the user's parameters for every pattern
//   wind.h                wind speed and gradient at the bird, the wind-profile figure
//   aero.h                load factors, lift and drag for the commanded path
//   schedules.h           time schedules of the upwind and crosswind patterns
//   initial_conditions.h  start state of each pattern
//   flight_step.h         first tick and integration step (control laws A to D)
//   fault.h               what is thrown when the flight leaves its valid range
//
// Every formula is evaluated in double in the order written and rounded to float
// when stored; the results are checked bit for bit, so keep that order.
#pragma once

#include "sim/aero.h"
#include "sim/fault.h"
#include "sim/flight_step.h"
#include "sim/initial_conditions.h"
#include "sim/param_set.h"
#include "sim/params.h"
#include "sim/schedules.h"
#include "sim/state.h"
#include "sim/wind.h"
