// sweep and merge: a grid of runs of one command, one CSV row per point, split
// over local worker processes (--jobs) or over the tasks of a cluster job
// (--shard I/N), resumed from its own file, and joined again (merge).
#include "app/cli_sweep.h"

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/cli_args.h"
#include "app/cli_params.h"
#include "app/loop_params.h"
#include "app/sweep.h"
#include "optim/loop_problem.h"
#include "platform/atomic_file.h"
#include "sim/param_fields.h"

namespace soar::cli {

namespace {

std::atomic<bool> g_stop{false};
volatile std::sig_atomic_t g_signal = 0;
extern "C" void on_sweep_signal(int sig) {
    g_signal = sig;
    g_stop = true;
}

// Ctrl-C and a cluster's SIGTERM (a job's time is up) stop the sweep after
// the points done so far are written.
class StopSignals {
  public:
    StopSignals() {
        g_stop = false;
        g_signal = 0;
        struct sigaction sa {};
        sa.sa_handler = on_sweep_signal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &int_);
        sigaction(SIGTERM, &sa, &term_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &int_, nullptr);
        sigaction(SIGTERM, &term_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    struct sigaction int_ {
    }, term_{};
};

bool is_loop_setting(const std::string& name) {
    optim::LoopProblem probe;
    return set_loop_setting(probe, name, 0.0);
}

// "3/8": shard 3 of 8 takes the points k with k % 8 == 2.
void shard_arg(const Args& a, long long& index, long long& count) {
    const auto it = a.values.find("shard");
    if (it == a.values.end()) return;
    const std::string& t = it->second;
    const size_t slash = t.find('/');
    Args parts;
    parts.values["shard"] = t.substr(0, slash == std::string::npos ? t.size() : slash);
    parts.values["of"] = slash == std::string::npos ? "" : t.substr(slash + 1);
    try {
        count = count_arg(parts, "of", std::nullopt, 100000);
        index = count_arg(parts, "shard", std::nullopt, count);
    } catch (const ArgError&) {
        throw ArgError{"--shard needs I/N, a shard I from 1 to N of N (N at most 100000), not \"" +
                       t + "\""};
    }
}

// The cores this process may run on (a cluster job's share, not the node's).
int usable_cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

bool regular_file_with_data(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

std::string grid_text(const SweepPlan& s) {
    std::string t;
    for (const SweepAxis& a : s.axes)
        t += (t.empty() ? "" : " x ") + a.name + " (" + std::to_string(a.count) + ")";
    return t;
}

std::string point_list(const std::vector<long long>& points) {
    std::string t;
    for (size_t i = 0; i < points.size() && i < 20; ++i)
        t += (i ? ", " : "") + std::to_string(points[i]);
    if (points.size() > 20) t += ", ...";
    return t;
}

// Every `seconds`, and at the end, the file gets every row done so far (each
// time written whole: a reader or a crash sees the last complete file).
class SweepKeeper {
  public:
    SweepKeeper(const SweepPlan& s, std::string path, std::vector<SweepRow> rows)
        : s_(s), path_(std::move(path)), rows_(std::move(rows)) {
        // A device or a pipe is written once, at the end: it cannot be replaced.
        struct stat st {};
        checkpoints_ = stat(path_.c_str(), &st) != 0 || S_ISREG(st.st_mode);
    }
    void add(const SweepRow& r) {
        rows_.push_back(r);
        if (checkpoints_ && std::chrono::steady_clock::now() - saved_ > std::chrono::seconds(30))
            save();
    }
    bool save() {
        saved_ = std::chrono::steady_clock::now();
        if (write_file_atomically(path_, sweep_file_text(s_, rows_), error_)) return true;
        failed_ = true;
        return false;
    }
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }

  private:
    const SweepPlan& s_;
    std::string path_;
    std::vector<SweepRow> rows_;
    std::chrono::steady_clock::time_point saved_ = std::chrono::steady_clock::now();
    bool checkpoints_ = true;
    bool failed_ = false;
    std::string error_;
};

}  // namespace

int sweep_command(int argc, char** argv, bool parse_only) {
    SweepPlan plan;
    std::string csv;
    long long shard = 1, shards = 1;
    int jobs = 1;
    try {
        std::vector<char*> rest;
        ParamOptions po = take_param_options(argc, argv, rest);
        const Args a = parse_args(int(rest.size()), rest.data(),
                                  {"what", "pattern", "cycles", "dt", "ticks", "profile", "nodes",
                                   "jobs", "shard", "csv"},
                                  {}, {"over"});
        if (!a.values.count("what"))
            throw ArgError{"--what is required (energy-neutral-wind, optimise or fly-summary)"};
        const auto what = sweep_what_named(a.values.at("what"));
        if (!what)
            throw ArgError{"unknown --what \"" + a.values.at("what") +
                           "\" (energy-neutral-wind, optimise or fly-summary)"};
        plan.what = *what;
        const bool loop = plan.what == SweepWhat::optimise;
        const auto only = [&](const char* name, bool allowed, const char* kinds) {
            if (a.values.count(name) && !allowed)
                throw ArgError{std::string("--") + name + " is for --what " + kinds};
        };
        only("pattern", !loop, "energy-neutral-wind and fly-summary");
        only("cycles", plan.what == SweepWhat::energy_neutral_wind, "energy-neutral-wind");
        only("dt", !loop, "energy-neutral-wind and fly-summary");
        only("ticks", plan.what == SweepWhat::fly_summary, "fly-summary");
        only("profile", loop, "optimise");
        only("nodes", loop, "optimise");
        if (!loop) plan.pattern = pattern_arg(a, false);
        if (loop) {
            // The loop's own settings go to the loop, the rest to the flight's parameters.
            std::vector<std::string> kept;
            for (const std::string& s : po.sets) {
                const std::string name = s.substr(0, s.find('='));
                if (!is_loop_setting(name)) {
                    const ParamField* f = param_field(name);
                    if (f && f->group == ParamGroup::pattern)
                        throw ArgError{"--set: \"" + name +
                                       "\" belongs to a pattern's schedule, not to the loop"};
                    kept.push_back(s);
                    continue;
                }
                if (s.find('=') == std::string::npos)
                    throw ArgError{"--set needs NAME=VALUE, not \"" + s + "\""};
                Args one;
                one.values["set " + name] = s.substr(s.find('=') + 1);
                plan.loop_settings.emplace_back(name, number_arg(one, "set " + name, std::nullopt));
            }
            po.sets = kept;
            if (po.preset == "albatross") po.preset = "design-albatross";
            if (a.values.count("profile")) {
                optim::WindProfile p;
                if (!optim::profile_named(a.values.at("profile"), p))
                    throw ArgError{"unknown profile \"" + a.values.at("profile") +
                                   "\" (exponential, linear or log)"};
                plan.profile = p;
            }
            const long long nodes = count_arg(a, "nodes", 50);
            if (nodes < 5 || nodes > 2000) throw ArgError{"--nodes must be between 5 and 2000"};
            plan.nodes = int(nodes);
        }
        plan.base = resolve_param_options(po, loop ? Mode::upwind : plan.pattern);
        if (!po.preset.empty()) plan.preset = po.preset;
        if (plan.what == SweepWhat::energy_neutral_wind) {
            plan.cycles = int(count_arg(a, "cycles", 10));
            if (plan.cycles > 1000) throw ArgError{"--cycles must be from 1 to 1000"};
            plan.dt = number_arg(a, "dt", 0.01);
            if (!(plan.dt >= 0.001 && plan.dt <= 0.1))
                throw ArgError{"--dt must be from 0.001 to 0.1"};
        }
        if (plan.what == SweepWhat::fly_summary) {
            plan.ticks = count_arg(a, "ticks", std::nullopt);
            plan.dt = number_arg(a, "dt", std::nullopt, kDtRange);
        }
        const auto overs = a.lists.find("over");
        if (overs == a.lists.end()) throw ArgError{"--over NAME=START:STOP:COUNT is required"};
        for (const std::string& o : overs->second) {
            std::string error;
            const auto axis = sweep_axis_from_text(o, error);
            if (!axis) throw ArgError{error};
            plan.axes.push_back(*axis);
        }
        if (const std::string e = sweep_error(plan); !e.empty()) throw ArgError{e};
        jobs = int(count_arg(a, "jobs", usable_cores(), 1024));
        shard_arg(a, shard, shards);
        if (!a.values.count("csv")) throw ArgError{"--csv FILE is required"};
        csv = output_arg(a, "csv");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus sweep: %s\n%s", e.message.c_str(),
                     command_usage("sweep"));
        return 2;
    }
    if (parse_only) return 0;

