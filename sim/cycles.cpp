#include "sim/cycles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/constants.h"
#include "sim/energy.h"

namespace soar {

void CycleTable::start(Mode mode, const Params& p) {
    mode_ = mode;
    p_ = p;
    open_ = false;
    rows_.clear();
    cur_ = {};
}

void CycleTable::open(const FlightState& s, double E) {
    cur_ = {};
    cur_.number = int(rows_.size()) + 1;
    cur_.t_start = s.t;
    cur_.E_start = E;
    cur_.V_min = cur_.V_max = s.V;
    cur_.Z_min = cur_.Z_max = s.Z;
    cur_.Nz_max = s.Nz;
    X0_ = s.X;
    Y0_ = s.Y;
    X_last_ = s.X;
    Y_last_ = s.Y;
    open_ = true;
}

void CycleTable::take(const FlightState& s) {
    cur_.V_min = std::min(cur_.V_min, double(s.V));
    cur_.V_max = std::max(cur_.V_max, double(s.V));
    cur_.Z_min = std::min(cur_.Z_min, double(s.Z));
    cur_.Z_max = std::max(cur_.Z_max, double(s.Z));
    cur_.Nz_max = std::max(cur_.Nz_max, double(s.Nz));
    cur_.period = double(s.t) - cur_.t_start;
    X_last_ = s.X;
    Y_last_ = s.Y;
}

// The displacement is only wanted when a cycle is read, not at every tick.
CycleRow CycleTable::with_displacement(CycleRow row) const {
    const double dX = double(X_last_) - X0_, dY = double(Y_last_) - Y0_;
    row.distance = std::hypot(dX, dY);
    // Heading convention: the direction (-cos psi, sin psi) has heading psi.
    row.track_deg = row.distance > 0 ? std::atan2(dY, -dX) * k::r2d : 0.0;
    return row;
}

bool CycleTable::add(const FlightState& s) {
    const double E = specific_energy(s, p_);
    if (!open_) {
        open(s, E);
        phase_ = p_.T_cyc > 0 ? (long long)std::floor(double(s.t) / double(p_.T_cyc)) : 0;
        psi_last_ = s.psi_deg;
        return false;
    }
    take(s);
    bool done = false;
    if (heading_scheduled(mode_)) {
        // The wrap past 270 deg takes the heading back by about a turn.
        done = double(s.psi_deg) < double(psi_last_) - 180.0;
        psi_last_ = s.psi_deg;
    } else if (p_.T_cyc > 0) {
        const auto phase = (long long)std::floor(double(s.t) / double(p_.T_cyc));
        done = phase > phase_;
        phase_ = phase;
    }
    if (!done) return false;
    cur_.dE = E - cur_.E_start;
    rows_.push_back(with_displacement(cur_));
    open(s, E);
    return true;
}

double CycleTable::mean_dE() const {
    if (rows_.empty()) return 0;
    double sum = 0;
    for (const CycleRow& r : rows_) sum += r.dE;
    return sum / double(rows_.size());
}

std::string cycle_verdict(const std::vector<CycleRow>& rows) {
    if (rows.empty()) return "No cycle completed yet.";
    const CycleRow& r = rows.back();
    // One cycle alone can mislead: some patterns alternate a larger and a
    // smaller cycle. The trend is the mean of the last few.
    const size_t n = std::min<size_t>(4, rows.size());
    double sum = 0;
    for (size_t i = rows.size() - n; i < rows.size(); ++i) sum += rows[i].dE;
    const double trend = sum / double(n);
    const char* verdict = "holding its energy: it can go on";
    // Below a centimetre per cycle the float state cannot tell a trend.
    if (trend >= 0.01) verdict = "gaining energy";
    if (trend <= -0.01) verdict = "losing energy: it cannot go on for ever";
    char buf[240];
    if (n > 1) {
        std::snprintf(buf, sizeof buf,
                      "Cycle %d: %+.2f m; over the last %zu cycles %+.2f m per cycle: the "
                      "pattern is %s.",
                      r.number, r.dE, n, trend, verdict);
    } else {
        std::snprintf(buf, sizeof buf, "Cycle %d: %+.2f m: the pattern is %s.", r.number, r.dE,
                      verdict);
    }
    return buf;
}

}  // namespace soar
