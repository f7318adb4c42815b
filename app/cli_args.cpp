#include "app/cli_args.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "app/session.h"
#include "platform/atomic_file.h"
#include "platform/number_text.h"

namespace soar::cli {

// Each command's lines of the usage, so that "COMMAND --help" shows its own.
#define SOAR_USAGE_WINDOW                                                                  \
    "  soarcalculus                      open the window (needs X11 or Wayland)\n"         \
    "  soarcalculus --reset-settings     open it with the remembered settings forgotten\n" \
    "  soarcalculus --help | --version | COMMAND --help\n"
#define SOAR_USAGE_FLY                                                                        \
    "  soarcalculus fly --pattern {upwind|downwind|crosswind|circlezoom|profile}\n"           \
    "                   --ticks N --dt SECONDS [--clock-start SECONDS] [--csv FILE]\n"        \
    "                   [--energy] [--kml FILE [--lat DEG] [--lon DEG] [--wind-from DEG]]\n"  \
    "                   [--commands FILE.csv [--command-times] [--gusts SIGMA_W --seed N]]\n" \
    "                   [--loop FILE]\n"                                                      \
    "                   [--limits cl=CL,n=N,tip=HALF_SPAN[,clear=M]] [PARAMETERS]\n"
#define SOAR_USAGE_RENDER                                                                          \
    "  soarcalculus render --pattern {fixed|upwind|downwind|crosswind|circlezoom|profile}\n"       \
    "                   [--ticks N] [--dt S] [--clock-start S] [--grid] [--size WxH] --png FILE\n" \
    "                   [--colour-by {energy|wind|height|airspeed}] [--arrows] [PARAMETERS]\n"     \
    "  soarcalculus render --pattern P --video FILE.mp4 [--frames DIR] [--fps 30]\n"               \
    "                   [--seconds S | --ticks N --dt S] [--size WxH] [--png FILE] [options]\n"
#define SOAR_USAGE_MIN_WIND                                                              \
    "  soarcalculus min-wind --pattern {upwind|downwind|crosswind|circlezoom|profile}\n" \
    "                   [--cycles N] [--dt S] [--threads N] [--csv FILE]\n"              \
    "                   [--limits cl=CL,n=N,tip=HALF_SPAN[,clear=M]] [PARAMETERS]\n"
#define SOAR_USAGE_PARAMS "  soarcalculus params [--pattern P] [--save FILE] [PARAMETERS]\n"
#define SOAR_USAGE_EXPORT                                                                       \
    "  soarcalculus export-geometry --dir DIR [--roll DEG] [--pitch DEG] [--yaw DEG] [--scale " \
    "S]\n"
#define SOAR_USAGE_OPTIMISE                                                                   \
    "  soarcalculus optimise [--profile {exponential|linear|log}]\n"                          \
    "                   [--nodes N] [--csv FILE] [--glide-ratios L/D,L/D,...] [PARAMETERS]\n" \
    "                   [--flown-csv FILE] [--loop-file FILE]\n"                              \
    "                   [--travel HEADING [--ground-speed V]]\n"                              \
    "  (optimise: --set also takes the loop's CL_min, CL_max, n_min, n_max, bank_max,\n"      \
    "   half_span, tip_min, T_min, T_max, z0, travel, midpoint_limits, travel_heading\n"      \
    "   (deg), ground_speed (m/s); a logistic shear layer (shear_delta, shear_height, m)\n"   \
    "   is a parameter of every command; zhao-glider defaults to --profile linear,\n"         \
    "   sachs-2005-albatross to --profile log)\n"
#define SOAR_USAGE_SWEEP                                                                \
    "  soarcalculus sweep --what {energy-neutral-wind|optimise|fly-summary|track}\n"    \
    "                   --over NAME=START:STOP:COUNT|NAME=V1,V2,... [--over ...]\n"     \
    "                   [--pattern P] [--cycles N]\n"                                   \
    "                   [--ticks N] [--dt S] [--profile P] [--nodes N]\n"               \
    "                   [--seconds S] [--wind-factor F] [--gusts SIGMA_W] [--seed N]\n" \
    "                   [--retry-nodes N] [--jobs N]\n"                                 \
    "                   [--shard I/N] --csv FILE [PARAMETERS]\n"                        \
    "  soarcalculus merge --csv FILE SHARD.csv [SHARD.csv ...]\n"
#define SOAR_USAGE_PARAMETERS                                                              \
    "PARAMETERS (fly, render, min-wind, params, optimise, sweep):\n"                       \
    "  --params FILE  a parameter file (TOML) as the base, else the defaults\n"            \
    "  --preset {design-albatross|heavier-albatross|light-wind|draggy-wing|zhao-glider|\n" \
    "            sachs-2005-albatross}\n"                                                  \
    "  --set NAME=VALUE  one parameter (repeatable, applied last); see README\n"
#define SOAR_USAGE_RANGES                                                                      \
    "ranges: --ticks 1 to 1000000000, --dt 0.000001 to 10 s, --clock-start 0 up to 86400 s,\n" \
    "  --size 16 to 8192 pixels a side, --roll/--pitch/--yaw/--scale as in the README\n"
#define SOAR_USAGE_EXIT \
    "exit: 0 done, 1 flight stopped or file not written, 2 bad arguments, 130 interrupted\n"

const char* const kUsage = "usage:\n" SOAR_USAGE_WINDOW SOAR_USAGE_FLY SOAR_USAGE_RENDER
    SOAR_USAGE_MIN_WIND SOAR_USAGE_PARAMS SOAR_USAGE_EXPORT SOAR_USAGE_OPTIMISE SOAR_USAGE_SWEEP
        SOAR_USAGE_PARAMETERS SOAR_USAGE_RANGES SOAR_USAGE_EXIT;

const char* command_usage(const std::string& command) {
    if (command == "fly")
        return "usage:\n" SOAR_USAGE_FLY SOAR_USAGE_PARAMETERS SOAR_USAGE_RANGES SOAR_USAGE_EXIT;
    if (command == "render")
        return "usage:\n" SOAR_USAGE_RENDER SOAR_USAGE_PARAMETERS SOAR_USAGE_RANGES SOAR_USAGE_EXIT;
    if (command == "min-wind")
        return "usage:\n" SOAR_USAGE_MIN_WIND SOAR_USAGE_PARAMETERS SOAR_USAGE_EXIT;
    if (command == "params")
        return "usage:\n" SOAR_USAGE_PARAMS SOAR_USAGE_PARAMETERS SOAR_USAGE_EXIT;
    if (command == "export-geometry")
        return "usage:\n" SOAR_USAGE_EXPORT SOAR_USAGE_RANGES SOAR_USAGE_EXIT;
    if (command == "optimise")
        return "usage:\n" SOAR_USAGE_OPTIMISE SOAR_USAGE_PARAMETERS SOAR_USAGE_EXIT;
    if (command == "sweep" || command == "merge")
        return "usage:\n" SOAR_USAGE_SWEEP SOAR_USAGE_PARAMETERS SOAR_USAGE_EXIT;
    return nullptr;
}

bool stdout_written(const char* command) {
    // Buffered text reaches the file, pipe or terminal only here: a full disk or a
    // reader that went away shows now, not in a silent flush at exit.
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    const int err = errno;
    std::fprintf(stderr, "soarcalculus %s: cannot write to standard output: %s\n", command,
                 err ? std::strerror(err) : "write error");
    return false;
}

Args parse_args(int argc, char** argv, const std::vector<std::string>& with_value,
                const std::vector<std::string>& bare, const std::vector<std::string>& repeatable) {
    const auto listed = [](const std::vector<std::string>& names, const std::string& arg) {
        for (const auto& name : names)
            if (arg == "--" + name) return true;
        return false;
    };
    const auto is_option = [&](const std::string& arg) {
        return listed(with_value, arg) || listed(bare, arg) || listed(repeatable, arg);
    };
    Args a;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!is_option(arg)) throw ArgError{"unknown argument \"" + arg + "\""};
        const std::string name = arg.substr(2);
        if (listed(bare, arg)) {
            if (a.flags.count(name)) throw ArgError{arg + " is given more than once"};
            a.flags[name] = true;
            continue;
        }
        // A value that is itself one of the command's options means the value
        // was left out ("--csv --ticks 5").
        if (i + 1 >= argc || is_option(argv[i + 1])) throw ArgError{arg + " needs a value"};
        const std::string value = argv[++i];
        if (value.empty()) throw ArgError{arg + " needs a value, not an empty one"};
        if (listed(repeatable, arg)) {
            a.lists[name].push_back(value);
            continue;
        }
        if (a.values.count(name)) throw ArgError{arg + " is given more than once"};
        a.values[name] = value;
    }
    return a;
}