    // Resume: the rows of the same sweep already in the file are kept and
    // their points skipped; a file of anything else is never overwritten.
    const std::string text = sweep_text(plan);
    std::vector<SweepRow> kept;
    if (regular_file_with_data(csv)) {
        std::string error;
        const auto file = read_sweep_file(csv, error);
        if (!file) {
            std::fprintf(stderr,
                         "soarcalculus sweep: %s\nsoarcalculus sweep: \"%s\" is not left as it "
                         "was: choose another --csv file\n",
                         error.c_str(), csv.c_str());
            return 2;
        }
        if (file->text != text) {
            std::fprintf(stderr,
                         "soarcalculus sweep: \"%s\" holds another sweep (%s); it is left as it "
                         "was: choose another --csv file\n",
                         csv.c_str(), file->text.c_str());
            return 2;
        }
        kept = file->rows;
    }
    std::set<long long> done;
    for (const SweepRow& r : kept) done.insert(r.point);
    const long long total = sweep_size(plan);
    std::vector<long long> todo;
    long long in_shard = 0;
    for (long long k = shard - 1; k < total; k += shards) {
        ++in_shard;
        if (!done.count(k)) todo.push_back(k);
    }
    const int workers =
        int(std::min<long long>(jobs, std::max<long long>(1, (long long)todo.size())));
    std::printf("sweep: %s over %s = %lld points", sweep_what_name(plan.what),
                grid_text(plan).c_str(), total);
    if (shards > 1) std::printf("; shard %lld/%lld: %lld of them", shard, shards, in_shard);
    std::printf("\n%zu to compute (%lld already in %s), %d job%s\n", todo.size(),
                in_shard - (long long)todo.size(), csv.c_str(), workers, workers == 1 ? "" : "s");
    std::fflush(stdout);

