#include "app/sweep_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "app/session.h"
#include "platform/number_text.h"
#include "sim/names.h"
#include "sim/param_fields.h"

namespace soar {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view kFilePrefix = "# soarcalculus sweep: ";

const char* pattern_text(Mode m) {
    return mode_name(m);
}

}  // namespace

std::string sweep_text(const SweepPlan& s) {
    std::string t = std::string("what=") + sweep_what_name(s.what) + ";over=";
    for (size_t i = 0; i < s.axes.size(); ++i) {
        const SweepAxis& a = s.axes[i];
        t += (i ? "," : "") + a.name + ":";
        if (a.values.empty()) {
            t += shortest_double(a.start) + ":" + shortest_double(a.stop) + ":" +
                 std::to_string(a.count);
        } else {
            // The values listed, "|" apart (the axes are "," apart).
            for (size_t k = 0; k < a.values.size(); ++k) {
                if (k) t += '|';
                t += shortest_double(a.values[k]);
            }
        }
    }
    t += ";preset=" + s.preset + ";base=";
    const ParamSet defaults;
    bool first = true;
    for (const Mode table : param_table_patterns())
        for (const ParamField& f : param_fields()) {
            const float v = s.base.of(table).*f.member;
            const float d = defaults.of(table).*f.member;
            if (std::memcmp(&v, &d, sizeof v) == 0) continue;  // -0 is not 0 here
            if (!first) t += ',';
            t.append(mode_name(table))
                .append(".")
                .append(f.name)
                .append(":")
                .append(shortest_float(v));
            first = false;
        }
    switch (s.what) {
        case SweepWhat::energy_neutral_wind:
            t += std::string(";pattern=") + pattern_text(s.pattern) +
                 ";cycles=" + std::to_string(s.cycles) + ";dt=" + shortest_double(s.dt);
            break;
        case SweepWhat::optimise:
            t += std::string(";profile=") +
                 (s.profile ? optim::profile_name(*s.profile) : "preset") +
                 ";nodes=" + std::to_string(s.nodes) + ";loop=";
            for (size_t i = 0; i < s.loop_settings.size(); ++i)
                t += (i ? "," : "") + s.loop_settings[i].first + ":" +
                     shortest_double(s.loop_settings[i].second);
            break;
        case SweepWhat::fly_summary:
            t += std::string(";pattern=") + pattern_text(s.pattern) +
                 ";ticks=" + std::to_string(s.ticks) + ";dt=" + shortest_double(s.dt);
            break;
        case SweepWhat::track:
            t += ";nodes=" + std::to_string(s.nodes) + ";loop=";
            for (size_t i = 0; i < s.loop_settings.size(); ++i)
                t += (i ? "," : "") + s.loop_settings[i].first + ":" +
                     shortest_double(s.loop_settings[i].second);
            t += ";dt=" + shortest_double(s.dt) + ";seconds=" + shortest_double(s.seconds) +
                 ";wind_factor=" + shortest_double(s.wind_factor) +
                 ";sigma_w=" + shortest_double(s.sigma_w) + ";seed=" + std::to_string(s.seed);
            break;
    }
    return t;
}

