// Files written completely or not at all. The bytes go to a new file beside the
// target that has no name while it is written (O_TMPFILE), so that a kill at
// any moment leaves nothing behind; only when every write, the flush to the
// disk and the close have succeeded is it given the target's name, replacing the
// previous file in one rename. A reader (or a crash, or a full disk) sees
// either the previous file or the new one, never a part. On any failure the new
// file is dropped and error() names the file and the system's reason.
//
// Where the file system cannot make a file without a name, the new file gets a
// short name of its own, ".soarcalculus-PID-XXXXXX" (so a target's name may be
// as long as the system allows); the same name is used for the instant between
// naming an unnamed file and the rename. Such a file left by a process that no
// longer runs (it was killed) is removed by the next save into that folder.
//
// A target that exists and is not a regular file (a terminal, a pipe,
// /dev/null, /dev/full) cannot be replaced: it is written in place, every
// write and the close still checked.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace soar {

class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();  // an unfinished file is abandoned
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts the new contents of `path`. False (error() says why) when the new
    // file cannot be created, e.g. the folder is missing. With `give_up`, a pipe
    // (FIFO) named as the file is waited for until a reader opens it or the flag
    // is set, and written as give_up_when_blocked says.
    bool open(const std::string& path, const std::atomic<bool>* give_up = nullptr);
    // Writes to an open descriptor that this file does not own (standard output):
    // nothing is renamed, writes and the final flush are checked.
    void open_stream(int fd, std::string name);
    // For a pipe, socket or terminal (standard output or a FIFO named as the
    // file): every write goes out at once, cut at line ends into pieces that a
    // pipe takes whole (at most PIPE_BUF bytes), so that what a reader receives
    // always ends with a complete line. While `*flag` is set, an output that
    // takes nothing for a tenth of a second is given up: the write fails with
    // "interrupted", the output ending at the last complete line. Other files
    // are not affected.
    void give_up_when_blocked(const std::atomic<bool>* flag);
    // Buffered; a false result means the bytes (or earlier ones) did not reach the
    // file. After the first failure every call fails.
    bool write(std::string_view bytes);
    // Everything written reaches the disk, but the target is not yet replaced
    // (see AtomicFileSet). False on failure.
    bool finish();
    // finish(), then the new file replaces the target.
    bool commit();
    // The new file is dropped; the target stays as it was.
    void abandon();

    bool is_open() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // Bytes taken so far: written, or held to be written. For a pipe or terminal
    // with give_up_when_blocked, exactly the bytes that reached it.
    uint64_t bytes_taken() const { return taken_; }
    // Whether give_up_when_blocked made this a pipe or terminal written by lines.
    bool writes_lines() const { return lines_; }
    // Whether the last failure was a give-up after the flag was set.
    bool gave_up() const { return gave_up_; }

  private:
    friend class AtomicFileSet;
    bool fail(const std::string& what, int err);
    bool flush_buffer();
    void start_writeback();
    bool write_lines(std::string_view bytes);
    bool publish();
    void close_fd();

    std::string path_;      // the target (the resolved one when it was a link)
    std::string real_;      // where the new file goes
    std::string folder_;    // real_'s folder
    std::string temp_;      // the new file's own name, when it has one
    bool unnamed_ = false;  // the new file has no name yet (O_TMPFILE)
    bool existed_ = false;
    int fd_ = -1;
    bool owns_fd_ = true;
    bool finished_ = false;
    bool failed_ = false;
    bool lines_ = false;  // a pipe or terminal written line by line
    bool gave_up_ = false;
    const std::atomic<bool>* give_up_ = nullptr;
    std::string buffer_;
    size_t written_ = 0, synced_ = 0;  // bytes written, and sent to the disk early
    uint64_t taken_ = 0;
    std::string error_;
};

// Writes `bytes` as the whole new contents of `path`. False with `error` set when
// it could not; the previous file is then untouched.
bool write_file_atomically(const std::string& path, std::string_view bytes, std::string& error);

// Several files that replace their predecessors together: either every target
// gets its new contents, or (on any failure) every target keeps its old ones.
class AtomicFileSet {
  public:
    // A new member for `path`; write to it, then commit the set. The reference
    // stays valid while the set lives.
    AtomicFile& add(const std::string& path);
    AtomicFile* find(const std::string& path);
    // Finishes every member, then renames them all into place. If a rename
    // fails, the targets already replaced get their previous contents back.
    bool commit();
    // Abandons every member; the set is empty afterwards.
    void abandon();
    bool empty() const { return files_.empty(); }
    const std::string& error() const { return error_; }

  private:
    std::vector<std::unique_ptr<AtomicFile>> files_;
    std::string error_;
};

// Whether a file can be created at `path` before any work is done for it: the
// name is not empty, its folder exists and it is not itself a folder. False with
// `error` set otherwise.
bool output_path_usable(const std::string& path, std::string& error);

// Whether two names given for outputs are one file: the same name, the same
// file through links, or the same place in the same folder.
bool same_output_file(const std::string& a, const std::string& b);

// A scratch file beside `path` (in its folder) that has no name and vanishes
// when closed or when the process ends, however it ends. -1 with `error` set
// when it cannot be made. The caller closes it.
int scratch_file_beside(const std::string& path, std::string& error);

// Makes the folder and any missing folders above it (private to the user, as a
// cache or settings folder should be). False with `error` set when it cannot.
bool make_folders(const std::string& folder, std::string& error);

}  // namespace soar
