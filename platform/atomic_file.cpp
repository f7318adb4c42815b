#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <set>

namespace soar {

namespace {

// Bytes gathered before one write(2): large enough for few system calls, small
// enough that a full disk is noticed soon after it fills.
constexpr size_t kBufferBytes = 256 * 1024;

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// New files' own names: short, whatever the target's length, and recognisable
// with the process that made them.
const std::string& temp_prefix() {
    static const std::string prefix = ".soarcalculus-" + std::to_string(::getpid()) + "-";
    return prefix;
}

char random_name_char() {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 rng{std::random_device{}()};
    return kChars[rng() % (sizeof kChars - 1)];
}

// A name for a new file in `folder` that nothing has yet (it may be taken by the
// time it is used: callers retry on EEXIST).
std::string fresh_temp_name(const std::string& folder) {
    std::string name = folder + "/" + temp_prefix();
    for (int i = 0; i < 6; ++i) name += random_name_char();
    return name;
}

// ".soarcalculus-PID-XXXXXX": the process id, or 0 for any other name.
long temp_owner(const char* name) {
    static constexpr const char kStart[] = ".soarcalculus-";
    if (std::strncmp(name, kStart, sizeof kStart - 1) != 0) return 0;
    const char* p = name + sizeof kStart - 1;
    long pid = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 10; ++p, ++digits) pid = pid * 10 + (*p - '0');
    if (digits == 0 || *p != '-') return 0;
    ++p;
    for (int i = 0; i < 6; ++i, ++p)
        if (!std::isalnum(static_cast<unsigned char>(*p))) return 0;
    return *p == '\0' ? pid : 0;
}

// The new files that a killed process left in `folder` (its own name had no
// chance to go): those of this user whose process no longer runs. Once per
// folder and process.
void remove_stale_temporaries(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> done;
    {
        std::lock_guard lock(mutex);
        if (!done.insert(folder).second) return;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* e = ::readdir(dir)) {
        const long pid = temp_owner(e->d_name);
        if (pid <= 0 || pid == long(::getpid())) continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;  // still running
        const std::string path = folder + "/" + e->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

// A file without a name in `folder`, or -1 (errno set) where the file system
// has none. It can be named later only through /proc/self/fd.
int unnamed_file(const std::string& folder, int access) {
    static const bool proc_links = ::access("/proc/self/fd", X_OK) == 0;
    if (!proc_links) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::open(folder.c_str(), O_TMPFILE | access | O_CLOEXEC, 0600);
}

bool no_unnamed_files_here(int err) {
    return err == EOPNOTSUPP || err == EISDIR || err == EINVAL;
}

// Gives the unnamed file `fd` the name `name` (false, errno set, if it cannot).
bool link_unnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The renames are on the disk only once the folder itself is flushed.
void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

mode_t mode_for_new_file() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The buffered bytes, then `more`, in as few system calls as the system takes.
bool write_all(int fd, std::string_view buffered, std::string_view more) {
    iovec io[2] = {{const_cast<char*>(buffered.data()), buffered.size()},
                   {const_cast<char*>(more.data()), more.size()}};
    iovec* next = io;
    int count = 2;
    while (count > 0) {
        if (next->iov_len == 0) {
            ++next;
            --count;
            continue;
        }
        const ssize_t n = ::writev(fd, next, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {  // no progress and no reason: treat as a full device
            errno = ENOSPC;
            return false;
        }
        for (size_t left = size_t(n); left > 0;) {
            const size_t part = std::min(left, next->iov_len);
            next->iov_base = static_cast<char*>(next->iov_base) + part;
            next->iov_len -= part;
            left -= part;
            if (next->iov_len == 0 && left > 0) {
                ++next;
                --count;
            }
        }
    }
    return true;
}

}  // namespace

AtomicFile::~AtomicFile() {
    abandon();
}

bool AtomicFile::fail(const std::string& what, int err) {
    error_ = what + " \"" + path_ + "\": " + std::strerror(err);
    failed_ = true;
    abandon();
    return false;
}

bool AtomicFile::open(const std::string& path, const std::atomic<bool>* give_up) {
    abandon();
    path_ = path;
    temp_.clear();
    real_.clear();
    folder_.clear();
    unnamed_ = existed_ = false;
    error_.clear();
    buffer_.clear();
    written_ = synced_ = 0;
    taken_ = 0;
    failed_ = finished_ = lines_ = gave_up_ = false;
    give_up_ = nullptr;
    owns_fd_ = true;
    if (path.empty()) {
        error_ = "no file name was given";
        failed_ = true;
        return false;
    }
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return fail("cannot write", EISDIR);
    if (exists && S_ISFIFO(st.st_mode) && give_up) {
        // A pipe opens for writing only once it has a reader: waited for, but not
        // past the flag.
        while ((fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK)) < 0) {
            if (errno != ENXIO) return fail("cannot open", errno);
            if (give_up->load()) {
                error_ = "gave up writing to \"" + path_ + "\": no reader opened it";
                gave_up_ = failed_ = true;
                return false;
            }
            ::usleep(50000);
        }
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        give_up_when_blocked(give_up);
        return true;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or pipe: written in place, there is nothing to rename over.
        fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) return fail("cannot open", errno);
        if (give_up) give_up_when_blocked(give_up);
        return true;
    }
    // Through a symbolic link the file it points to is replaced, not the link.
    std::string target = path;
    if (exists) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    }
    folder_ = folder_of(target);
    remove_stale_temporaries(folder_);
    fd_ = unnamed_file(folder_, O_WRONLY);
    if (fd_ >= 0) {
        unnamed_ = true;
    } else {
        if (!no_unnamed_files_here(errno)) return fail("cannot create", errno);
        std::string temp = folder_ + "/" + temp_prefix() + "XXXXXX";
        fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd_ < 0) return fail("cannot create", errno);
        temp_ = temp;
    }
    real_ = target;
    existed_ = exists;
    // The new file gets the old one's permissions, or the usual ones for a new file
    // (it was made private to its owner).
    if (::fchmod(fd_, exists ? (st.st_mode & 07777) : mode_for_new_file()) != 0)
        return fail("cannot create", errno);
    return true;
}