std::optional<SweepPlan> sweep_from_text(std::string_view text, std::string& error) {
    SweepPlan s;
    const auto bad = [&](const std::string& why) {
        error = "not a sweep: " + why;
        return std::nullopt;
    };
    bool what_given = false;
    for (std::string_view item : split_at(text, ';')) {
        const size_t eq = item.find('=');
        if (eq == item.npos) return bad("\"" + std::string(item) + "\" is not KEY=VALUE");
        const std::string_view key = item.substr(0, eq), value = item.substr(eq + 1);
        if (key == "what") {
            const auto w = sweep_what_named(value);
            if (!w) return bad("unknown kind \"" + std::string(value) + "\"");
            s.what = *w;
            what_given = true;
        } else if (key == "over") {
            if (value.empty()) continue;
            for (std::string_view a : split_at(value, ',')) {
                const auto parts = split_at(a, ':');
                std::string e;
                std::optional<SweepAxis> axis;
                if (parts.size() == 4) {
                    axis = sweep_axis_from_text(
                        std::string(parts[0]) + "=" + std::string(a.substr(parts[0].size() + 1)),
                        e);
                } else if (parts.size() == 2 && !parts[1].empty()) {
                    std::string list(parts[1]);
                    std::replace(list.begin(), list.end(), '|', ',');
                    axis = sweep_axis_from_text(std::string(parts[0]) + "=" + list, e);
                }
                if (!axis) return bad("axis \"" + std::string(a) + "\"");
                s.axes.push_back(*axis);
            }
        } else if (key == "preset") {
            s.preset = std::string(value);
        } else if (key == "base") {
            if (value.empty()) continue;
            for (std::string_view b : split_at(value, ',')) {
                const size_t dot = b.find('.'), colon = b.find(':');
                if (dot == b.npos || colon == b.npos || colon < dot)
                    return bad("base \"" + std::string(b) + "\"");
                const std::string_view table = b.substr(0, dot),
                                       name = b.substr(dot + 1, colon - dot - 1);
                const std::string_view v = b.substr(colon + 1);
                const ParamField* f = param_field(name);
                std::optional<Mode> t;
                for (const Mode tt : param_table_patterns())
                    if (table == mode_name(tt)) t = tt;
                const auto x = decimal_float(v);
                if (!f || !t || !x) return bad("base \"" + std::string(b) + "\"");
                s.base.of(*t).*f->member = *x;
            }
        } else if (key == "pattern") {
            const auto m = mode_named(value);
            if (!m) return bad("pattern \"" + std::string(value) + "\"");
            s.pattern = *m;
        } else if (key == "seconds" || key == "wind_factor" || key == "sigma_w") {
            const auto v = decimal_number(value);
            if (!v) return bad(std::string(key) + " \"" + std::string(value) + "\"");
            (key == "seconds" ? s.seconds : key == "wind_factor" ? s.wind_factor : s.sigma_w) = *v;
        } else if (key == "cycles" || key == "nodes" || key == "ticks" || key == "seed") {
            const auto n = whole_number(value);
            if (!n) return bad(std::string(key) + " \"" + std::string(value) + "\"");
            if (key == "cycles") s.cycles = int(std::clamp(*n, -1LL, 1'000'000LL));
            if (key == "nodes") s.nodes = int(std::clamp(*n, -1LL, 1'000'000LL));
            if (key == "ticks") s.ticks = *n;
            if (key == "seed") s.seed = *n;
        } else if (key == "dt") {
            const auto v = decimal_number(value);
            if (!v) return bad("dt \"" + std::string(value) + "\"");
            s.dt = *v;
        } else if (key == "profile") {
            if (value == "preset") continue;
            optim::WindProfile p;
            if (!optim::profile_named(std::string(value), p))
                return bad("profile \"" + std::string(value) + "\"");
            s.profile = p;
        } else if (key == "loop") {
            if (value.empty()) continue;
            for (std::string_view l : split_at(value, ',')) {
                const size_t colon = l.find(':');
                const auto v = colon == l.npos ? std::nullopt : decimal_number(l.substr(colon + 1));
                if (!v) return bad("loop setting \"" + std::string(l) + "\"");
                s.loop_settings.emplace_back(std::string(l.substr(0, colon)), *v);
            }
        } else {
            return bad("unknown key \"" + std::string(key) + "\"");
        }
    }
    if (!what_given) return bad("no what=");
    if (const std::string e = sweep_error(s); !e.empty()) return bad(e);
    error.clear();
    return s;
}

