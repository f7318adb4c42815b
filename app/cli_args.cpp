#include "app/cli_args.h"

#include <charconv>
#include <cmath>

namespace soar::cli {

const char* const kUsage =
    "usage:\n"
    "  soarcalculus                      open the window\n"
    "  soarcalculus fly --pattern {upwind|downwind|crosswind|circlezoom|profile}\n"
    "                   --ticks N --dt SECONDS [--clock-start SECONDS] [--csv FILE] [--no-redraw]\n"
    "                   [PARAMETERS]\n"
    "  soarcalculus render --pattern {fixed|upwind|downwind|crosswind|circlezoom|profile}\n"
    "                   [--ticks N] [--dt S] [--clock-start S] [--grid] [--size WxH] --png FILE\n"
    "                   [PARAMETERS]\n"
    "  soarcalculus min-wind --pattern {upwind|downwind|crosswind|circlezoom|profile}\n"
    "                   [--cycles N] [--dt S] [PARAMETERS]\n"
    "  soarcalculus params [--pattern P] [--save FILE] [PARAMETERS]\n"
    "  soarcalculus export-geometry --dir DIR [--roll DEG] [--pitch DEG] [--yaw DEG] [--scale S]\n"
    "  soarcalculus optimise [--preset {albatross|zhao-glider}] [--profile {exponential|linear|log}]\n"
    "                   [--set NAME=VALUE ...] [--nodes N] [--csv FILE]\n"
    "PARAMETERS (fly, render, min-wind, params):\n"
    "  --params FILE  a parameter file (TOML) as the base, else the defaults\n"
    "  --preset {design-albatross|heavier-albatross|light-wind|draggy-wing}\n"
    "  --set NAME=VALUE  one parameter (repeatable, applied last); see README\n";

Args parse_args(int argc, char** argv, const std::vector<std::string>& with_value,
                const std::vector<std::string>& bare) {
    Args a;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        bool known = false;
        for (const auto& name : with_value) {
            if (arg == "--" + name) {
                if (i + 1 >= argc) throw ArgError{"--" + name + " needs a value"};
                a.values[name] = argv[++i];
                known = true;
            }
        }
        for (const auto& name : bare) {
            if (arg == "--" + name) a.flags[name] = known = true;
        }
        if (!known) throw ArgError{"unknown argument \"" + arg + "\""};
    }
    return a;
}

double number_arg(const Args& a, const std::string& name, std::optional<double> fallback) {
    const auto it = a.values.find(name);
    if (it == a.values.end()) {
        if (fallback) return *fallback;
        throw ArgError{"--" + name + " is required"};
    }
    const std::string& text = it->second;
    double v = 0;
    const char* first = text.data();
    if (!text.empty() && text[0] == '+') ++first;
    const auto r = std::from_chars(first, text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() ||
        !std::isfinite(v))
        throw ArgError{"--" + name + " needs a number, not \"" + text + "\""};
    return v;
}

long long count_arg(const Args& a, const std::string& name, std::optional<long long> fallback) {
    const auto it = a.values.find(name);
    if (it == a.values.end()) {
        if (fallback) return *fallback;
        throw ArgError{"--" + name + " is required"};
    }
    long long v = 0;
    const std::string& text = it->second;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size())
        throw ArgError{"--" + name + " needs a whole number, not \"" + text + "\""};
    if (v < 1) throw ArgError{"--" + name + " must be at least 1"};
    return v;
}

Mode pattern_arg(const Args& a, bool allow_fixed) {
    const auto it = a.values.find("pattern");
    if (it == a.values.end()) throw ArgError{"--pattern is required"};
    const auto m = mode_named(it->second);
    if (!m || (*m == Mode::fixed && !allow_fixed))
        throw ArgError{"unknown pattern \"" + it->second + "\""};
    return *m;
}

float clock_at(double clock_start, long long k, double dt) {
    return float(clock_start + double(k - 1) * dt);
}

void fly_setup(Session& run, Mode mode, double clock_start) {
    run.start();
    run.choose(mode);
    run.press_ok();
    run.press_fly(float(clock_start));
}

}  // namespace soar::cli
