// Files written completely or not at all. The bytes go to a temporary file
// beside the target; only when every write, the flush to the disk and the close
// have succeeded is the temporary renamed over the target, so a reader (or a
// crash, or a full disk) sees either the previous file or the new one, never a
// part. On any failure the temporary is removed and error() names the file and
// the system's reason.
//
// A target that exists and is not a regular file (a terminal, a pipe,
// /dev/null, /dev/full) cannot be replaced: it is written in place, every
// write and the close still checked.
#pragma once

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

    // Starts the new contents of `path`. False (error() says why) when the
    // temporary cannot be created, e.g. the folder is missing.
    bool open(const std::string& path);
    // Writes to an open descriptor that this file does not own (standard output):
    // nothing is renamed, writes and the final flush are checked.
    void open_stream(int fd, std::string name);
    // Buffered; a false result means the bytes (or earlier ones) did not reach the
    // file. After the first failure every call fails.
    bool write(std::string_view bytes);
    // Everything written reaches the disk and the temporary is closed, but the
    // target is not yet replaced (see AtomicFileSet). False on failure.
    bool finish();
    // finish(), then the temporary replaces the target.
    bool commit();
    // The temporary is removed; the target stays as it was.
    void abandon();

    bool is_open() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

  private:
    friend class AtomicFileSet;
    bool fail(const std::string& what, int err);
    bool flush_buffer();
    void start_writeback();
    bool publish();

    std::string path_;  // the target (the resolved one when it was a link)
    std::string real_;  // where the temporary is renamed to
    std::string temp_;  // empty when written in place
    bool existed_ = false;
    int fd_ = -1;
    bool owns_fd_ = true;
    bool finished_ = false;
    bool failed_ = false;
    std::string buffer_;
    size_t written_ = 0, synced_ = 0;  // bytes written, and sent to the disk early
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

}  // namespace soar
