// SIGTERM, SIGHUP and SIGINT (a log-out, a closed terminal, Ctrl+C) end the
// window's program the way closing it does: the handler only writes the
// signal's number to a pipe, and the event loop reads it and calls the
// program's own ending, so that the remembered settings are saved and
// nothing of Qt runs inside a signal handler.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace soar {

class QuitSignals final : public QObject {
    Q_OBJECT

  public:
    // `end` runs on the event loop's thread, once per signal, with its number.
    explicit QuitSignals(std::function<void(int signal)> end, QObject* parent = nullptr);
    // The signals' handling as it was before, the pipe closed.
    ~QuitSignals() override;
    // False (and the signals as they were) when the pipe could not be made.
    bool ok() const { return notifier_ != nullptr; }

  private:
    void read_signals();

    std::function<void(int)> end_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace soar
