// Long calls of the Python module: the work runs without the GIL, and Ctrl-C
// (Python's SIGINT handler, run by PyErr_CheckSignals on the main thread)
// stops it within a tenth of a second.
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "app/cli_args.h"

namespace soar::py {

namespace pyb = pybind11;

// Python's pending signals, with the GIL held: false (the Python error set)
// when a handler raised, KeyboardInterrupt among them.
inline bool signals_pass() {
    return PyErr_CheckSignals() == 0;
}

// Runs `work` on a thread of its own while the calling thread, without the
// GIL, looks at Python's signals every 0.1 s and calls `each_poll` (with the
// GIL: a progress callback). A signal handler that raises, or a callback that
// raises, sets `cancel` and, once `work` has returned, raises here.
template <typename Result>
Result run_interruptibly(const std::function<Result()>& work, std::atomic<bool>& cancel,
                         const std::function<void()>& each_poll = {}) {
    std::packaged_task<Result()> task(work);
    std::future<Result> done = task.get_future();
    bool raised = false;
    {
        pyb::gil_scoped_release release;
        std::thread worker(std::move(task));
        while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            pyb::gil_scoped_acquire acquire;
            if (raised) continue;
            if (!signals_pass()) {
                raised = true;
            } else if (each_poll) {
                try {
                    each_poll();
                } catch (pyb::error_already_set& e) {
                    e.restore();
                    raised = true;
                }
            }
            if (raised) cancel = true;
        }
        worker.join();
    }
    if (raised) throw pyb::error_already_set();
    return done.get();
}

// The command line's check of an option's value, with its message
// ("ticks needs a whole number from 1 to 1000000000, not \"0\"") as a
// ValueError. The number goes through the same text as on the command line,
// in its shortest exact form.
inline std::string without_dashes(std::string m) {
    if (m.rfind("--", 0) == 0) m.erase(0, 2);
    return m;
}
inline long long checked_count(const char* name, long long v, long long max = cli::kMaxTicks) {
    cli::Args a;
    a.values[name] = std::to_string(v);
    try {
        return cli::count_arg(a, name, std::nullopt, max);
    } catch (const cli::ArgError& e) {
        throw pyb::value_error(without_dashes(e.message));
    }
}
inline double checked_number(const char* name, double v, const cli::Range& range) {
    cli::Args a;
    char buf[40];
    a.values[name] = std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    try {
        return cli::number_arg(a, name, std::nullopt, range);
    } catch (const cli::ArgError& e) {
        throw pyb::value_error(without_dashes(e.message));
    }
}

}  // namespace soar::py