    SweepKeeper keeper(plan, csv, kept);
    const bool terminal = isatty(STDERR_FILENO);
    const auto t0 = std::chrono::steady_clock::now();
    size_t finished = 0;
    std::string error;
    int status = 0;
    {
        StopSignals signals;
        const bool complete = run_sweep(
            plan, todo, workers,
            [&](const SweepRow& r) {
                keeper.add(r);
                ++finished;
                if (terminal) {
                    std::fprintf(stderr, "\rpoint %lld done: %zu of %zu ", r.point, finished,
                                 todo.size());
                } else if (finished * 10 / todo.size() != (finished - 1) * 10 / todo.size()) {
                    // A log (a cluster job's) gets a line at each tenth.
                    std::printf("%zu of %zu points done, %.1f s\n", finished, todo.size(),
                                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
                                    .count());
                    std::fflush(stdout);
                }
            },
            &g_stop, error);
        if (terminal) std::fprintf(stderr, "\r%*s\r", 50, "");
        if (!complete && g_stop) status = g_signal == SIGTERM ? 143 : 130;
        if (!error.empty()) {
            std::fprintf(stderr, "soarcalculus sweep: %s\n", error.c_str());
            if (status == 0) status = 1;
        }
    }
    if (!keeper.save()) {
        std::fprintf(stderr, "soarcalculus sweep: %s\n", keeper.error().c_str());
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%zu points computed in %.1f s, written to %s\n", finished, seconds, csv.c_str());
    if (finished < todo.size())
        std::printf(
            "%zu points of this run are not done: run the same command again to compute "
            "them\n",
            todo.size() - finished);
    if (status == 130 || status == 143) std::fprintf(stderr, "soarcalculus sweep: interrupted\n");
    return status;
}

int merge_command(int argc, char** argv, bool parse_only) {
    std::string out;
    std::vector<std::string> inputs;
    try {
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--csv") {
                if (i + 1 >= argc) throw ArgError{"--csv needs a value"};
                if (!out.empty()) throw ArgError{"--csv is given more than once"};
                out = argv[++i];
            } else if (arg.rfind("--", 0) == 0) {
                throw ArgError{"unknown argument \"" + arg + "\""};
            } else {
                inputs.push_back(arg);
            }
        }
        if (out.empty()) throw ArgError{"--csv FILE (the merged file) is required"};
        if (inputs.empty()) throw ArgError{"name the shards' files to merge"};
        std::string why;
        if (!output_path_usable(out, why)) throw ArgError{"--csv: " + why};
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus merge: %s\n%s", e.message.c_str(),
                     command_usage("merge"));
        return 2;
    }
    if (parse_only) return 0;
    std::optional<SweepFile> all;
    for (const std::string& path : inputs) {
        std::string error;
        auto f = read_sweep_file(path, error);
        if (!f) {
            std::fprintf(stderr, "soarcalculus merge: %s\n", error.c_str());
            return 2;
        }
        if (!all) {
            all = std::move(f);
            continue;
        }
        if (f->text != all->text) {
            std::fprintf(stderr, "soarcalculus merge: \"%s\" holds another sweep than \"%s\"\n",
                         path.c_str(), inputs.front().c_str());
            return 2;
        }
        all->rows.insert(all->rows.end(), f->rows.begin(), f->rows.end());
    }
    std::set<long long> have;
    for (const SweepRow& r : all->rows) have.insert(r.point);
    std::vector<long long> missing;
    const long long total = sweep_size(all->plan);
    for (long long k = 0; k < total; ++k)
        if (!have.count(k)) missing.push_back(k);
    std::string error;
    if (!write_file_atomically(out, sweep_file_text(all->plan, all->rows), error)) {
        std::fprintf(stderr, "soarcalculus merge: %s\n", error.c_str());
        return 1;
    }
    std::printf("merged %zu files: %zu of %lld points, written to %s\n", inputs.size(), have.size(),
                total, out.c_str());
    if (missing.empty()) return 0;
    std::printf("missing %zu points: %s\n(the sweep run again with --csv %s computes only these)\n",
                missing.size(), point_list(missing).c_str(), out.c_str());
    return 1;
}

int sweep_worker_command(int argc, char** argv) {
    (void)argv;
    if (argc != 2 || isatty(STDIN_FILENO)) {
        std::fprintf(stderr,
                     "soarcalculus sweep-worker: a worker of sweep --jobs, started by the sweep "
                     "itself\n");
        return 2;
    }
    return sweep_worker_main(STDIN_FILENO, STDOUT_FILENO);
}

}  // namespace soar::cli
