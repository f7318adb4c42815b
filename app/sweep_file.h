// A sweep's file and its text forms. The file is CSV: a first line
// "# soarcalculus sweep: " and the sweep's text (sweep_text), the header, then
// one row per point done: its number, its inputs, its results, the status in
// words, and the seconds it took. A sweep run again with the same file skips
// the points already in it (and computes again those that failed).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/sweep_point.h"

namespace soar {

// The sweep as one line of text (the file's first line after its "#" prefix,
// and what is sent to worker processes and other machines), and back: nothing
// with `error` set when the text is not a sweep's.
std::string sweep_text(const SweepPlan& s);
std::optional<SweepPlan> sweep_from_text(std::string_view text, std::string& error);

// A row as its line of the file (with the newline), and back.
std::string sweep_row_text(const SweepRow& r);
std::optional<SweepRow> sweep_row_from_text(const SweepPlan& s, std::string_view line,
                                            std::string& error);

// A sweep's file: its sweep and the rows it holds, by point.
struct SweepFile {
    SweepPlan plan;
    std::string text;  // sweep_text(plan) as the file has it
    std::vector<SweepRow> rows;
};
// The most a sweep's file may hold: a million points' rows with room to spare.
inline constexpr long long kMaxSweepFileBytes = 1LL << 30;
// Nothing with `error` ("FILE:LINE: ...") when the file cannot be read, is not
// a regular file (a device or a pipe is refused by name), is larger than
// kMaxSweepFileBytes or is not a sweep's file. A row whose inputs are not its
// point's is an error.
std::optional<SweepFile> read_sweep_file(const std::string& path, std::string& error);
// The whole file: the rows sorted by point, a point given twice kept once (the
// first of its rows).
std::string sweep_file_text(const SweepPlan& s, std::vector<SweepRow> rows);

// One writer per sweep file: a lock file beside it ("FILE.lock", holding the
// writer's process number and host) locked (flock) while the writer runs, and
// removed when it ends. A writer killed outright leaves the file unlocked:
// the next one takes it.
class SweepFileLock {
  public:
    SweepFileLock() = default;
    ~SweepFileLock();
    SweepFileLock(const SweepFileLock&) = delete;
    SweepFileLock& operator=(const SweepFileLock&) = delete;
    // Takes the lock for the sweep file `path`: false with `error` naming the
    // writer that holds it, or why the lock file cannot be made.
    bool take(const std::string& path, std::string& error);

  private:
    std::string lock_path_;
    int fd_ = -1;
};

}  // namespace soar
