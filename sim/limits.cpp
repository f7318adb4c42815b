#include "sim/limits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "platform/number_text.h"

namespace soar {

bool parse_flight_limits(std::string_view text, FlightLimits& out, std::string& error) {
    FlightLimits l;
    bool has_clear = false;
    if (text.empty()) {
        error = "give at least one of cl=CL_MAX, n=N_MAX, tip=HALF_SPAN";
        return false;
    }
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view item = text.substr(at, comma - at);
        at = comma + 1;
        const size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            error = "\"" + std::string(item) + "\" is not KEY=VALUE (cl, n, tip, clear)";
            return false;
        }
        const std::string key(item.substr(0, eq));
        const std::optional<double> v = decimal_number(item.substr(eq + 1));
        if (!v) {
            error = key + ": \"" + std::string(item.substr(eq + 1)) + "\" is not a number";
            return false;
        }
        bool* seen = key == "cl"      ? &l.has_CL
                     : key == "n"     ? &l.has_n
                     : key == "tip"   ? &l.has_tip
                     : key == "clear" ? &has_clear
                                      : nullptr;
        if (!seen) {
            error = "unknown limit \"" + key + "\" (cl, n, tip, clear)";
            return false;
        }
        if (*seen) {
            error = key + " is given twice";
            return false;
        }
        *seen = true;
        const double x = *v;
        if (key == "cl" && !(x > 0 && x <= 10)) error = "cl must be above 0 and at most 10";
        if (key == "n" && !(x > 0 && x <= 100)) error = "n must be above 0 and at most 100";
        if (key == "tip" && !(x >= 0 && x <= 50)) error = "tip (the half span) must be 0 to 50 m";
        if (key == "clear" && !(x >= 0 && x <= 100)) error = "clear must be 0 to 100 m";
        if (!error.empty()) return false;
        (key == "cl"    ? l.CL_max
         : key == "n"   ? l.n_max
         : key == "tip" ? l.half_span
                        : l.tip_min) = x;
        if (comma == text.size()) break;
    }
    if (has_clear && !l.has_tip) {
        error = "clear is the wing tip's height: give tip=HALF_SPAN with it";
        return false;
    }
    out = l;
    return true;
}

std::string flight_limits_text(const FlightLimits& l) {
    std::string out;
    const auto put = [&](const char* key, double v) {
        if (!out.empty()) out.append(",");
        out.append(key).append("=").append(shortest_double(v));
    };
    if (l.has_CL) put("cl", l.CL_max);
    if (l.has_n) put("n", l.n_max);
    if (l.has_tip) put("tip", l.half_span);
    if (l.has_tip && l.tip_min != 0.0) put("clear", l.tip_min);
    return out;
}

double lower_tip_height(double Z, double mu, double half_span) {
    return Z - half_span * std::fabs(std::sin(mu));
}

void LimitCheck::add(const FlightState& s, const FlightLimits& l) {
    ++ticks;
    const double t = s.t;
    bool over = false;
    if (l.has_CL) {
        if (double(s.CL) > CL_peak) CL_peak = s.CL, t_CL = t;
        if (double(s.CL) > l.CL_max) ++CL_over, over = true;
    }
    if (l.has_n) {
        if (double(s.Nz) > n_peak) n_peak = s.Nz, t_n = t;
        if (double(s.Nz) > l.n_max) ++n_over, over = true;
    }
    if (l.has_tip) {
        const double tip = lower_tip_height(s.Z, s.mu(), l.half_span);
        if (tip < tip_lowest) tip_lowest = tip, t_tip = t;
        if (tip < l.tip_min) ++tip_under, over = true;
    }
    if (over && t < t_first_over) t_first_over = t;
}

namespace {

// A printf-style text of at most 199 characters.
template <typename... A>
std::string text_of(const char* format, A... args) {
    char buf[200];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

// One limit in the report: its peak, and on how many ticks it was passed.
void add_limit(std::string& peaks, std::string& overs, const std::string& peak, long long over,
               const std::string& passed) {
    peaks += (peaks.empty() ? "" : ", ") + peak;
    if (over) overs += (overs.empty() ? "" : ", ") + passed;
}

}  // namespace

std::string limit_report(const LimitCheck& c, const FlightLimits& l) {
    char buf[200];
    std::string peaks, overs;
    if (l.has_CL)
        add_limit(peaks, overs, text_of("CL up to %.3f at %.2f s", c.CL_peak, c.t_CL), c.CL_over,
                  text_of("CL above %g on %lld ticks", l.CL_max, c.CL_over));
    if (l.has_n)
        add_limit(peaks, overs, text_of("n up to %.3f at %.2f s", c.n_peak, c.t_n), c.n_over,
                  text_of("n above %g on %lld ticks", l.n_max, c.n_over));
    if (l.has_tip)
        add_limit(
            peaks, overs, text_of("lower wing tip down to %.3f m at %.2f s", c.tip_lowest, c.t_tip),
            c.tip_under, text_of("wing tip below %g m on %lld ticks", l.tip_min, c.tip_under));
    std::string out = "limits " + flight_limits_text(l) + ": ";
    if (c.within()) return out + "kept over " + std::to_string(c.ticks) + " ticks (" + peaks + ")";
    std::snprintf(buf, sizeof buf, "exceeded from %.2f s: ", c.t_first_over);
    return out + buf + overs + " (" + peaks + ")";
}

std::string limit_brief(const LimitCheck& c) {
    if (c.within()) return "within limits";
    std::string out = "over:";
    char buf[64];
    if (c.CL_over) std::snprintf(buf, sizeof buf, " CL %.2f", c.CL_peak), out += buf;
    if (c.n_over) std::snprintf(buf, sizeof buf, " n %.2f", c.n_peak), out += buf;
    if (c.tip_under) std::snprintf(buf, sizeof buf, " tip %.2f m", c.tip_lowest), out += buf;
    return out;
}

}  // namespace soar
