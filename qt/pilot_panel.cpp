#include "qt/pilot_panel.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/cli_fly_commands.h"
#include "app/loop_cache.h"
#include "app/loop_params.h"
#include "app/sweep_point.h"
#include "platform/atomic_file.h"
#include "platform/number_text.h"
#include "qt/file_names.h"
#include "qt/run_signals.h"
#include "record/save_file.h"
#include "sim/names.h"

namespace soar {

namespace {

QString number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

// The strongest gusts the panel takes: twice severe turbulence's sigma_w, m/s.
constexpr double kMostGusts = 5.0;
const QString kCommandFilter = QStringLiteral("Command files (*.csv)");

}  // namespace

QString pilot_readout(const Command& c, const FlightState& s, const PilotLimits& limits,
                      const PilotScore& score) {
    QString t;
    t += QStringLiteral("<b>Bank</b> %1 deg, stick %2 deg (at most %3 deg, %4 deg/s)<br>")
             .arg(number(s.mu_deg, 1), number(c.mu_deg, 1), number(limits.bank_max, 0),
                  number(limits.bank_rate_max, 0));
    t += QStringLiteral("<b>Lift</b> CL %1, stick %2 (stall above %3, %4 /s)<br>")
             .arg(number(s.CL, 2), number(c.lift, 2), number(limits.CL_max, 2),
                  number(limits.CL_rate_max, 1));
    t += QStringLiteral("<b>Load</b> %1 g (at most %2 g)<br>")
             .arg(number(s.Nz, 2), number(limits.Nz_max, 1));
    t += QStringLiteral("<b>Score</b>: energy gained %1 m in %2 s aloft")
             .arg(number(score.energy_gained_m, 2), number(score.time_aloft_s, 1));
    if (!score.cycles.empty()) {
        t += QStringLiteral("<br>Cycles:");
        // The last few: the newest at the end.
        const size_t from = score.cycles.size() > 5 ? score.cycles.size() - 5 : 0;
        for (size_t i = from; i < score.cycles.size(); ++i) {
            const CycleScore& cs = score.cycles[i];
            t += QStringLiteral("<br>&nbsp;%1: %2 m in %3 s")
                     .arg(cs.number)
                     .arg(number(cs.energy_gained_m, 2), number(cs.time_s, 1));
        }
    }
    return t;
}

PilotPanel::PilotPanel(RunSignals& run, QWidget* parent)
    : QWidget(parent),
      run_(run),
      fly_(new QAction(QStringLiteral("Fly it &yourself (F6)"), this)),
      save_commands_(new QAction(QStringLiteral("Save &commands..."), this)),
      start_(new QPushButton(QStringLiteral("Fly it yourself (F6)"), this)),
      save_(new QPushButton(QStringLiteral("Save commands..."), this)),
      gust_intensity_(new QLineEdit(QStringLiteral("0"), this)),
      gust_seed_(new QLineEdit(QStringLiteral("0"), this)),
      readout_(new QLabel(this)),
      note_(new QLabel(this)),
      ghost_(new QAction(QStringLiteral("Show the &optimal loop"), this)),
      ghost_box_(new QCheckBox(QStringLiteral("Show the optimal loop"), this)),
      ghost_bar_(new QProgressBar(this)),
      ghost_cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      ghost_status_(new QLabel(this)) {
    setObjectName(QStringLiteral("pilot_panel"));
    fly_->setObjectName(QStringLiteral("fly_yourself_action"));
    fly_->setShortcut(QKeySequence(Qt::Key_F6));
    fly_->setToolTip(QStringLiteral(
        "Fly the bird yourself from the selected pattern's start: Left and Right bank, "
        "Up pulls for more lift, Down gives less."));
    connect(fly_, &QAction::triggered, this, &PilotPanel::start_flying);
    connect(start_, &QPushButton::clicked, fly_, &QAction::trigger);
    save_commands_->setObjectName(QStringLiteral("save_commands_action"));
    save_commands_->setToolTip(
        QStringLiteral("Save the commands of the flight you flew, for soarcalculus fly --commands "
                       "to fly it again."));
    connect(save_commands_, &QAction::triggered, this, &PilotPanel::save_commands_asked);
    connect(save_, &QPushButton::clicked, save_commands_, &QAction::trigger);
    // The arrows are the stick's: the buttons keep no focus to take them.
    start_->setFocusPolicy(Qt::NoFocus);
    save_->setFocusPolicy(Qt::NoFocus);
    save_->setObjectName(QStringLiteral("save_commands_button"));
    gust_intensity_->setObjectName(QStringLiteral("gust_intensity"));
    gust_seed_->setObjectName(QStringLiteral("gust_seed"));
    gust_intensity_->setToolTip(QStringLiteral(
        "Gusts on the mean wind: the vertical gust's standard deviation sigma_w, m/s, 0 for "
        "calm air (about 0.8 light turbulence, 1.5 moderate, 2.3 severe). From the next flight."));
    gust_seed_->setToolTip(
        QStringLiteral("The gusts' seed: the same seed gives the same gusts, a whole number."));
    note_->setObjectName(QStringLiteral("pilot_note"));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ask_path = [this](const QString& title, const QString& start, const QString& filter) {
        return QFileDialog::getSaveFileName(this, title, start, filter);
    };
    // The ghost: the check box and the menu's item are one switch.
    ghost_->setObjectName(QStringLiteral("show_optimal_loop_action"));
    ghost_->setCheckable(true);
    ghost_box_->setObjectName(QStringLiteral("show_optimal_loop"));
    ghost_box_->setFocusPolicy(Qt::NoFocus);
    const QString ghost_tip = QStringLiteral(
        "Draw the loop that needs the least wind for these parameters as a ghost to follow, and "
        "show how far the bird is from it. Solving it can take some seconds.");
    ghost_->setToolTip(ghost_tip);
    ghost_box_->setToolTip(ghost_tip);
    connect(ghost_box_, &QCheckBox::toggled, ghost_, &QAction::setChecked);
    connect(ghost_, &QAction::toggled, ghost_box_, &QCheckBox::setChecked);
    connect(ghost_, &QAction::toggled, this, &PilotPanel::update_ghost);
    ghost_bar_->setObjectName(QStringLiteral("ghost_progress"));
    ghost_bar_->setRange(0, 1);
    ghost_bar_->setTextVisible(false);
    ghost_bar_->hide();
    ghost_cancel_->setObjectName(QStringLiteral("ghost_cancel"));
    ghost_cancel_->setFocusPolicy(Qt::NoFocus);
    ghost_cancel_->hide();
    connect(ghost_cancel_, &QPushButton::clicked, this, &PilotPanel::cancel_ghost);
    ghost_status_->setObjectName(QStringLiteral("ghost_status"));
    ghost_status_->setWordWrap(true);
    ghost_poll_.setInterval(50);
    connect(&ghost_poll_, &QTimer::timeout, this, &PilotPanel::poll_ghost);
    // The Optimal loop dialog's file: a loop solved there is shown here at once.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    cache_path_ = QDir(cache.isEmpty() ? QDir::tempPath() : cache).filePath("optimal-loop.txt");
    connect(&run_, &RunSignals::params_changed, this, [this] {
        if (ghost_->isChecked()) update_ghost();
    });
    readout_->setTextFormat(Qt::RichText);
    readout_->setWordWrap(true);
    readout_->setObjectName(QStringLiteral("pilot_readout"));
    auto* layout = new QVBoxLayout(this);
    auto* how = new QLabel(
        QStringLiteral("Left, Right: bank. Up: more lift, Down: less. Let go and the wings "
                       "come level, the lift back to level flight's. Space pauses."),
        this);
    how->setWordWrap(true);
    auto* gusts = new QGridLayout;
    gusts->addWidget(new QLabel(QStringLiteral("Gusts, sigma_w (m/s):"), this), 0, 0);
    gusts->addWidget(gust_intensity_, 0, 1);
    gusts->addWidget(new QLabel(QStringLiteral("Seed:"), this), 1, 0);
    gusts->addWidget(gust_seed_, 1, 1);
    auto* solving = new QHBoxLayout;
    solving->addWidget(ghost_bar_, 1);
    solving->addWidget(ghost_cancel_);
    layout->addWidget(start_);
    layout->addWidget(how);
    layout->addLayout(gusts);
    layout->addWidget(ghost_box_);
    layout->addLayout(solving);
    layout->addWidget(ghost_status_);
    layout->addWidget(readout_);
    layout->addWidget(save_);
    layout->addWidget(note_);
    layout->addStretch(1);
    connect(&run_, &RunSignals::ticked, this, [this](double t_s) {
        // Ten times a second of flight time is enough to read.
        if (t_s >= shown_t_ && t_s < shown_t_ + 0.1) return;
        shown_t_ = t_s;
        refresh();
    });
    connect(&run_, &RunSignals::state_changed, this, &PilotPanel::refresh);
    connect(&run_, &RunSignals::looked_back, this, &PilotPanel::refresh);
    qApp->installEventFilter(this);
    refresh();
}

PilotPanel::~PilotPanel() {
    qApp->removeEventFilter(this);
    if (job_) job_->cancel = true;
    if (worker_.joinable()) worker_.join();
}

Params PilotPanel::pilot_params() const {
    const Mode m = run_.pattern();
    return run_.params_chosen().of(m == Mode::fixed || m == Mode::profile ? Mode::upwind : m);
}

void PilotPanel::update_ghost() {
    if (!ghost_->isChecked()) {
        cancel_ghost();
        if (ghost_params_) {
            ghost_params_.reset();
            emit run_.ghost_wanted(nullptr);
        }
        ghost_status_->clear();
        return;
    }
    const Params p = pilot_params();
    if (ghost_params_ && *ghost_params_ == p) return;  // shown for these already
    if (job_) {
        if (job_->flight == p) return;  // on its way
        // Solving for other parameters: that solve is dropped.
        job_->cancel = true;
        ghost_poll_.stop();
        if (worker_.joinable()) worker_.join();
        job_.reset();
    }
    // The loop shown is of other parameters: taken away while the new one comes.
    if (ghost_params_) {
        ghost_params_.reset();
        emit run_.ghost_wanted(nullptr);
    }
    auto job = std::make_unique<LoopSolveJob>();
    job->flight = p;
    job->problem = loop_problem_for(p, wind_shape(p), false);
    const std::string wrong = loop_problem_error(job->problem);
    if (!wrong.empty()) {
        ghost_status_->setText(QStringLiteral("These parameters pose no loop to show: %1.")
                                   .arg(QString::fromStdString(wrong)));
        return;
    }
    job->key = loop_cache_key(job->problem, nodes_);
    if (auto cached = load_cached_loop(cache_path_.toStdString(), job->key)) {
        ghost_params_ = p;
        emit run_.ghost_wanted(
            std::make_shared<const LoopFlight>(make_loop_flight(p, job->problem, *cached)));
        ghost_status_->setText(QStringLiteral("The optimal loop (solved before): least wind "
                                              "U_ref %1 m/s, period %2 s.")
                                   .arg(cached->wind, 0, 'f', 3)
                                   .arg(cached->period, 0, 'f', 2));
        refresh();
        return;
    }
    job_ = std::move(job);
    ghost_status_->setText(QStringLiteral("Solving the optimal loop..."));
    ghost_bar_->setRange(0, 0);  // a running bar while the solver works
    ghost_bar_->show();
    ghost_cancel_->show();
    LoopSolveJob* j = job_.get();
    optim::SolveOptions o;
    o.nodes = nodes_;
    worker_ = std::thread([j, o] { solve_loop_job(*j, o); });
    ghost_poll_.start();
}

void PilotPanel::poll_ghost() {
    if (!job_) return;
    if (job_->done) {
        finish_ghost();
        return;
    }
    const std::lock_guard<std::mutex> lock(job_->m);
    if (!job_->started) return;
    ghost_status_->setText(QStringLiteral("Solving the optimal loop: iteration %1, wind U_ref "
                                          "%2 m/s, %3 s.")
                               .arg(job_->last.iteration)
                               .arg(job_->last.wind, 0, 'f', 3)
                               .arg(job_->last.seconds, 0, 'f', 1));
}

void PilotPanel::finish_ghost() {
    ghost_poll_.stop();
    if (worker_.joinable()) worker_.join();
    std::unique_ptr<LoopSolveJob> job = std::move(job_);
    ghost_bar_->setRange(0, 1);
    ghost_bar_->hide();
    ghost_cancel_->hide();
    if (!job) return;
    const optim::LoopSolution& s = job->result;
    const auto switch_off = [this] {
        const QSignalBlocker quiet(ghost_);
        ghost_->setChecked(false);
        ghost_box_->setChecked(false);
    };
    if (job->cancel) {
        switch_off();
        ghost_status_->setText(QStringLiteral("Cancelled: no loop is shown."));
        return;
    }
    if (!s.converged) {
        switch_off();
        ghost_status_->setText(QStringLiteral("No loop found for these parameters after %1 "
                                              "iterations (the solver: %2); none is shown.")
                                   .arg(s.iterations)
                                   .arg(QString::fromStdString(s.status)));
        return;
    }
    std::string error;
    const bool kept = make_folders(QFileInfo(cache_path_).absolutePath().toStdString(), error) &&
                      save_cached_loop(cache_path_.toStdString(), job->key, s, error);
    ghost_params_ = job->flight;
    emit run_.ghost_wanted(
        std::make_shared<const LoopFlight>(make_loop_flight(job->flight, job->problem, s)));
    QString text = QStringLiteral(
                       "The optimal loop: least wind U_ref %1 m/s, period %2 s, "
                       "solved in %3 s.")
                       .arg(s.wind, 0, 'f', 3)
                       .arg(s.period, 0, 'f', 2)
                       .arg(s.seconds, 0, 'f', 1);
    if (!kept)
        text += QStringLiteral(" (Not kept for next time: %1.)").arg(QString::fromStdString(error));
    ghost_status_->setText(text);
    refresh();
}

void PilotPanel::cancel_ghost() {
    if (!job_) return;
    job_->cancel = true;
    finish_ghost();
}

bool PilotPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    const Session& s = run_.session();
    if (!s.flown_by_you()) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return QWidget::eventFilter(watched, event);
    bool* held = nullptr;
    switch (key->key()) {
        case Qt::Key_Left:
            held = &keys_.bank_left;
            break;
        case Qt::Key_Right:
            held = &keys_.bank_right;
            break;
        case Qt::Key_Up:
            held = &keys_.more_lift;
            break;
        case Qt::Key_Down:
            held = &keys_.less_lift;
            break;
        default:
            return QWidget::eventFilter(watched, event);
    }
    // An event passed on to a parent widget comes here again: a held key is
    // set, not toggled.
    const bool steering = s.state() == RunState::flying;
    if (!key->isAutoRepeat()) {
        const bool down = type == QEvent::KeyPress;
        // A press counts while the bird flies; a release always, so that no
        // key stays held over a pause.
        if ((down && steering) || !down) {
            if (*held != down) {
                *held = down;
                emit run_.pilot_keys_wanted(keys_);
            }
        }
    }
    // While you fly, the arrows steer and move no focus between the controls.
    return steering;
}

