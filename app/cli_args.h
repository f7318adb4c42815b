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
#include "sim/mode.h"

namespace soar::cli {

extern const char* const kUsage;
// The usage of one command ("fly", ...), for "COMMAND --help"; null for another word.
const char* command_usage(const std::string& command);
// Standard output flushed and checked: false, with a message naming the reason
// on standard error, when what was printed did not all arrive (a full disk, a
// reader that went away). Every command that prints its results ends with it.
bool stdout_written(const char* command);

struct ArgError {
    std::string message;
};

// --name value pairs, repeatable --name value options and bare --flags.
struct Args {
    std::map<std::string, std::string> values;
    std::map<std::string, std::vector<std::string>> lists;  // in the order given
    std::map<std::string, bool> flags;
};

// argv[2..]: each --name in `with_value` takes the next argument as its value,
// each --name in `bare` is a flag, each --name in `repeatable` takes a value and
// may be given any number of times. Anything else, a missing or empty value, or
// an option other than a repeatable one given twice is an ArgError.
Args parse_args(int argc, char** argv, const std::vector<std::string>& with_value,
                const std::vector<std::string>& bare,
                const std::vector<std::string>& repeatable = {});

// The values a number argument may take, and its unit for the message.
struct Range {
    double lo, hi;
    bool hi_open = false;  // [lo, hi) instead of [lo, hi]
    const char* unit = "";
};
// Ranges of the commands' numbers.
inline constexpr Range kDtRange{0.000001, 10.0, false, "s"};
// The clock reads seconds since midnight.
inline constexpr Range kClockStartRange{0.0, 86400.0, true, "s"};
// The typed attitude (degrees) and scale of export-geometry. An angle is only
// ever used through its sine and cosine, so any finite 32-bit float will do. The
// scale multiplies every coordinate: the exported numbers overflow a 32-bit float
// from a scale between 1.9e38 and 2e38 on; 1e38 keeps them finite at any attitude.
inline constexpr Range kAngleRange{-3.4028234663852886e38, 3.4028234663852886e38, false, "degrees"};
inline constexpr Range kScaleRange{-1e38, 1e38, false, ""};
inline constexpr long long kMaxTicks = 1'000'000'000;
inline constexpr int kMinSide = 16, kMaxSide = 8192;

// A whole argument as a finite number (the whole text: no trailing junk, no
// overflow to infinity); anything else is an error.
double number_arg(const Args& a, const std::string& name, std::optional<double> fallback);
// The same, within `range`; the error message states the range.
double number_arg(const Args& a, const std::string& name, std::optional<double> fallback,
                  const Range& range);
// A whole argument as a count from 1 to `max`.
long long count_arg(const Args& a, const std::string& name, std::optional<long long> fallback,
                    long long max = kMaxTicks);
// --size WxH: two whole numbers from kMinSide to kMaxSide joined by "x".
void size_arg(const Args& a, const std::string& name, int& width, int& height);
Mode pattern_arg(const Args& a, bool allow_fixed);
// An output file's path from `name`: usable (not empty, its folder exists), else
// an ArgError, so that nothing is flown for a file that cannot be written.
std::string output_arg(const Args& a, const std::string& name);

// A file named on a command line: by what names it ("--csv", "a shard"), its
// name, and whether the command writes it or only reads it.
struct FileArg {
    std::string option;
    std::string path;  // empty: not given
    bool written = true;
};
// ArgError naming both options when two of `files` are one file (the same
// name, through a link, or the same place by another spelling) and the
// command writes at least one of them; names of devices and pipes may repeat.
void refuse_one_file_twice(const std::vector<FileArg>& files);

// The smallest step of the clock (a 32-bit float of seconds) at reading `clock`.
double clock_resolution(double clock);

// The clock reading of tick k: the start plus (k - 1) steps, summed in double.
float clock_at(double clock_start, long long k, double dt);

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

// The commands, argv[1] being the command's name. With `parse_only` a command
// checks its arguments (exit 2 and a message when they are wrong) and returns 0
// without flying or writing anything.
int fly_command(int argc, char** argv, bool parse_only = false);
int render_command(int argc, char** argv, const RasterSupport& raster, bool parse_only = false);
int export_geometry_command(int argc, char** argv, bool parse_only = false);
int min_wind_command(int argc, char** argv, bool parse_only = false);
int optimise_command(int argc, char** argv, bool parse_only = false);

}  // namespace soar::cli
