// A disk that fills after a given size, for the files this process writes: the
// kernel refuses writes beyond the limit (EFBIG) as a full disk refuses them.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace soar {

class DiskFullAfter {
  public:
    explicit DiskFullAfter(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = saved_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~DiskFullAfter() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_handler_);
    }
    DiskFullAfter(const DiskFullAfter&) = delete;
    DiskFullAfter& operator=(const DiskFullAfter&) = delete;

  private:
    rlimit saved_{};
    void (*old_handler_)(int) = nullptr;
};

}  // namespace soar
