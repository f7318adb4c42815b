#include "app/sweep_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "app/sweep_file.h"

extern char** environ;

namespace soar {

namespace {

bool write_all(int fd, const char* p, size_t size) {
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// false at the end of the input (or on an error) before `size` bytes.
bool read_all(int fd, char* p, size_t size) {
    for (size_t got = 0; got < size;) {
        const ssize_t n = read(fd, p + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += size_t(n);
    }
    return true;
}

std::string self_path() {
    std::string self(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size());
    if (n <= 0 || size_t(n) >= self.size()) return "";
    self.resize(size_t(n));
    return self;
}

bool is_program(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> program_sweep_worker() {
    const std::string self = self_path();
    const size_t slash = self.rfind('/');
    if (slash == std::string::npos) return {};
    if (self.substr(slash + 1) == "soarcalculus") return {self, "sweep-worker"};
    const std::string folder = self.substr(0, slash + 1);
    for (const char* where : {"soarcalculus", "../soarcalculus"})
        if (is_program(folder + where)) return {folder + where, "sweep-worker"};
    return {};
}

int sweep_worker_main(int tasks, int results) {
    // Ends with the process that started it (which closes the tasks too, but
    // a point can take minutes).
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (results == STDOUT_FILENO) {
        // The rows keep the descriptor to themselves: a library's message on
        // standard output goes to standard error.
        results = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
        if (results < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 1;
    }
    uint64_t size = 0;
    if (!read_all(tasks, reinterpret_cast<char*>(&size), sizeof size) || size > (1u << 26))
        return 2;
    std::string text(size_t(size), '\0');
    if (!read_all(tasks, text.data(), text.size())) return 2;
    std::string error;
    const auto plan = sweep_from_text(text, error);
    if (!plan) return 2;
    for (;;) {
        long long point = 0;
        if (!read_all(tasks, reinterpret_cast<char*>(&point), sizeof point)) return 0;
        if (point < 0 || point >= sweep_size(*plan)) return 2;
        const auto row = sweep_point(*plan, point);
        const std::string line = row ? sweep_row_text(*row) : std::string("\n");
        if (!write_all(results, line.data(), line.size())) return 1;
    }
}

namespace {

struct Worker {
    pid_t pid = -1;
    int tasks = -1, results = -1;
    long long point = -1;  // under way, or -1
    std::chrono::steady_clock::time_point since;
    std::string pending;  // text of the row so far
};

// A pipe whose ends are not standard input, output or error (the worker's
// copies are put there).
bool pipe_above_2(int fds[2]) {
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    for (int k = 0; k < 2; ++k)
        if (fds[k] <= 2) {
            const int moved = fcntl(fds[k], F_DUPFD_CLOEXEC, 3);
            close(fds[k]);
            fds[k] = moved;
        }
    if (fds[0] >= 0 && fds[1] >= 0) return true;
    for (int k = 0; k < 2; ++k)
        if (fds[k] >= 0) close(fds[k]);
    return false;
}

bool start_worker(const std::vector<std::string>& command, const std::string& plan_text, Worker& w,
                  std::string& error) {
    int to_child[2], from_child[2];
    if (!pipe_above_2(to_child)) {
        error = std::string("cannot start a worker: ") + std::strerror(errno);
        return false;
    }
    if (!pipe_above_2(from_child)) {
        error = std::string("cannot start a worker: ") + std::strerror(errno);
        close(to_child[0]), close(to_child[1]);
        return false;
    }
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, to_child[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&files, from_child[1], STDOUT_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group: Ctrl-C at a terminal reaches the sweep, which
    // decides; the worker starts with every signal at its default, none blocked.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &files, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    close(to_child[0]);
    close(from_child[1]);
    if (failed != 0) {
        error = "cannot start a worker (" + command[0] + "): " + std::strerror(failed);
        close(to_child[1]), close(from_child[0]);
        return false;
    }
    w = Worker{pid, to_child[1], from_child[0], -1, {}, {}};
    const uint64_t size = plan_text.size();
    if (!write_all(w.tasks, reinterpret_cast<const char*>(&size), sizeof size) ||
        !write_all(w.tasks, plan_text.data(), plan_text.size())) {
        error = "cannot start a worker (" + command[0] + "): it ended at once";
        return false;
    }
    return true;
}

void end_worker(Worker& w, bool kill_it) {
    if (w.tasks >= 0) close(w.tasks);
    if (w.results >= 0) close(w.results);
    if (w.pid > 0) {
        if (kill_it) kill(w.pid, SIGKILL);
        int status = 0;
        while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    w = Worker{};
}

bool give(Worker& w, long long point) {
    w.point = point;
    w.since = std::chrono::steady_clock::now();
    return write_all(w.tasks, reinterpret_cast<const char*>(&point), sizeof point);
}

std::string died_text(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return "ended";
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

bool run_sweep(const SweepPlan& s, const std::vector<long long>& points, int jobs,
               const std::function<void(const SweepRow&)>& on_row, const std::atomic<bool>* stop,
               std::string& error, const std::vector<std::string>& worker) {
    const auto stopped = [&] { return stop && stop->load(); };
    const std::vector<std::string> command = worker.empty() ? program_sweep_worker() : worker;
    if (jobs <= 1 || points.size() <= 1 || command.empty()) {
        for (long long k : points) {
            if (stopped()) return false;
            const auto row = sweep_point(s, k, stop);
            if (!row) return false;
            on_row(*row);
        }
        return !stopped();
    }
    // The kernel's SIGPIPE would end this process when a worker has died.
    struct sigaction ignore {
    }, old_pipe{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old_pipe);

    const std::string plan_text = sweep_text(s);
    std::vector<Worker> workers(size_t(std::min<size_t>(size_t(jobs), points.size())));
    size_t next = 0;
    bool ok = true;
    for (Worker& w : workers) {
        if (!start_worker(command, plan_text, w, error)) {
            ok = false;
            break;
        }
        if (next < points.size() && !give(w, points[next++])) ok = false;
    }
    while (ok && !stopped()) {
        std::vector<pollfd> fds;
        std::vector<Worker*> of;
        for (Worker& w : workers)
            if (w.point >= 0) {
                fds.push_back({w.results, POLLIN, 0});
                of.push_back(&w);
            }
        if (fds.empty()) break;  // every point done
        const int n = poll(fds.data(), fds.size(), 100);
        if (n < 0 && errno != EINTR) {
            error = std::string("poll: ") + std::strerror(errno);
            ok = false;
            break;
        }
        for (size_t i = 0; n > 0 && i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            Worker& w = *of[i];
            char buf[4096];
            const ssize_t got = read(w.results, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                // The worker died during its point: the point's row says so,
                // and a new worker takes the next ones.
                const long long lost = w.point;
                const std::string how =
                    "the worker for point " + std::to_string(lost) + " " + died_text(w.pid);
                SweepRow failed = failed_sweep_row(s, lost, how);
                failed.seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - w.since)
                        .count();
                w.pid = -1;
                end_worker(w, false);
                error += (error.empty() ? "" : "; ") + how;
                on_row(failed);
                if (next < points.size()) {
                    if (!start_worker(command, plan_text, w, error) || !give(w, points[next++]))
                        ok = false;
                }
                continue;
            }
            w.pending.append(buf, size_t(got));
            const size_t nl = w.pending.find('\n');
            if (nl == std::string::npos) continue;
            const std::string line = w.pending.substr(0, nl + 1);
            w.pending.erase(0, nl + 1);
            std::string e;
            const auto row = line.size() > 1 ? sweep_row_from_text(s, line, e) : std::nullopt;
            if (!row || row->point != w.point) {
                error += (error.empty() ? "" : "; ") + std::string("point ") +
                         std::to_string(w.point) + ": the worker's row is unreadable" +
                         (e.empty() ? "" : ": " + e);
            } else {
                on_row(*row);
            }
            w.point = -1;
            if (next < points.size() && !give(w, points[next++])) ok = false;
        }
    }
    const bool was_stopped = stopped();
    for (Worker& w : workers) end_worker(w, was_stopped || !ok || w.point >= 0);
    sigaction(SIGPIPE, &old_pipe, nullptr);
    return ok && !was_stopped;
}

bool run_sweep_retrying(const SweepPlan& s, const std::vector<long long>& points,
                        const std::vector<long long>& again, int retry_nodes, int jobs,
                        const std::function<void(const SweepRow&)>& on_row,
                        const std::atomic<bool>* stop, std::string& error,
                        const std::vector<std::string>& worker) {
    if (retry_nodes <= 0) {
        std::vector<long long> all = again;
        all.insert(all.end(), points.begin(), points.end());
        return run_sweep(s, all, jobs, on_row, stop, error, worker);
    }
    const auto marked = [&](const SweepRow& r) {
        SweepRow row = r;
        mark_nodes(row, retry_nodes);
        on_row(row);
    };
    std::string retry_error;
    const bool retried = again.empty() || run_sweep(sweep_at_nodes(s, retry_nodes), again, jobs,
                                                    marked, stop, retry_error, worker);
    if (!retried && stop && stop->load()) {
        error = retry_error;
        return false;
    }
    const bool rest = points.empty() || run_sweep(s, points, jobs, on_row, stop, error, worker);
    if (!retry_error.empty()) error = retry_error + (error.empty() ? "" : "; " + error);
    return retried && rest;
}

}  // namespace soar
