#include "app/cli.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "platform/headless/recording_surface.h"
#include "platform/number_text.h"

namespace soar {

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  soarcalculus                      open the window\n"
    "  soarcalculus fly --pattern {upwind|downwind|crosswind|circlezoom|profile}\n"
    "                   --ticks N --dt SECONDS [--clock-start SECONDS] [--csv FILE] [--no-redraw]\n"
    "  soarcalculus render --pattern {fixed|upwind|downwind|crosswind|circlezoom|profile}\n"
    "                   [--ticks N] [--dt S] [--clock-start S] [--grid] [--size WxH] --png FILE\n"
    "  soarcalculus export-geometry --dir DIR [--roll DEG] [--pitch DEG] [--yaw DEG] [--scale S]\n";

struct ArgError {
    std::string message;
};

// --name value pairs and bare --flags.
struct Args {
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
};

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

// A whole argument as a finite number; anything else is an error.
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

// The clock reading of tick k: the start plus (k - 1) steps, summed in double.
float clock_at(double clock_start, long long k, double dt) {
    return float(clock_start + double(k - 1) * dt);
}

// Runs the user's sequence up to "FLY". False (message printed) when it failed.
void fly_setup(Session& run, Mode mode, double clock_start) {
    run.start();
    run.choose(mode);
    run.press_ok();
    run.press_fly(float(clock_start));
}

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

void append_row(std::string& out, long long tick, const State& s) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, tick);
    out.append(buf, r.ptr);
    for (const float v : {s.t, s.dt, s.X, s.Y, s.Z, s.V, s.gam_deg, s.psi_deg, s.mu_deg, s.Nz, s.Nx,
                          s.CL, s.U, s.Up, s.alpha, s.roll_b, s.pitch_b, s.yaw_b}) {
        out += ',';
        r = std::to_chars(buf, buf + sizeof buf, v);
        out.append(buf, r.ptr);
    }
    out += '\n';
}