namespace {

// The whole text as a finite decimal number, or nothing.
std::optional<double> whole_number(const std::string& text) {
    return decimal_number(text);
}

// A bound as a person writes it: "0.000001", "86400", "1e+37".
std::string bound_text(double v) {
    char buf[400];  // the fixed form of the tiniest double has 327 characters
    return std::string(
        buf, std::fabs(v) < 1e15 ? put_shortest_fixed(buf, v) : put_shortest_general(buf, v));
}

std::string range_text(const Range& r) {
    std::string text = "from " + bound_text(r.lo) +
                       (r.hi_open ? " up to (not including) " : " to ") + bound_text(r.hi);
    if (*r.unit) text += std::string(" ") + r.unit;
    return text;
}

}  // namespace

double number_arg(const Args& a, const std::string& name, std::optional<double> fallback) {
    const auto it = a.values.find(name);
    if (it == a.values.end()) {
        if (fallback) return *fallback;
        throw ArgError{"--" + name + " is required"};
    }
    const auto v = whole_number(it->second);
    if (!v) throw ArgError{"--" + name + " needs a number, not \"" + it->second + "\""};
    return *v;
}

double number_arg(const Args& a, const std::string& name, std::optional<double> fallback,
                  const Range& range) {
    const auto it = a.values.find(name);
    if (it == a.values.end()) {
        if (fallback) return *fallback;
        throw ArgError{"--" + name + " is required (a number " + range_text(range) + ")"};
    }
    const auto v = whole_number(it->second);
    if (!v || *v < range.lo || *v > range.hi || (range.hi_open && *v == range.hi))
        throw ArgError{"--" + name + " needs a number " + range_text(range) + ", not \"" +
                       it->second + "\""};
    return *v;
}

