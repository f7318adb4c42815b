// The flight as CSV: one row per tick, the columns of `fly` and, on request,
// the energy (E in m, dE_wind and dE_drag in m/s). Floats in their shortest
// round-trip form, so a row reads back to the very bits flown.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/atomic_file.h"
#include "record/flight_history.h"
#include "sim/flight_state.h"

namespace soar {

std::string flight_csv_header(bool energy);
// The whole history; tick k is sample k - 1.
std::string history_csv(const FlightHistory& h);

// The same text written to `out` row by row, in the memory of a few rows:
// `rows_done` (if given) counts the rows written, `cancel` (if given and set)
// stops the writing. False when a write failed or it was cancelled; `out` is
// then to be abandoned.
bool write_history_csv(const HistorySnapshot& h, AtomicFile& out,
                       std::atomic<uint64_t>* rows_done = nullptr,
                       const std::atomic<bool>* cancel = nullptr);

// The Flight data window's CSV: the rows of history_csv without the ticks that
// advanced no flight time (the window's clock reads the same time for several
// ticks; those rows repeat the row before), each row keeping its tick number,
// and the first row with the flight's own angle of attack and attitude from its
// lift coefficient (the start state carries the view's attitude until the
// first step). `p`: the parameters the flight flew with.
std::string flight_data_csv(const FlightHistory& h, const Params& p);
bool write_flight_data_csv(const HistorySnapshot& h, const Params& p, AtomicFile& out,
                           std::atomic<uint64_t>* ticks_done = nullptr,
                           const std::atomic<bool>* cancel = nullptr);

}  // namespace soar
