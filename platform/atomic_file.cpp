#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

bool AtomicFile::open(const std::string& path) {
    abandon();
    path_ = path;
    temp_.clear();
    real_.clear();
    existed_ = false;
    error_.clear();
    buffer_.clear();
    written_ = synced_ = 0;
    failed_ = finished_ = false;
    owns_fd_ = true;
    if (path.empty()) {
        error_ = "no file name was given";
        failed_ = true;
        return false;
    }
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return fail("cannot write", EISDIR);
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or pipe: written in place, there is nothing to rename over.
        fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) return fail("cannot open", errno);
        return true;
    }
    // Through a symbolic link the file it points to is replaced, not the link.
    std::string target = path;
    if (exists) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    }
    std::string temp = folder_of(target) + "/." + base_of(target) + ".XXXXXX";
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) return fail("cannot create", errno);
    temp_ = temp;
    real_ = target;
    existed_ = exists;
    // The new file gets the old one's permissions, or the usual ones for a new file
    // (mkstemp makes it private to its owner).
    if (::fchmod(fd_, exists ? (st.st_mode & 07777) : mode_for_new_file()) != 0)
        return fail("cannot create", errno);
    return true;
}

void AtomicFile::open_stream(int fd, std::string name) {
    abandon();
    path_ = std::move(name);
    temp_.clear();
    real_.clear();
    error_.clear();
    buffer_.clear();
    written_ = synced_ = 0;
    failed_ = finished_ = false;
    fd_ = fd;
    owns_fd_ = false;
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
    if (temp_.empty() || written_ - synced_ < kChunk) return;
    ::sync_file_range(fd_, off_t(synced_), off_t(written_ - synced_), SYNC_FILE_RANGE_WRITE);
    synced_ = written_;
}

bool AtomicFile::write(std::string_view bytes) {
    if (failed_ || finished_ || fd_ < 0) {
        if (error_.empty()) error_ = "\"" + path_ + "\" is not open for writing";
        return false;
    }
    if (buffer_.size() + bytes.size() < kBufferBytes) {
        buffer_.append(bytes);
        return true;
    }
    // Enough for one system call: the buffer and the new bytes go out together,
    // the new ones without a copy into the buffer.
    if (!write_all(fd_, buffer_, bytes)) return fail("cannot write", errno);
    written_ += buffer_.size() + bytes.size();
    buffer_.clear();
    start_writeback();
    return true;
}

bool AtomicFile::finish() {
    if (finished_) return true;
    if (failed_ || fd_ < 0) return false;
    if (!flush_buffer()) return false;
    if (owns_fd_) {
        // A regular file's data must be on the disk before the rename makes it the
        // file; a device has nothing to flush (fsync on it may even be refused).
        if (!temp_.empty() && ::fsync(fd_) != 0) return fail("cannot write", errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) return fail("cannot write", errno);
    } else {
        fd_ = -1;
    }
    finished_ = true;
    return true;
}

bool AtomicFile::publish() {
    if (temp_.empty()) return true;
    if (::rename(temp_.c_str(), real_.c_str()) != 0) return fail("cannot replace", errno);
    temp_.clear();
    return true;
}

bool AtomicFile::commit() {
    if (!finish()) return false;
    const bool ok = publish();
    if (ok) sync_folder(folder_of(real_));
    return ok;
}

void AtomicFile::abandon() {
    if (fd_ >= 0 && owns_fd_) ::close(fd_);
    fd_ = -1;
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
        if (f.temp_.empty()) continue;
        const std::string backup = f.temp_ + ".old";
        if (::link(f.real_.c_str(), backup.c_str()) == 0) backups[i] = backup;
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
    if (ok && !files_.empty() && !files_.front()->real_.empty())
        sync_folder(folder_of(files_.front()->real_));
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

}  // namespace soar