long long count_arg(const Args& a, const std::string& name, std::optional<long long> fallback,
                    long long max) {
    const auto it = a.values.find(name);
    if (it == a.values.end()) {
        if (fallback) return *fallback;
        throw ArgError{"--" + name + " is required"};
    }
    long long v = 0;
    const std::string& text = it->second;
    const char* first = text.data();
    if (!text.empty() && text[0] == '+') ++first;
    // from_chars refuses values beyond long long instead of wrapping them.
    const auto r = std::from_chars(first, text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || v < 1 ||
        v > max)
        throw ArgError{"--" + name + " needs a whole number from 1 to " + std::to_string(max) +
                       ", not \"" + text + "\""};
    return v;
}

void size_arg(const Args& a, const std::string& name, int& width, int& height) {
    const auto it = a.values.find(name);
    if (it == a.values.end()) return;
    const std::string& text = it->second;
    const auto side = [](std::string_view t, int& out) {
        // Digits only: no sign, no blank, no wrap-around of a long number.
        if (t.empty() || t.size() > 5 || t.find_first_not_of("0123456789") != t.npos) return false;
        int v = 0;
        std::from_chars(t.data(), t.data() + t.size(), v);
        if (v < kMinSide || v > kMaxSide) return false;
        out = v;
        return true;
    };
    const auto x = text.find('x');
    int w = 0, h = 0;
    if (x == std::string::npos || !side(std::string_view(text).substr(0, x), w) ||
        !side(std::string_view(text).substr(x + 1), h))
        throw ArgError{"--" + name + " needs WIDTHxHEIGHT with each side from " +
                       std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) +
                       " pixels, not \"" + text + "\""};
    width = w;
    height = h;
}

std::string output_arg(const Args& a, const std::string& name) {
    const std::string& path = a.values.at(name);
    std::string why;
    if (!output_path_usable(path, why)) throw ArgError{"--" + name + ": " + why};
    return path;
}

void refuse_one_file_twice(const std::vector<FileArg>& files) {
    for (size_t i = 0; i < files.size(); ++i) {
        for (size_t j = i + 1; j < files.size(); ++j) {
            const FileArg& a = files[i];
            const FileArg& b = files[j];
            if (a.path.empty() || b.path.empty() || !(a.written || b.written)) continue;
            if (!same_output_file(a.path, b.path)) continue;
            const std::string why =
                a.written && b.written
                    ? "one would overwrite the other"
                    : "the file " + (a.written ? b : a).option + " reads would be overwritten";
            throw ArgError{a.option + " and " + b.option + " name the same file \"" + b.path +
                           "\": " + why};
        }
    }
}

double clock_resolution(double clock) {
    const float c = float(clock);
    return double(std::nextafter(c, std::numeric_limits<float>::infinity())) - double(c);
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

}  // namespace soar::cli
