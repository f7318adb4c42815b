// sweep and merge: a grid of runs of one command, one CSV row per point, split
// over local worker processes (--jobs) or over the tasks of a cluster job
// (--shard I/N), resumed from its own file, and joined again (merge).
#include "app/cli_sweep.h"

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <map>
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

// Ctrl-C, a cluster's SIGTERM (a job's time is up) and a closed terminal's
// SIGHUP stop the sweep (or merge) after the points done so far are written;
// it exits with 130. A reader of standard output that went away (SIGPIPE)
// stops nothing: the rows go to the file, and the exit status says that
// standard output was not all written.
class StopSignals {
  public:
    StopSignals() {
        g_stop = false;
        g_signal = 0;
        struct sigaction sa {};
        sa.sa_handler = on_sweep_signal;
        sigemptyset(&sa.sa_mask);
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &sa, &old_[i]);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &old_pipe_);
    }
    ~StopSignals() {
        for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &old_[i], nullptr);
        sigaction(SIGPIPE, &old_pipe_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction old_[std::size(kSignals)]{};
    struct sigaction old_pipe_ {};
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
    // false when a checkpoint could not be written (the run should stop: its
    // rows would be lost).
    bool add(const SweepRow& r) {
        rows_.push_back(r);
        if (checkpoints_ && std::chrono::steady_clock::now() - saved_ > std::chrono::seconds(30))
            return save();
        return true;
    }
    // Whether the file is written as the run goes (a regular file), not once
    // at the end (a device or a pipe).
    bool checkpoints() const { return checkpoints_; }
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
    int retry_nodes = 0;  // the failed points' loops solved again at this many nodes
    try {
        std::vector<char*> rest;
        ParamOptions po = take_param_options(argc, argv, rest);
        const Args a =
            parse_args(int(rest.size()), rest.data(),
                       {"what", "pattern", "cycles", "dt", "ticks", "profile", "nodes", "jobs",
                        "shard", "csv", "retry-nodes", "seconds", "wind-factor", "gusts", "seed"},
                       {}, {"over"});
        if (!a.values.count("what"))
            throw ArgError{
                "--what is required (energy-neutral-wind, optimise, fly-summary or track)"};
        const auto what = sweep_what_named(a.values.at("what"));
        if (!what)
            throw ArgError{"unknown --what \"" + a.values.at("what") +
                           "\" (energy-neutral-wind, optimise, fly-summary or track)"};
        plan.what = *what;
        const bool track = plan.what == SweepWhat::track;
        // The points pose the least-wind loop: optimise solves it, track flies it.
        const bool loop = plan.what == SweepWhat::optimise || track;
        const auto only = [&](const char* name, bool allowed, const char* kinds) {
            if (a.values.count(name) && !allowed)
                throw ArgError{std::string("--") + name + " is for --what " + kinds};
        };
        only("pattern", !loop, "energy-neutral-wind and fly-summary");
        only("cycles", plan.what == SweepWhat::energy_neutral_wind, "energy-neutral-wind");
        only("dt", plan.what != SweepWhat::optimise, "energy-neutral-wind, fly-summary and track");
        only("ticks", plan.what == SweepWhat::fly_summary, "fly-summary");
        // A track flies the loop in its flight's own wind profile.
        only("profile", plan.what == SweepWhat::optimise, "optimise");
        only("nodes", loop, "optimise and track");
        for (const char* name : {"seconds", "wind-factor", "gusts", "seed"})
            only(name, track, "track");
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
                std::string error;
                plan.profile = profile_arg(a.values.at("profile"), error);
                if (!plan.profile) throw ArgError{error};
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
        if (track) {
            plan.dt = number_arg(a, "dt", 0.01, {0.001, 0.1, false, "s"});
            plan.seconds = number_arg(a, "seconds", 600.0, {0.001, 86400.0, false, "s"});
            plan.wind_factor = number_arg(a, "wind-factor", 1.4, {0.5, 10.0, false, ""});
            plan.sigma_w = number_arg(a, "gusts", 0.0, {0.0, 20.0, false, "m/s"});
            const double seed = number_arg(a, "seed", 0.0, {0.0, 9007199254740992.0, false, ""});
            if (seed != std::floor(seed)) throw ArgError{"--seed must be a whole number"};
            plan.seed = (long long)seed;
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
        if (a.values.count("retry-nodes")) {
            retry_nodes = int(count_arg(a, "retry-nodes", std::nullopt, 1'000'000));
            if (const std::string e = retry_nodes_error(plan, retry_nodes); !e.empty())
                throw ArgError{"--retry-nodes: " + e};
        }
        jobs = int(count_arg(a, "jobs", usable_cores(), 1024));
        shard_arg(a, shard, shards);
        if (!a.values.count("csv")) throw ArgError{"--csv FILE is required"};
        csv = output_arg(a, "csv");
        refuse_one_file_twice({{"--csv", csv}, {"--params", po.file, false}});
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus sweep: %s\n%s", e.message.c_str(),
                     command_usage("sweep"));
        return 2;
    }
    if (parse_only) return 0;
    const StopSignals signals;

    // One writer at a time: a second sweep (or shard) on the same file is
    // refused, naming the first.
    SweepFileLock lock;
    struct stat csv_st {};
    if (stat(csv.c_str(), &csv_st) != 0 || S_ISREG(csv_st.st_mode)) {
        std::string error;
        if (!lock.take(csv, error)) {
            std::fprintf(stderr, "soarcalculus sweep: %s\n", error.c_str());
            return 2;
        }
    }
    // Resume: the rows of the same sweep already in the file are kept and
    // their points skipped; a file of anything else is never overwritten.
    const std::string text = sweep_text(plan);
    std::vector<SweepRow> kept;
    if (regular_file_with_data(csv)) {
        std::string error;
        const auto file = read_sweep_file(csv, error);
        if (!file) {
            std::fprintf(stderr,
                         "soarcalculus sweep: %s\nsoarcalculus sweep: \"%s\" is left as it "
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
    // A point that failed is computed again: its old row goes.
    size_t failed_before = 0;
    std::set<long long> failed_points;
    for (size_t i = 0; i < kept.size();) {
        if (sweep_row_failed(plan, kept[i])) {
            failed_points.insert(kept[i].point);
            kept.erase(kept.begin() + long(i));
            ++failed_before;
        } else {
            ++i;
        }
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
    // With --retry-nodes the points that failed go first, on the finer mesh.
    std::vector<long long> again, rest;
    for (long long k : todo)
        (retry_nodes > 0 && failed_points.count(k) ? again : rest).push_back(k);
    const int workers =
        int(std::min<long long>(jobs, std::max<long long>(1, (long long)todo.size())));
    std::printf("sweep: %s over %s = %lld points", sweep_what_name(plan.what),
                grid_text(plan).c_str(), total);
    if (shards > 1) std::printf("; shard %lld/%lld: %lld of them", shard, shards, in_shard);
    std::printf("\n%zu to compute (%lld already in %s), %d job%s\n", todo.size(),
                in_shard - (long long)todo.size(), csv.c_str(), workers, workers == 1 ? "" : "s");
    if (failed_before > 0)
        std::printf(
            "%zu point%s that failed before %s computed again%s\n", failed_before,
            failed_before == 1 ? "" : "s", failed_before == 1 ? "is" : "are",
            retry_nodes > 0 ? (" at " + std::to_string(retry_nodes) + " nodes").c_str() : "");
    std::fflush(stdout);

    SweepKeeper keeper(plan, csv, kept);
    // The file is written before the first point (what it already held, or
    // the header), so that a name that cannot be written is found now.
    if (keeper.checkpoints() && !keeper.save()) {
        std::fprintf(stderr, "soarcalculus sweep: %s\n", keeper.error().c_str());
        return 1;
    }
    const bool terminal = isatty(STDERR_FILENO);
    const auto t0 = std::chrono::steady_clock::now();
    size_t finished = 0, failed = 0;
    std::vector<std::string> failures;  // the first few, "point K: why"
    std::string error;
    int status = 0;
    {
        const bool complete = run_sweep_retrying(
            plan, rest, again, retry_nodes, workers,
            [&](const SweepRow& r) {
                if (!keeper.add(r)) g_stop = true;  // said below, with the file's error
                ++finished;
                if (sweep_row_failed(plan, r)) {
                    ++failed;
                    if (failures.size() < 5)
                        failures.push_back("point " + std::to_string(r.point) + ": " + r.status);
                }
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
        if (!complete && g_stop) status = keeper.failed() ? 1 : 130;
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
    if (failed > 0) {
        std::string list;
        for (const std::string& f : failures) list += (list.empty() ? "" : "; ") + f;
        std::fprintf(stderr,
                     "soarcalculus sweep: warning: %zu of %zu points failed (%s%s); their rows "
                     "say why, and the same command run again computes them again\n",
                     failed, finished, list.c_str(), failed > failures.size() ? "; ..." : "");
    }
    if (status == 130) std::fprintf(stderr, "soarcalculus sweep: interrupted\n");
    if (!stdout_written("sweep") && status == 0) status = 1;
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
        std::vector<FileArg> files{{"--csv", out}};
        for (const std::string& shard : inputs) files.push_back({"the shard", shard, false});
        refuse_one_file_twice(files);
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus merge: %s\n%s", e.message.c_str(),
                     command_usage("merge"));
        return 2;
    }
    if (parse_only) return 0;
    const StopSignals signals;
    const auto interrupted = [] {
        if (!g_stop) return false;
        std::fprintf(stderr, "soarcalculus merge: interrupted; nothing was written\n");
        return true;
    };
    std::optional<SweepFile> all;
    std::vector<size_t> from;  // each row's file, by its index in `inputs`
    for (size_t n = 0; n < inputs.size(); ++n) {
        const std::string& path = inputs[n];
        if (interrupted()) return 130;
        std::string error;
        auto f = read_sweep_file(path, error);
        if (!f) {
            std::fprintf(stderr, "soarcalculus merge: %s\n", error.c_str());
            return 2;
        }
        if (!all) {
            all = std::move(f);
            from.assign(all->rows.size(), n);
            continue;
        }
        if (f->text != all->text) {
            std::fprintf(stderr, "soarcalculus merge: \"%s\" holds another sweep than \"%s\"\n",
                         path.c_str(), inputs.front().c_str());
            return 2;
        }
        all->rows.insert(all->rows.end(), f->rows.begin(), f->rows.end());
        from.resize(all->rows.size(), n);
    }
    // A point in two files: the same answer is kept once (the seconds it took
    // may differ); an answer wins over a failure; two different answers are
    // refused, naming the point and the files.
    std::map<long long, size_t> first;  // point -> its row kept
    std::vector<SweepRow> rows;
    std::vector<size_t> row_file;
    const auto same = [](const SweepRow& a, const SweepRow& b) {
        if (a.status != b.status || a.results.size() != b.results.size()) return false;
        for (size_t i = 0; i < a.results.size(); ++i)
            if (!(a.results[i] == b.results[i] ||
                  (std::isnan(a.results[i]) && std::isnan(b.results[i]))))
                return false;
        return true;
    };
    for (size_t i = 0; i < all->rows.size(); ++i) {
        const SweepRow& r = all->rows[i];
        const auto at = first.find(r.point);
        if (at == first.end()) {
            first[r.point] = rows.size();
            rows.push_back(r);
            row_file.push_back(from[i]);
            continue;
        }
        SweepRow& kept = rows[at->second];
        if (same(kept, r)) continue;
        const bool kept_failed = sweep_row_failed(all->plan, kept),
                   this_failed = sweep_row_failed(all->plan, r);
        if (this_failed) continue;
        if (kept_failed) {
            kept = r;
            row_file[at->second] = from[i];
            continue;
        }
        std::fprintf(stderr,
                     "soarcalculus merge: point %lld has two different rows, in \"%s\" (%s) and "
                     "in \"%s\" (%s); nothing was written\n",
                     r.point, inputs[row_file[at->second]].c_str(), kept.status.c_str(),
                     inputs[from[i]].c_str(), r.status.c_str());
        return 2;
    }
    std::vector<long long> missing;
    const long long total = sweep_size(all->plan);
    for (long long k = 0; k < total; ++k)
        if (!first.count(k)) missing.push_back(k);
    if (interrupted()) return 130;
    std::string error;
    if (!write_file_atomically(out, sweep_file_text(all->plan, rows), error)) {
        std::fprintf(stderr, "soarcalculus merge: %s\n", error.c_str());
        return 1;
    }
    size_t failed = 0;
    for (const SweepRow& r : rows) failed += sweep_row_failed(all->plan, r) ? 1 : 0;
    std::printf("merged %zu file%s: %zu of %lld points, written to %s\n", inputs.size(),
                inputs.size() == 1 ? "" : "s", rows.size(), total, out.c_str());
    if (failed > 0)
        std::printf(
            "%zu of them failed (their rows say why): the sweep run again with --csv %s "
            "computes them again\n",
            failed, out.c_str());
    if (!missing.empty())
        std::printf(
            "missing %zu points: %s\n(the sweep run again with --csv %s computes only these)\n",
            missing.size(), point_list(missing).c_str(), out.c_str());
    if (!stdout_written("merge")) return 1;
    return missing.empty() ? 0 : 1;
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
