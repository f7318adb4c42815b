#include "qt/pilot_panel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "qt/run_signals.h"

namespace soar {

namespace {

QString number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

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
      start_(new QPushButton(QStringLiteral("Fly it yourself (F6)"), this)),
      readout_(new QLabel(this)) {
    setObjectName(QStringLiteral("pilot_panel"));
    fly_->setObjectName(QStringLiteral("fly_yourself_action"));
    fly_->setShortcut(QKeySequence(Qt::Key_F6));
    fly_->setToolTip(QStringLiteral(
        "Fly the bird yourself from the selected pattern's start: Left and Right bank, "
        "Up pulls for more lift, Down gives less."));
    connect(fly_, &QAction::triggered, this, [this] {
        keys_ = {};
        show();
        emit run_.fly_yourself_wanted();
    });
    connect(start_, &QPushButton::clicked, fly_, &QAction::trigger);
    // The arrows are the stick's: the button keeps no focus to take them.
    start_->setFocusPolicy(Qt::NoFocus);
    readout_->setTextFormat(Qt::RichText);
    readout_->setWordWrap(true);
    readout_->setObjectName(QStringLiteral("pilot_readout"));
    auto* layout = new QVBoxLayout(this);
    auto* how = new QLabel(
        QStringLiteral("Left, Right: bank. Up: more lift, Down: less. Let go and the wings "
                       "come level, the lift back to level flight's. Space pauses."),
        this);
    how->setWordWrap(true);
    layout->addWidget(start_);
    layout->addWidget(how);
    layout->addWidget(readout_);
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

void PilotPanel::refresh() {
    const Session& s = run_.session();
    if (!s.flown_by_you()) {
        readout_->setText(QStringLiteral("Press F6 to fly the bird yourself."));
        return;
    }
    QString t = pilot_readout(s.stick().command(), s.shown_state(), s.pilot_limits(), s.score());
    if (!s.fault().empty())
        t += QStringLiteral("<br><b>Ended</b>: ") + QString::fromStdString(s.fault());
    readout_->setText(t);
}

}  // namespace soar