void AtomicFile::open_stream(int fd, std::string name) {
    abandon();
    path_ = std::move(name);
    temp_.clear();
    real_.clear();
    folder_.clear();
    unnamed_ = existed_ = false;
    error_.clear();
    buffer_.clear();
    written_ = synced_ = 0;
    taken_ = 0;
    failed_ = finished_ = lines_ = gave_up_ = false;
    give_up_ = nullptr;
    fd_ = fd;
    owns_fd_ = false;
}

void AtomicFile::give_up_when_blocked(const std::atomic<bool>* flag) {
    struct stat st {};
    if (fd_ < 0 || !temp_.empty() || unnamed_ || ::fstat(fd_, &st) != 0) return;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || ::isatty(fd_)) {
        lines_ = true;
        give_up_ = flag;
    }
}

bool AtomicFile::flush_buffer() {
    if (buffer_.empty()) return true;
    if (!write_all(fd_, buffer_, {})) return fail("cannot write", errno);
    written_ += buffer_.size();
    buffer_.clear();
    start_writeback();
    return true;
}

// A long file is sent to the disk while it is written, so that the final fsync
// has little left to wait for.
void AtomicFile::start_writeback() {
    constexpr size_t kChunk = 8 << 20;
    if ((temp_.empty() && !unnamed_) || written_ - synced_ < kChunk) return;
    ::sync_file_range(fd_, off_t(synced_), off_t(written_ - synced_), SYNC_FILE_RANGE_WRITE);
    synced_ = written_;
}

