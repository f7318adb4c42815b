// What the headless commands share: their usage text, strict argument
// parsing, the clock readings of a command-line flight and a progress line.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/session.h"

namespace soar::cli {

extern const char* const kUsage;

struct ArgError {
    std::string message;
};

// --name value pairs and bare --flags.
struct Args {
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
};

// argv[2..]: each --name in `with_value` takes the next argument as its value,
// each --name in `bare` is a flag; anything else is an ArgError.
Args parse_args(int argc, char** argv, const std::vector<std::string>& with_value,
                const std::vector<std::string>& bare);
// A whole argument as a finite number; anything else is an error.
double number_arg(const Args& a, const std::string& name, std::optional<double> fallback);
// A whole argument as a count of at least 1.
long long count_arg(const Args& a, const std::string& name, std::optional<long long> fallback);
Mode pattern_arg(const Args& a, bool allow_fixed);

// The clock reading of tick k: the start plus (k - 1) steps, summed in double.
float clock_at(double clock_start, long long k, double dt);
// Runs the user's sequence up to "FLY": start-up, the pattern, "OK", "FLY".
void fly_setup(Session& run, Mode mode, double clock_start);

// A progress line on a terminal for long flights.
class Progress {
  public:
    explicit Progress(long long total)
        : total_(total), on_(isatty(STDERR_FILENO) && total >= 20000) {}
    void update(long long k) {
        if (!on_ || (k & 4095) != 0) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        std::fprintf(stderr, "\r%lld / %lld ticks (%.0f%%)", k, total_,
                     100.0 * double(k) / double(total_));
    }
    void done() {
        if (on_) std::fprintf(stderr, "\r%*s\r", 40, "");
    }

  private:
    long long total_;
    bool on_;
    std::chrono::steady_clock::time_point last_{};
};

// The commands, argv[1] being the command's name.
int fly_command(int argc, char** argv);
int render_command(int argc, char** argv, const RasterSupport& raster);
int export_geometry_command(int argc, char** argv);
int min_wind_command(int argc, char** argv);
int optimise_command(int argc, char** argv);

}  // namespace soar::cli
