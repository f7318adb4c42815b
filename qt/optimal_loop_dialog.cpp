#include "qt/optimal_loop_dialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/loop_cache.h"
#include "app/loop_flight.h"
#include "app/loop_params.h"
#include "app/sweep_point.h"
#include "platform/atomic_file.h"

namespace soar {

OptimalLoopDialog::OptimalLoopDialog(RunSignals& run, QWidget* parent)
    : QDialog(parent), run_(run) {
    setWindowTitle(QStringLiteral("Optimal loop"));
    setObjectName(QStringLiteral("optimal_loop"));
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    cache_path_ = QDir(dir.isEmpty() ? QDir::tempPath() : dir).filePath("optimal-loop.txt");

    auto* top = new QVBoxLayout(this);
    auto* about = new QLabel(
        QStringLiteral(
            "The periodic loop that needs the least wind for the current bird and "
            "wind profile (the one the patterns fly in), solved by collocation; then flown in the "
            "main window, repeating, in the moving view. \"OK\" in the main window "
            "returns to the selected pattern."),
        this);
    about->setWordWrap(true);
    top->addWidget(about);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    top->addWidget(bar_);
    status_ = new QLabel(QStringLiteral("Not solved yet."), this);
    status_->setWordWrap(true);
    // Room for some 30 characters a line: the figures read at a glance, and the
    // dialog still fits a dock beside the form on a small screen.
    status_->setMinimumWidth(status_->fontMetrics().averageCharWidth() * 30);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    solve_ = new QPushButton(QStringLiteral("&Solve and fly"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    solve_->setToolTip(QStringLiteral(
        "Solve the periodic loop that needs the least wind for the parameters in use, then fly "
        "it in the main window."));
    cancel_->setToolTip(QStringLiteral("Stop the solve; the flight shown stays as it is."));
    close->setToolTip(QStringLiteral("Close the dialog (F4 opens it again)."));
    buttons->addWidget(solve_);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    top->addLayout(buttons);
    // In a tall dock the rows stay together at the top.
    top->addStretch(1);
    connect(solve_, &QPushButton::clicked, this, &OptimalLoopDialog::start);
    connect(cancel_, &QPushButton::clicked, this, &OptimalLoopDialog::stop_job);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    poll_.setInterval(50);
    connect(&poll_, &QTimer::timeout, this, &OptimalLoopDialog::poll);
    set_idle(true);
}

OptimalLoopDialog::~OptimalLoopDialog() {
    if (job_) job_->cancel = true;
    if (worker_.joinable()) worker_.join();
}

void OptimalLoopDialog::say(const QString& text) {
    status_->setText(text);
    // Tall enough for the whole text at the dialog's width: it grows, never cuts.
    QLayout* l = layout();
    const int needed =
        l->hasHeightForWidth() ? l->totalHeightForWidth(width()) : l->totalSizeHint().height();
    if (needed > height()) resize(width(), needed);
}

void OptimalLoopDialog::set_idle(bool idle) {
    solve_->setEnabled(idle);
    cancel_->setEnabled(!idle);
    bar_->setRange(0, idle ? 1 : 0);  // a running bar while the solver works
    if (idle) bar_->setValue(0);
}

void OptimalLoopDialog::start() {
    if (job_) return;
    auto job = std::make_unique<LoopSolveJob>();
    job->flight = run_.params_chosen().upwind;
    job->problem = loop_problem_for(job->flight, wind_shape(job->flight), false);
    const std::string wrong = loop_problem_error(job->problem);
    if (!wrong.empty()) {
        say(QStringLiteral("These parameters pose no loop: %1.")
                .arg(QString::fromStdString(wrong)));
        return;
    }
    job->key = loop_cache_key(job->problem, nodes_);
    if (auto cached = load_cached_loop(cache_path_.toStdString(), job->key)) {
        emit run_.loop_flight_wanted(make_loop_flight(job->flight, job->problem, *cached));
        say(QStringLiteral("Flying the loop solved before for these parameters "
                           "(from the cache): least wind U_ref %1 m/s, period %2 s.")
                .arg(cached->wind, 0, 'f', 3)
                .arg(cached->period, 0, 'f', 2));
        return;
    }
    job_ = std::move(job);
    say(QStringLiteral("Solving..."));
    set_idle(false);
    LoopSolveJob* j = job_.get();
    optim::SolveOptions o;
    o.nodes = nodes_;
    o.max_iterations = max_iterations_;
    worker_ = std::thread([j, o] { solve_loop_job(*j, o); });
    poll_.start();
}

void OptimalLoopDialog::poll() {
    if (!job_) return;
    if (job_->done) {
        finish();
        return;
    }
    optim::SolveProgress q;
    bool started = false;
    {
        const std::lock_guard<std::mutex> lock(job_->m);
        q = job_->last;
        started = job_->started;
    }
    if (!started) return;
    say(QStringLiteral("Solving: iteration %1, wind U_ref %2 m/s, constraint "
                       "violation %3, %4 s.")
            .arg(q.iteration)
            .arg(q.wind, 0, 'f', 3)
            .arg(q.infeasibility, 0, 'e', 1)
            .arg(q.seconds, 0, 'f', 1));
}

void OptimalLoopDialog::finish() {
    poll_.stop();
    if (worker_.joinable()) worker_.join();
    std::unique_ptr<LoopSolveJob> job = std::move(job_);
    set_idle(true);
    const optim::LoopSolution& s = job->result;
    if (job->cancel) {
        say(QStringLiteral("Cancelled: nothing was changed."));
        return;
    }
    if (!s.converged) {
        say(QStringLiteral("No loop found for these parameters after %1 iterations (the "
                           "solver: %2). The flight in the window is unchanged.")
                .arg(s.iterations)
                .arg(QString::fromStdString(s.status)));
        return;
    }
    // On a fresh account the cache folder does not exist yet.
    std::string error;
    const bool kept = make_folders(QFileInfo(cache_path_).absolutePath().toStdString(), error) &&
                      save_cached_loop(cache_path_.toStdString(), job->key, s, error);
    emit run_.loop_flight_wanted(make_loop_flight(job->flight, job->problem, s));
    QString text = QStringLiteral(
                       "Flying the optimal loop: least wind U_ref %1 m/s, period "
                       "%2 s, %3 iterations in %4 s.")
                       .arg(s.wind, 0, 'f', 3)
                       .arg(s.period, 0, 'f', 2)
                       .arg(s.iterations)
                       .arg(s.seconds, 0, 'f', 1);
    if (!kept)
        text += QStringLiteral(" (Not kept for next time: %1.)").arg(QString::fromStdString(error));
    say(text);
}

void OptimalLoopDialog::stop_job() {
    if (!job_) return;
    job_->cancel = true;
    say(QStringLiteral("Cancelling..."));
}

void OptimalLoopDialog::closeEvent(QCloseEvent* event) {
    // Closing ends a solve: the thread stops at its next iteration.
    if (job_) {
        job_->cancel = true;
        finish();
    }
    QDialog::closeEvent(event);
}

void OptimalLoopDialog::reject() {
    if (job_) {
        job_->cancel = true;
        finish();
    }
    QDialog::reject();
}

}  // namespace soar