int fly(int argc, char** argv) {
    Mode mode;
    long long ticks;
    double dt, clock_start;
    std::string csv;
    bool redraw = true;
    try {
        const Args a =
            parse_args(argc, argv, {"pattern", "ticks", "dt", "clock-start", "csv"}, {"no-redraw"});
        redraw = a.flags.count("no-redraw") == 0;
        mode = pattern_arg(a, false);
        ticks = count_arg(a, "ticks", std::nullopt);
        dt = number_arg(a, "dt", std::nullopt);
        if (!(dt > 0)) throw ArgError{"--dt must be greater than 0"};
        clock_start = number_arg(a, "clock-start", 0.0);
        if (a.values.count("csv")) csv = a.values.at("csv");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus fly: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }

    std::FILE* out = stdout;
    if (!csv.empty()) {
        out = std::fopen(csv.c_str(), "wb");
        if (!out) {
            std::fprintf(stderr, "soarcalculus fly: cannot create \"%s\": %s\n", csv.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    Session run(std::make_unique<RecordingSurface>(833, 667, false));
    fly_setup(run, mode, clock_start);

    std::string buffer =
        "tick,t,dt,X,Y,Z,V,gam_deg,psi_deg,mu_deg,Nz,Nx,CL,U,Up,alpha,roll_b,pitch_b,yaw_b\n";
    buffer.reserve(1 << 20);
    Progress progress(ticks);
    int status = 0;
    long long done = 0;
    bool write_ok = true;
    for (long long k = 1; k <= ticks; ++k) {
        const float now = clock_at(clock_start, k, dt);
        if (!(redraw ? run.tick(now) : run.tick_flight_only(now))) {
            status = 1;
            break;
        }
        append_row(buffer, k, run.s);
        ++done;
        if (buffer.size() > (1 << 20) - 512) {
            write_ok =
                write_ok && std::fwrite(buffer.data(), 1, buffer.size(), out) == buffer.size();
            buffer.clear();
        }
        progress.update(k);
    }
    progress.done();
    write_ok = write_ok && std::fwrite(buffer.data(), 1, buffer.size(), out) == buffer.size();
    write_ok = (out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0) && write_ok;
    if (!write_ok) {
        std::fprintf(stderr, "soarcalculus fly: writing \"%s\" failed\n",
                     csv.empty() ? "standard output" : csv.c_str());
        return 1;
    }
    if (status != 0) std::fprintf(stderr, "soarcalculus fly: %s\n", run.w.message.c_str());
    const State& s = run.s;
    const double energy = double(s.Z) + double(s.V) * double(s.V) / (2.0 * double(s.g));
    std::fprintf(
        stderr,
        "%lld ticks, flight time %s s, airspeed %s m/s, height %s m, specific energy %.4f m\n",
        done, float_text(s.t).c_str(), float_text(s.V).c_str(), float_text(s.Z).c_str(), energy);
    return status;
}

int render(int argc, char** argv, const RasterSupport& raster) {
    Mode mode;
    long long ticks;
    double dt, clock_start;
    bool grid;
    int width = 833, height = 667;
    std::string png;
    try {
        const Args a = parse_args(
            argc, argv, {"pattern", "ticks", "dt", "clock-start", "size", "png"}, {"grid"});
        mode = pattern_arg(a, true);
        ticks = count_arg(a, "ticks", 1);
        dt = number_arg(a, "dt", 0.02);
        if (!(dt > 0)) throw ArgError{"--dt must be greater than 0"};
        clock_start = number_arg(a, "clock-start", 0.0);
        grid = a.flags.count("grid") > 0;
        if (a.values.count("size")) {
            const std::string& sz = a.values.at("size");
            if (std::sscanf(sz.c_str(), "%dx%d", &width, &height) != 2 || width < 16 ||
                height < 16 || width > 8192 || height > 8192)
                throw ArgError{"--size needs WxH between 16x16 and 8192x8192, not \"" + sz + "\""};
        }
        if (!a.values.count("png")) throw ArgError{"--png is required"};
        png = a.values.at("png");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus render: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
    if (!raster.make) {
        std::fprintf(stderr, "soarcalculus render: no raster support in this build\n");
        return 1;
    }
    Session run(raster.make(width, height));
    run.start();
    if (grid) set_check(run.s, run.w, run.io, Id::chk_grid, 1);
    int status = 0;
    if (mode == Mode::fixed) {
        run.press_ok();
    } else {
        run.choose(mode);
        run.press_ok();
        run.press_fly(float(clock_start));
        for (long long k = 1; k <= ticks; ++k) {
            if (!run.tick(clock_at(clock_start, k, dt))) {
                std::fprintf(stderr, "soarcalculus render: %s\n", run.w.message.c_str());
                status = 1;
                break;
            }
        }
    }
    std::string error;
    if (!raster.save_png(*run.pic, png, error)) {
        std::fprintf(stderr, "soarcalculus render: cannot write \"%s\": %s\n", png.c_str(),
                     error.c_str());
        return 1;
    }
    return status;
}

int export_geometry(int argc, char** argv) {
    std::string dir, roll = "0", pitch = "2", yaw = "0", scale = "1";
    try {
        const Args a = parse_args(argc, argv, {"dir", "roll", "pitch", "yaw", "scale"}, {});
        if (!a.values.count("dir")) throw ArgError{"--dir is required"};
        dir = a.values.at("dir");
        // Each value goes into its box as typed; it must be a number.
        for (auto [name, target] :
             {std::pair{"roll", &roll}, {"pitch", &pitch}, {"yaw", &yaw}, {"scale", &scale}}) {
            if (!a.values.count(name)) continue;
            number_arg(a, name, std::nullopt);
            *target = a.values.at(name);
        }
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus export-geometry: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        std::fprintf(stderr, "soarcalculus export-geometry: \"%s\" is not a directory\n",
                     dir.c_str());
        return 1;
    }
    Session run(std::make_unique<RecordingSurface>(833, 667, false), dir);
    run.start();
    edit_text(run.s, run.w, run.io, Id::txt_rollR, roll);
    edit_text(run.s, run.w, run.io, Id::txt_pitchup, pitch);
    edit_text(run.s, run.w, run.io, Id::txt_yawR, yaw);
    edit_text(run.s, run.w, run.io, Id::txt_bird_scale, scale);
    set_check(run.s, run.w, run.io, Id::chk_write, 1);
    run.press_ok();
    if (!run.w.message.empty()) {
        std::fprintf(stderr, "soarcalculus export-geometry: %s\n", run.w.message.c_str());
        return 1;
    }
    std::fprintf(stderr, "wrote the eight geometry files to \"%s\"\n", dir.c_str());
    return 0;
}

}  // namespace

int cli_main(int argc, char** argv, const RasterSupport& raster,
             const std::function<int(int, char**)>& window) {
    if (argc < 2) {
        if (window) return window(argc, argv);
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const std::string command = argv[1];
    if (command == "fly") return fly(argc, argv);
    if (command == "render") return render(argc, argv, raster);
    if (command == "export-geometry") return export_geometry(argc, argv);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fprintf(stdout, "%s", kUsage);
        return 0;
    }
    // Anything else (a toolkit option such as -platform) goes to the window.
    if (command.rfind("-", 0) == 0 && window) return window(argc, argv);
    std::fprintf(stderr, "soarcalculus: unknown command \"%s\"\n%s", command.c_str(), kUsage);
    return 2;
}

}  // namespace soar
