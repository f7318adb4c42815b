#include "qt/quit_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>

namespace soar {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
// The pipe's two ends: the handler writes to [1], the event loop reads [0].
int pipe_fds[2] = {-1, -1};
struct sigaction previous[3];

extern "C" void note_signal(int signal) {
    // Only what is safe in a handler: write(2), errno kept.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(pipe_fds[1], &byte, 1);
    errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> end, QObject* parent)
    : QObject(parent), end_(std::move(end)) {
    if (pipe_fds[0] >= 0) return;  // one per program
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipe_fds) != 0) {
        pipe_fds[0] = pipe_fds[1] = -1;
        return;
    }
    // A full pipe drops a signal's byte rather than block the handler.
    ::fcntl(pipe_fds[1], F_SETFL, ::fcntl(pipe_fds[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(pipe_fds[0], F_SETFL, ::fcntl(pipe_fds[0], F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(pipe_fds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignals::read_signals);
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction action = {};
        action.sa_handler = note_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kSignals[i], &action, &previous[i]);
    }
}

QuitSignals::~QuitSignals() {
    if (!notifier_) return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
    notifier_.reset();
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    pipe_fds[0] = pipe_fds[1] = -1;
}

void QuitSignals::read_signals() {
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(pipe_fds[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i) end_(bytes[i]);
}

}  // namespace soar
