#include "app/sweep_grid.h"

#include <algorithm>

#include "platform/number_text.h"

namespace soar {

std::vector<std::string_view> split_at(std::string_view t, char sep) {
    std::vector<std::string_view> out;
    size_t at = 0;
    for (;;) {
        const size_t next = t.find(sep, at);
        out.push_back(t.substr(at, next == t.npos ? t.npos : next - at));
        if (next == t.npos) return out;
        at = next + 1;
    }
}

namespace {

// The whole text as a finite number ("+20" too).
std::optional<double> number_of(std::string_view t) {
    return decimal_number(t);
}

}  // namespace

const char* sweep_what_name(SweepWhat what) {
    switch (what) {
        case SweepWhat::energy_neutral_wind:
            return "energy-neutral-wind";
        case SweepWhat::optimise:
            return "optimise";
        case SweepWhat::fly_summary:
            return "fly-summary";
        case SweepWhat::track:
            return "track";
    }
    return "?";
}

std::optional<SweepWhat> sweep_what_named(std::string_view name) {
    for (SweepWhat w : {SweepWhat::energy_neutral_wind, SweepWhat::optimise, SweepWhat::fly_summary,
                        SweepWhat::track})
        if (name == sweep_what_name(w)) return w;
    return std::nullopt;
}

double SweepAxis::value(int i) const {
    if (!values.empty()) return values[size_t(std::clamp(i, 0, int(values.size()) - 1))];
    if (count <= 1 || i <= 0) return start;
    if (i >= count - 1) return stop;
    return start + (stop - start) * double(i) / double(count - 1);
}

std::optional<SweepAxis> sweep_axis_from_text(std::string_view text, std::string& error) {
    error =
        "--over needs NAME=START:STOP:COUNT (COUNT a whole number from 1 to 1000000) or "
        "NAME=V1,V2,... (the values listed), not \"" +
        std::string(text) + "\"";
    const size_t eq = text.find('=');
    if (eq == text.npos || eq == 0) return std::nullopt;
    const std::string name(text.substr(0, eq));
    const std::string_view values = text.substr(eq + 1);
    if (values.find(':') == values.npos) {
        std::vector<double> listed;
        for (std::string_view v : split_at(values, ',')) {
            const auto x = number_of(v);
            if (!x || listed.size() >= size_t(kMaxAxisValues)) return std::nullopt;
            listed.push_back(*x);
        }
        error.clear();
        return SweepAxis(name, std::move(listed));
    }
    const auto parts = split_at(values, ':');
    if (parts.size() != 3) return std::nullopt;
    const auto start = number_of(parts[0]), stop = number_of(parts[1]);
    const auto count = whole_number(parts[2]);
    if (!start || !stop || !count || *count < 1 || *count > kMaxAxisValues) return std::nullopt;
    error.clear();
    return SweepAxis(name, *start, *stop, int(*count));
}

std::string sweep_axis_values_text(const SweepAxis& a) {
    if (a.values.empty())
        return shortest_double(a.start) + ":" + shortest_double(a.stop) + ":" +
               std::to_string(a.count);
    std::string t;
    for (double v : a.values) {
        if (!t.empty()) t += ',';
        t += shortest_double(v);
    }
    return t;
}

long long sweep_size(const SweepPlan& s) {
    long long n = 1;
    for (const SweepAxis& a : s.axes) {
        n *= std::max(a.count, 1);
        if (n > kMaxSweepPoints) return kMaxSweepPoints + 1;
    }
    return n;
}

std::vector<double> sweep_inputs(const SweepPlan& s, long long point) {
    std::vector<double> v(s.axes.size());
    for (size_t i = s.axes.size(); i-- > 0;) {
        const int n = std::max(s.axes[i].count, 1);
        v[i] = s.axes[i].value(int(point % n));
        point /= n;
    }
    return v;
}

const std::vector<std::string>& sweep_result_columns(SweepWhat what) {
    static const std::vector<std::string> wind = {"found",        "factor",    "U_ref", "U_10m",
                                                  "dE_per_cycle", "crossings", "trials"};
    static const std::vector<std::string> loop = {
        "converged", "wind_scale", "wind_10m", "period", "energy_per_cycle", "drift", "iterations"};
    static const std::vector<std::string> fly = {
        "ticks_flown", "all_flown", "t_end",  "V_end",
        "Z_end",       "E_end",     "cycles", "mean_dE_per_cycle"};
    static const std::vector<std::string> track = {"energy_gained", "time_aloft", "ended",
                                                   "wind_scale", "U_ref"};
    switch (what) {
        case SweepWhat::energy_neutral_wind:
            return wind;
        case SweepWhat::optimise:
            return loop;
        case SweepWhat::track:
            return track;
        case SweepWhat::fly_summary:
            break;
    }
    return fly;
}

const std::vector<std::string>& sweep_result_units(SweepWhat what) {
    static const std::vector<std::string> wind = {"0/1", "-", "m/s", "m/s", "m", "-", "-"};
    // The linear profile's scale is a gradient, 1/s; the others' a speed.
    static const std::vector<std::string> loop = {"0/1",  "m/s or 1/s", "m/s", "s",
                                                  "J/kg", "m",          "-"};
    static const std::vector<std::string> fly = {"-", "0/1", "s", "m/s", "m", "m", "-", "m"};
    static const std::vector<std::string> track = {"m", "s", "0/1", "m/s or 1/s", "m/s"};
    switch (what) {
        case SweepWhat::energy_neutral_wind:
            return wind;
        case SweepWhat::optimise:
            return loop;
        case SweepWhat::track:
            return track;
        case SweepWhat::fly_summary:
            break;
    }
    return fly;
}

std::string sweep_header(const SweepPlan& s) {
    std::string h = "point";
    for (const SweepAxis& a : s.axes) h += "," + a.name;
    for (const std::string& c : sweep_result_columns(s.what)) h += "," + c;
    return h + ",status,seconds";
}

}  // namespace soar