bool AtomicFile::write_lines(std::string_view bytes) {
    while (!bytes.empty()) {
        // A piece a pipe takes whole: it reaches the reader complete or not at all.
        size_t n = std::min(bytes.size(), size_t(PIPE_BUF));
        if (n < bytes.size()) {
            const size_t end = bytes.substr(0, n).rfind('\n');
            if (end != std::string_view::npos) n = end + 1;
        }
        pollfd p{fd_, POLLOUT, 0};
        const int ready = ::poll(&p, 1, 100);
        if (ready < 0 && errno != EINTR) return fail("cannot write", errno);
        if (ready <= 0) {
            if (give_up_ && give_up_->load()) {
                error_ = "gave up writing to \"" + path_ +
                         "\": it took nothing more after the interruption";
                gave_up_ = failed_ = true;
                abandon();
                return false;
            }
            continue;
        }
        const ssize_t w = ::write(fd_, bytes.data(), n);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return fail("cannot write", errno);
        if (w == 0) return fail("cannot write", ENOSPC);
        bytes.remove_prefix(size_t(w));
        written_ += size_t(w);
        taken_ += uint64_t(w);
    }
    return true;
}

bool AtomicFile::write(std::string_view bytes) {
    if (failed_ || finished_ || fd_ < 0) {
        if (error_.empty()) error_ = "\"" + path_ + "\" is not open for writing";
        return false;
    }
    if (lines_) return write_lines(bytes);
    if (buffer_.size() + bytes.size() < kBufferBytes) {
        buffer_.append(bytes);
        taken_ += bytes.size();
        return true;
    }
    // Enough for one system call: the buffer and the new bytes go out together,
    // the new ones without a copy into the buffer.
    if (!write_all(fd_, buffer_, bytes)) return fail("cannot write", errno);
    written_ += buffer_.size() + bytes.size();
    taken_ += bytes.size();
    buffer_.clear();
    start_writeback();
    return true;
}

void AtomicFile::close_fd() {
    if (fd_ >= 0 && owns_fd_) ::close(fd_);
    fd_ = -1;
}

bool AtomicFile::finish() {
    if (finished_) return true;
    if (failed_ || fd_ < 0) return false;
    if (!flush_buffer()) return false;
    const bool replaces = unnamed_ || !temp_.empty();
    if (owns_fd_) {
        // A new file's data must be on the disk before the rename makes it the
        // file; a device has nothing to flush (fsync on it may even be refused).
        if (replaces && ::fsync(fd_) != 0) return fail("cannot write", errno);
        // A file without a name is named through its descriptor: it stays open
        // until then.
        if (!unnamed_) {
            const int fd = fd_;
            fd_ = -1;
            if (::close(fd) != 0) return fail("cannot write", errno);
        }
    } else {
        fd_ = -1;
    }
    finished_ = true;
    return true;
}

bool AtomicFile::publish() {
    if (unnamed_) {
        // A new target takes the file's first name itself; an old one is replaced
        // through a short name and a rename.
        if (!existed_ && link_unnamed(fd_, real_)) {
            unnamed_ = false;
            close_fd();
            return true;
        }
        if (!existed_ && errno != EEXIST) return fail("cannot create", errno);
        std::string temp;
        bool linked = false;
        for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
            temp = fresh_temp_name(folder_);
            linked = link_unnamed(fd_, temp);
            if (!linked && errno != EEXIST) return fail("cannot create", errno);
        }
        if (!linked) return fail("cannot create", EEXIST);
        temp_ = temp;
        unnamed_ = false;
        close_fd();
    }
    if (temp_.empty()) return true;
    if (::rename(temp_.c_str(), real_.c_str()) != 0) return fail("cannot replace", errno);
    temp_.clear();
    return true;
}

bool AtomicFile::commit() {
    if (!finish()) return false;
    const bool ok = publish();
    if (ok && !folder_.empty()) sync_folder(folder_);
    return ok;
}

void AtomicFile::abandon() {
    close_fd();
    unnamed_ = false;  // a file without a name is gone with its descriptor
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
}

bool write_file_atomically(const std::string& path, std::string_view bytes, std::string& error) {
    AtomicFile file;
    if (file.open(path) && file.write(bytes) && file.commit()) return true;
    error = file.error();
    return false;
}

AtomicFile& AtomicFileSet::add(const std::string& path) {
    files_.push_back(std::make_unique<AtomicFile>());
    files_.back()->open(path);
    return *files_.back();
}