std::string sweep_row_text(const SweepRow& r) {
    std::string t = std::to_string(r.point);
    for (double v : r.inputs) t.append(",").append(shortest_double(v));
    for (double v : r.results)
        t.append(",").append(std::isnan(v) ? std::string() : shortest_double(v));
    t += ",\"";
    for (char c : r.status) {
        if (c == '"') t += '"';  // a quote inside a quoted cell is doubled
        t += c;
    }
    char sec[40];
    std::snprintf(sec, sizeof sec, "\",%.3f\n", r.seconds);
    return t + sec;
}

std::optional<SweepRow> sweep_row_from_text(const SweepPlan& s, std::string_view line,
                                            std::string& error) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Cells split at commas outside quotes; a quoted cell's "" is one quote.
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cells.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cells.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    const size_t n_in = s.axes.size(), n_out = sweep_result_columns(s.what).size();
    if (quoted || cells.size() != 1 + n_in + n_out + 2) {
        error = "a row of " + std::to_string(cells.size()) + " cells, not " +
                std::to_string(1 + n_in + n_out + 2);
        return std::nullopt;
    }
    SweepRow r;
    const auto point = whole_number(cells[0]);
    if (!point || *point < 0 || *point >= sweep_size(s)) {
        error = "\"" + cells[0] + "\" is not a point of the sweep";
        return std::nullopt;
    }
    r.point = *point;
    const std::vector<double> want = sweep_inputs(s, r.point);
    for (size_t i = 0; i < n_in; ++i) {
        const auto v = decimal_number(cells[1 + i]);
        if (!v || *v != want[i]) {
            error = "point " + cells[0] + "'s " + s.axes[i].name + " is \"" + cells[1 + i] +
                    "\", not the sweep's " + shortest_double(want[i]);
            return std::nullopt;
        }
        r.inputs.push_back(*v);
    }
    for (size_t i = 0; i < n_out; ++i) {
        const std::string& c = cells[1 + n_in + i];
        const auto v = c.empty() ? std::optional<double>(kNaN) : decimal_number(c);
        if (!v) {
            error = "\"" + c + "\" is not a number";
            return std::nullopt;
        }
        r.results.push_back(*v);
    }
    r.status = cells[1 + n_in + n_out];
    const auto sec = decimal_number(cells.back());
    r.seconds = sec ? *sec : kNaN;
    return r;
}

namespace {

// The whole of a regular file of at most kMaxSweepFileBytes; nothing with
// `error` for anything else. Opened without waiting, so that a FIFO with no
// writer is refused rather than waited on.
std::optional<std::string> file_text(const std::string& path, std::string& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open \"" + path + "\": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    std::optional<std::string> text;
    if (fstat(fd, &st) != 0) {
        error = "cannot read \"" + path + "\": " + std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = "\"" + path + "\" is " +
                (S_ISFIFO(st.st_mode)  ? "a pipe"
                 : S_ISDIR(st.st_mode) ? "a folder"
                                       : "a device") +
                ", not a sweep's file";
    } else if (st.st_size > kMaxSweepFileBytes) {
        error = "\"" + path + "\" is larger than a sweep's file can be (" +
                std::to_string(kMaxSweepFileBytes >> 20) + " MiB)";
    } else {
        // Read to the end, at most the limit (a file that grows while read
        // stops there).
        text.emplace();
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = "cannot read \"" + path + "\": " + std::strerror(errno);
                text.reset();
                break;
            }
            if (n == 0) break;
            text->append(buf, size_t(n));
            if ((long long)text->size() > kMaxSweepFileBytes) {
                error = "\"" + path + "\" is larger than a sweep's file can be (" +
                        std::to_string(kMaxSweepFileBytes >> 20) + " MiB)";
                text.reset();
                break;
            }
        }
    }
    close(fd);
    return text;
}

}  // namespace

