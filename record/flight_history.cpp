#include "record/flight_history.h"

#include <algorithm>
#include <cmath>

#include "sim/energy.h"

namespace soar {

std::array<float, kColumnCount> row_of(const FlightState& s, const Params& p, bool energy) {
    const Energy e = energy ? energy_of(s, p) : Energy{};
    return {s.t,      s.dt,      s.X,      s.Y,  s.Z,  s.V,     s.gam_deg, s.psi_deg, s.mu_deg, s.Nz, s.Nx,
            s.CL,     s.U,       s.Up,     s.alpha, s.attitude.roll, s.attitude.pitch, s.attitude.yaw, e.E,       e.dE_wind,
            e.dE_drag};
}

void FlightHistory::clear() {
    for (auto& c : col_) c.clear();
    for (auto& l : levels_) l.clear();
}

void FlightHistory::add(const FlightState& s, const Params& p) {
    const auto row = row_of(s, p);
    for (size_t c = 0; c < row.size(); ++c) add_value(c, row[c]);
}

void FlightHistory::add_value(size_t c, float v) {
    col_[c].push_back(v);
    // Each completed block of kFan entries at one level adds one entry above.
    size_t n = col_[c].size();
    auto& levels = levels_[c];
    for (size_t k = 0; n % kFan == 0; ++k) {
        float lo, hi;
        if (k == 0) {
            const auto first = col_[c].end() - kFan;
            const auto [mn, mx] = std::minmax_element(first, col_[c].end());
            lo = *mn, hi = *mx;
        } else {
            const Level& below = levels[k - 1];
            lo = *std::min_element(below.lo.end() - kFan, below.lo.end());
            hi = *std::max_element(below.hi.end() - kFan, below.hi.end());
        }
        if (levels.size() <= k) levels.emplace_back();
        levels[k].lo.push_back(lo);
        levels[k].hi.push_back(hi);
        n = levels[k].lo.size();
    }
}

std::pair<float, float> FlightHistory::range(Column col, size_t a, size_t b) const {
    const size_t c = idx(col);
    float lo = col_[c][a], hi = col_[c][a];
    const auto take = [&](size_t level, size_t i) {
        if (level == 0) {
            lo = std::min(lo, col_[c][i]), hi = std::max(hi, col_[c][i]);
        } else {
            lo = std::min(lo, levels_[c][level - 1].lo[i]);
            hi = std::max(hi, levels_[c][level - 1].hi[i]);
        }
    };
    // Level 0 are the samples, level k >= 1 the blocks of levels_[c][k - 1].
    for (size_t level = 0; a < b; ++level) {
        const bool up = level < levels_[c].size();
        while (a < b && (!up || a % kFan != 0)) take(level, a++);
        while (a < b && b % kFan != 0) take(level, --b);
        a /= kFan, b /= kFan;
    }
    return {lo, hi};
}

size_t FlightHistory::index_at_or_after(double t) const {
    const auto& ts = col_[idx(Column::t)];
    return size_t(std::lower_bound(ts.begin(), ts.end(), t,
                                   [](float a, double b) { return double(a) < b; }) -
                  ts.begin());
}

std::vector<std::pair<double, double>> decimated(const FlightHistory& h, Column c, double t0,
                                                 double t1, int width) {
    std::vector<std::pair<double, double>> out;
    if (h.empty() || width < 1 || !(t1 > t0)) return out;
    out.reserve(size_t(width) * 2);
    const double w = (t1 - t0) / width;
    size_t a = h.index_at_or_after(t0);
    for (int px = 0; px < width && a < h.size(); ++px) {
        const double end = px + 1 == width ? t1 : t0 + (px + 1) * w;
        size_t b = px + 1 == width ? h.index_at_or_after(std::nextafter(t1, 1e300))
                                   : h.index_at_or_after(end);
        if (b <= a) continue;
        const double mid = t0 + (px + 0.5) * w;
        if (b - a == 1) {
            out.emplace_back(h.at(Column::t, a), h.at(c, a));
        } else {
            const auto [lo, hi] = h.range(c, a, b);
            // The line enters a column at the end nearer the last point.
            const bool rising = !out.empty() && out.back().second <= lo;
            out.emplace_back(mid, rising ? lo : hi);
            out.emplace_back(mid, rising ? hi : lo);
        }
        a = b;
    }
    return out;
}

}  // namespace soar
