#include "record/flight_record.h"

#include <cstdio>

namespace soar {

void FlightRecord::begin(Mode m, const FlightState& s, const Params& p, std::time_t now_utc) {
    mode = m;
    params = p;
    history.clear();
    cycles.start(m, p);
    ticks = 0;
    start_utc = now_utc;
    flying = true;
    end_reason.clear();
    holds = 0;
    held_s = 0;
    add(s);
}

void FlightRecord::add(const FlightState& s) {
    if (keep_history) history.add(s, params);
    cycles.add(s);
    ++ticks;
    t_last = s.t;
}

void FlightRecord::end(const std::string& why) {
    if (!flying) return;
    flying = false;
    end_reason = why;
}

std::string flight_summary(const FlightRecord& r, bool with_time) {
    char buf[200];
    const int n = r.cycles.completed();
    std::string out;
    if (with_time) {
        std::snprintf(buf, sizeof buf, "Flight time %.2f s, ", r.t_last);
        out = buf;
    }
    if (n > 0) {
        std::snprintf(buf, sizeof buf, "%d cycle%s completed, mean energy gained per cycle %+.3f m",
                      n, n == 1 ? "" : "s", r.cycles.mean_dE());
    } else {
        std::snprintf(buf, sizeof buf, "%s cycle completed", with_time ? "no" : "No");
    }
    out += buf;
    if (r.holds > 0) {
        std::snprintf(buf, sizeof buf, "; paused %d time%s where the program was held up (%.1f s)",
                      r.holds, r.holds == 1 ? "" : "s", r.held_s);
        out += buf;
    }
    if (!r.flying && !r.end_reason.empty()) out += "; ended: " + r.end_reason;
    return out;
}

}  // namespace soar
