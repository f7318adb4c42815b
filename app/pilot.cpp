#include "app/pilot.h"

#include <algorithm>

namespace soar {

namespace {

// `from` moved towards `to` by at most `step`.
float moved_toward(float from, double to, double step) {
    const double d = to - double(from);
    if (d > step) return float(double(from) + step);
    if (d < -step) return float(double(from) - step);
    return float(to);
}

}  // namespace

void Stick::move(const PilotKeys& keys, double dt, const PilotLimits& limits) {
    const double roll = double(limits.bank_rate_max) * dt;
    const int bank = int(keys.bank_right) - int(keys.bank_left);
    const double bank_to = bank > 0   ? double(limits.bank_max)
                           : bank < 0 ? -double(limits.bank_max)
                                      : 0.0;
    mu_deg = moved_toward(mu_deg, bank_to, roll);

    const double pull = double(limits.CL_rate_max) * dt;
    const int lift = int(keys.more_lift) - int(keys.less_lift);
    const double CL_to = lift > 0   ? double(limits.CL_max) + double(kStickPastStall)
                         : lift < 0 ? double(limits.CL_min)
                                    : double(CL_trim);
    CL = moved_toward(CL, CL_to, pull);
}

PilotScore flight_score(const FlightRecord& r) {
    PilotScore score;
    const FlightHistory& h = r.history;
    if (h.size() > 0) {
        score.time_aloft_s = double(h.last(Column::t)) - double(h.at(Column::t, 0));
        score.energy_gained_m = double(h.last(Column::E)) - double(h.at(Column::E, 0));
    }
    for (const CycleRow& row : r.cycles.rows())
        score.cycles.push_back({row.number, row.dE, row.period});
    return score;
}

GhostPath loop_ghost(const LoopFlight& loop, int points) {
    GhostPath g;
    const double T = loop.solution.period;
    if (!(T > 0.0) || points < 2) return g;
    for (int i = 0; i < points; ++i) {
        const FlightState s = loop_state_at(loop, T * double(i) / double(points));
        g.x.push_back(s.X), g.y.push_back(s.Y), g.z.push_back(s.Z);
    }
    return g;
}

}  // namespace soar