std::optional<SweepFile> read_sweep_file(const std::string& path, std::string& error) {
    const auto all = file_text(path, error);
    if (!all) return std::nullopt;
    size_t at = 0;
    const auto next_line = [&](std::string& line) {
        if (at >= all->size()) return false;
        const size_t nl = all->find('\n', at);
        line.assign(*all, at, nl == std::string::npos ? std::string::npos : nl - at);
        at = nl == std::string::npos ? all->size() : nl + 1;
        return true;
    };
    std::string line;
    if (!next_line(line) || line.rfind(kFilePrefix, 0) != 0) {
        error = path + ":1: not a sweep's file (its first line is not \"" +
                std::string(kFilePrefix) + "...\")";
        return std::nullopt;
    }
    SweepFile f;
    f.text = line.substr(kFilePrefix.size());
    if (!f.text.empty() && f.text.back() == '\r') f.text.pop_back();
    std::string e;
    auto plan = sweep_from_text(f.text, e);
    if (!plan) {
        error = path + ":1: " + e;
        return std::nullopt;
    }
    f.plan = *plan;
    if (!next_line(line) || (line != sweep_header(f.plan) && line != sweep_header(f.plan) + "\r")) {
        error = path + ":2: the header is not \"" + sweep_header(f.plan) + "\"";
        return std::nullopt;
    }
    for (long n = 3; next_line(line); ++n) {
        if (line.empty() || line == "\r") continue;
        auto row = sweep_row_from_text(f.plan, line, e);
        if (!row) {
            error = path + ":" + std::to_string(n) + ": " + e;
            return std::nullopt;
        }
        f.rows.push_back(std::move(*row));
    }
    return f;
}

std::string sweep_file_text(const SweepPlan& s, std::vector<SweepRow> rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const SweepRow& a, const SweepRow& b) { return a.point < b.point; });
    std::string out = std::string(kFilePrefix) + sweep_text(s) + "\n" + sweep_header(s) + "\n";
    long long last = -1;
    for (const SweepRow& r : rows) {
        if (r.point == last) continue;
        out += sweep_row_text(r);
        last = r.point;
    }
    return out;
}

namespace {

std::string lock_path_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() + 5 <= NAME_MAX) return path + ".lock";
    // A name too long for ".lock" after it: a hidden lock named by its hash.
    char hash[32];
    std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(name));
    return folder + ".soarcalculus-sweep-" + hash + ".lock";
}

}  // namespace

bool SweepFileLock::take(const std::string& path, std::string& error) {
    const std::string lock = lock_path_of(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            error = "cannot make the lock file \"" + lock + "\" beside \"" + path +
                    "\": " + std::strerror(errno);
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            char who[256] = {};
            const ssize_t n = pread(fd, who, sizeof who - 1, 0);
            std::string holder = n > 0 ? std::string(who, size_t(n)) : std::string();
            while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' '))
                holder.pop_back();
            close(fd);
            error = "\"" + path + "\" is being written by another sweep (" +
                    (holder.empty() ? std::string("its lock: ") + lock
                                    : holder + "; its lock: " + lock) +
                    "): wait for it to end, or choose another file";
            return false;
        }
        // The lock file may have been removed by the writer before (which
        // unlinks, then unlocks): only the file still at that name counts.
        struct stat held {
        }, named{};
        if (fstat(fd, &held) == 0 && stat(lock.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            char host[256] = "this machine";
            gethostname(host, sizeof host - 1);
            const std::string who =
                "process " + std::to_string(getpid()) + " on " + std::string(host) + "\n";
            if (ftruncate(fd, 0) != 0 || pwrite(fd, who.data(), who.size(), 0) < 0) {
                // The lock holds without its note.
            }
            fd_ = fd;
            lock_path_ = lock;
            return true;
        }
        close(fd);
    }
    error = "cannot lock \"" + lock + "\"";
    return false;
}

SweepFileLock::~SweepFileLock() {
    if (fd_ < 0) return;
    unlink(lock_path_.c_str());
    close(fd_);
}

}  // namespace soar
