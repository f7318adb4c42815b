// "Optimal loop": solves the least-wind loop for the window's current
// parameters on a worker thread (progress and Cancel), or takes it from the
// cache file when it was solved for these very parameters before, then flies
// it in the main window.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "optim/loop_solver.h"
#include "qt/loop_solve_job.h"
#include "qt/run_signals.h"

namespace soar {

class OptimalLoopDialog final : public QDialog {
    Q_OBJECT

  public:
    explicit OptimalLoopDialog(RunSignals& run, QWidget* parent = nullptr);
    // Cancels a running solve and waits for its thread (at most one solver
    // iteration).
    ~OptimalLoopDialog() override;

    // Where the last solved loop is kept; the user's cache folder unless set.
    void set_cache_path(const QString& path) { cache_path_ = path; }
    const QString& cache_path() const { return cache_path_; }
    // Mesh nodes of the solve (50 unless set).
    void set_nodes(int nodes) { nodes_ = nodes; }
    // The most solver iterations before it gives up (3000 unless set).
    void set_max_iterations(int n) { max_iterations_ = n; }

    QPushButton* solve_button() const { return solve_; }
    QPushButton* cancel_button() const { return cancel_; }
    QProgressBar* progress_bar() const { return bar_; }
    QLabel* status_label() const { return status_; }
    bool solving() const { return job_ != nullptr; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void start();
    void poll();
    void finish();
    void stop_job();
    void set_idle(bool idle);
    // The status shown, the dialog grown to its whole text.
    void say(const QString& text);

    RunSignals& run_;
    QString cache_path_;
    int nodes_ = 50;
    int max_iterations_ = optim::SolveOptions{}.max_iterations;
    QLabel* status_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton *solve_ = nullptr, *cancel_ = nullptr;
    QTimer poll_;
    std::unique_ptr<LoopSolveJob> job_;
    std::thread worker_;
};

}  // namespace soar