std::optional<Turbulence> PilotPanel::typed_gusts() {
    const std::string sigma = gust_intensity_->text().trimmed().toStdString();
    const std::string seed = gust_seed_->text().trimmed().toStdString();
    const std::optional<double> w = decimal_number(sigma);
    if (!w || *w < 0.0 || *w > kMostGusts) {
        note_->setText(QStringLiteral("The gusts' sigma_w must be a number from 0 (calm) to %1 "
                                      "m/s, not \"%2\".")
                           .arg(kMostGusts)
                           .arg(QString::fromStdString(sigma)));
        return std::nullopt;
    }
    const std::optional<long long> n = whole_number(seed);
    if (!n || *n < 0) {
        note_->setText(QStringLiteral("The gusts' seed must be a whole number from 0 up, not "
                                      "\"%1\".")
                           .arg(QString::fromStdString(seed)));
        return std::nullopt;
    }
    return Turbulence(float(*w), uint64_t(*n));
}

void PilotPanel::start_flying() {
    keys_ = {};
    show();
    const std::optional<Turbulence> gusts = typed_gusts();
    if (!gusts) return;
    note_->clear();
    // The ghost of the parameters this flight takes.
    if (ghost_->isChecked()) update_ghost();
    emit run_.pilot_gusts_wanted(*gusts);
    emit run_.fly_yourself_wanted();
}