AtomicFile* AtomicFileSet::find(const std::string& path) {
    for (auto& f : files_)
        if (f->path() == path) return f.get();
    return nullptr;
}

void AtomicFileSet::abandon() {
    for (auto& f : files_) f->abandon();
    files_.clear();
}

bool AtomicFileSet::commit() {
    error_.clear();
    for (auto& f : files_) {
        if (!f->finish()) {
            error_ = f->error();
            abandon();
            return false;
        }
    }
    // A second name (hard link) for each old file keeps it while its new
    // contents are renamed into place, so that a failed rename can be undone.
    std::vector<std::string> backups(files_.size());
    for (size_t i = 0; i < files_.size(); ++i) {
        const AtomicFile& f = *files_[i];
        if (!f.existed_ || (f.temp_.empty() && !f.unnamed_)) continue;
        for (int attempt = 0; attempt < 100 && backups[i].empty(); ++attempt) {
            const std::string backup = fresh_temp_name(f.folder_);
            if (::link(f.real_.c_str(), backup.c_str()) == 0)
                backups[i] = backup;
            else if (errno != EEXIST)
                break;
        }
    }
    size_t done = 0;
    for (; done < files_.size(); ++done) {
        if (!files_[done]->publish()) break;
    }
    if (done < files_.size()) {
        error_ = files_[done]->error();
        for (size_t i = 0; i < done; ++i) {
            const std::string& target = files_[i]->real_;
            if (!backups[i].empty()) {
                ::rename(backups[i].c_str(), target.c_str());
                backups[i].clear();
            } else if (!files_[i]->existed_ && !target.empty()) {
                ::unlink(target.c_str());  // it did not exist before
            }
        }
    }
    for (const auto& b : backups)
        if (!b.empty()) ::unlink(b.c_str());
    const bool ok = done == files_.size();
    if (ok && !files_.empty() && !files_.front()->folder_.empty())
        sync_folder(files_.front()->folder_);
    abandon();
    return ok;
}

bool output_path_usable(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "the file name is empty";
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = "\"" + path + "\" is a folder, not a file";
            return false;
        }
        if (!S_ISREG(st.st_mode)) return true;  // a device or pipe, written in place
    }
    const std::string folder = folder_of(path);
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "the folder \"" + folder + "\" of \"" + path + "\" does not exist";
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = "cannot create files in the folder \"" + folder + "\": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool same_output_file(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    const bool ea = ::stat(a.c_str(), &sa) == 0, eb = ::stat(b.c_str(), &sb) == 0;
    if (a == b) return !ea || S_ISREG(sa.st_mode);
    if (ea && eb) {
        // A device or pipe named twice is written twice in place; nothing is lost.
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino && S_ISREG(sa.st_mode);
    }
    if (ea != eb) return false;  // one file exists, the other does not
    // Two new files: one when their folders are one and their names the same.
    if (base_of(a) != base_of(b)) return false;
    char ra[PATH_MAX], rb[PATH_MAX];
    if (::realpath(folder_of(a).c_str(), ra) == nullptr) return false;
    if (::realpath(folder_of(b).c_str(), rb) == nullptr) return false;
    return std::strcmp(ra, rb) == 0;
}

int scratch_file_beside(const std::string& path, std::string& error) {
    const std::string folder = folder_of(path);
    int fd = unnamed_file(folder, O_RDWR);
    if (fd >= 0) return fd;
    if (no_unnamed_files_here(errno)) {
        // A name only for the moment between its making and its removal.
        std::string temp = folder + "/" + temp_prefix() + "XXXXXX";
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::unlink(temp.c_str());
            return fd;
        }
    }
    error = "cannot create a scratch file in \"" + folder + "\": " + std::strerror(errno);
    return -1;
}

bool make_folders(const std::string& folder, std::string& error) {
    if (folder.empty()) {
        error = "no folder was given";
        return false;
    }
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) == 0 || errno == EEXIST) continue;
        error = "cannot create the folder \"" + part + "\": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "\"" + folder + "\" is not a folder";
        return false;
    }
    return true;
}

}  // namespace soar
