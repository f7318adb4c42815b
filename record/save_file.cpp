#include "record/save_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace soar {

bool save_file(const std::string& path, const std::string& bytes, std::string& error) {
    if (path.empty()) {
        error = "no file name";
        return false;
    }
    const std::string temp = path + ".part";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    const int write_errno = done == bytes.size() ? 0 : (errno ? errno : EIO);
    const bool synced = write_errno == 0 && ::fsync(fd) == 0;
    const int sync_errno = synced ? 0 : errno;
    const bool closed = ::close(fd) == 0;
    if (write_errno || !synced || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(write_errno ? write_errno : sync_errno ? sync_errno : errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace soar