bool PilotPanel::save_commands(const QString& path, QString& error) {
    const Session& s = run_.session();
    const std::vector<TimedCommand> commands = s.commands_given();
    if (commands.empty()) {
        error = QStringLiteral(
            "there is no flight flown by you to save the commands of; press "
            "F6 to fly one");
        return false;
    }
    std::string why;
    if (!save_file(path.toStdString(), command_csv(commands, &s.pilot_start()), why)) {
        error = QString::fromStdString(why);
        return false;
    }
    // How to fly it again: the same pattern's start, the same steps, the same gusts.
    const FlightRecord& r = s.record();
    QString replay =
        QStringLiteral("soarcalculus fly --pattern %1 --commands \"%2\" --command-times")
            .arg(QString::fromLatin1(mode_name(r.mode)), QFileInfo(path).fileName());
    const Turbulence& g = s.pilot_gusts();
    if (g.active())
        replay += QStringLiteral(" --gusts %1 --seed %2")
                      .arg(QString::fromStdString(shortest_float(g.intensity())))
                      .arg(qulonglong(g.seed()));
    replay += QStringLiteral(" --energy --csv flown.csv");
    QString text = QStringLiteral("Saved %1 commands to %2. To fly them again: %3")
                       .arg(commands.size())
                       .arg(QFileInfo(path).fileName(), replay);
    if (!(r.params == pattern_defaults(r.mode)))
        text += QStringLiteral(
            " with this flight's parameters (Parameters saved to a file, --params FILE)");
    note_->setText(text + QStringLiteral("."));
    return true;
}

void PilotPanel::save_commands_asked() {
    if (run_.session().commands_given().empty()) {
        note_->setText(
            QStringLiteral("No flight flown by you to save the commands of yet: press "
                           "F6 to fly one."));
        return;
    }
    const QString chosen =
        ask_path(QStringLiteral("Save commands"),
                 save_start(QStringLiteral("csv"),
                            suggested_file_name(QStringLiteral("commands"), QStringLiteral("csv"))),
                 kCommandFilter);
    const QString path = chosen_save_path(QStringLiteral("csv"), chosen, kCommandFilter);
    if (path.isEmpty()) return;
    QString error;
    if (!save_commands(path, error))
        QMessageBox::warning(this, QStringLiteral("Save commands"),
                             QStringLiteral("The commands were not saved: %1.").arg(error));
}

void PilotPanel::refresh() {
    const Session& s = run_.session();
    save_commands_->setEnabled(s.flown_by_you() && s.ticks() > 0);
    save_->setEnabled(save_commands_->isEnabled());
    if (!s.flown_by_you()) {
        readout_->setText(QStringLiteral("Press F6 to fly the bird yourself."));
        return;
    }
    QString t = pilot_readout(s.stick().command(), s.shown_state(), s.pilot_limits(), s.score());
    if (const std::optional<double> d = s.ghost_distance())
        t += QStringLiteral("<br><b>Optimal loop</b>: %1 m away").arg(number(*d, 1));
    if (!s.fault().empty())
        t += QStringLiteral("<br><b>Ended</b>: ") + QString::fromStdString(s.fault());
    readout_->setText(t);
}

}  // namespace soar
