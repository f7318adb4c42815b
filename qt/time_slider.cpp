#include "qt/time_slider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <climits>
#include <cmath>

namespace soar {

namespace {

// A click on the trough goes to the time under the pointer (and the handle,
// now under it, can be dragged on from there), not a page of 0.01 s.
class JumpingSlider final : public QSlider {
  public:
    using QSlider::QSlider;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && isEnabled() && maximum() > minimum()) {
            QStyleOptionSlider opt;
            initStyleOption(&opt);
            const QRect handle =
                style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
            const QPoint at = event->position().toPoint();
            if (!handle.contains(at)) {
                const QRect groove =
                    style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
                const int span = std::max(1, groove.width() - handle.width());
                const int x = at.x() - groove.x() - handle.width() / 2;
                setValue(
                    QStyle::sliderValueFromPosition(minimum(), maximum(), x, span, opt.upsideDown));
            }
        }
        QSlider::mousePressEvent(event);
    }
};

// The pace beside the flight time, when it is not real time.
QString pace_note(double pace) {
    if (pace == 1.0) return {};
    if (pace > 1.0) return QStringLiteral("%1 x").arg(pace);
    return QStringLiteral("1/%1 x").arg(std::lround(1.0 / pace));
}

}  // namespace

TimeSlider::TimeSlider(const Session& session, QWidget& window, int replay_interval_ms, Hooks hooks)
    : QObject(&window), session_(session), hooks_(std::move(hooks)) {
    replay_timer_.setTimerType(Qt::PreciseTimer);
    replay_timer_.setInterval(replay_interval_ms);
    connect(&replay_timer_, &QTimer::timeout, this, &TimeSlider::replay_step);
    bar_clock_.start();
    play_ = new QPushButton(QStringLiteral("Play"), &window);
    play_->setObjectName(QStringLiteral("play_button"));
    play_->setAutoDefault(false);
    play_->setFocusPolicy(Qt::NoFocus);
    play_->setToolTip(QStringLiteral(
        "Play the flight again from the moment shown (from its start at its end), at the pace "
        "chosen with [ and ]. Space or FLY continue the flight itself from where it was."));
    slider_ = new JumpingSlider(Qt::Horizontal, &window);
    slider_->setObjectName(QStringLiteral("time_slider"));
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setToolTip(QStringLiteral(
        "Flight time: drag, or click where to go, to go back through a paused or stopped "
        "flight.\n"
        "Left / Right: a step of the flight's time; with Shift one second; Page Up / Page "
        "Down ten seconds; Home / End: the start and the moment the flight stands at."));
    moment_ = new QLabel(&window);
    moment_->setObjectName(QStringLiteral("moment_label"));
    moment_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    moment_->setToolTip(
        QStringLiteral("The flight time shown, and how far the flight has flown; before them "
                       "the pace when it is not real time (\"2 x\": twice real time; [ and ] "
                       "change it)."));
    connect(play_, &QPushButton::clicked, this, &TimeSlider::toggle_replay);
    connect(slider_, &QSlider::valueChanged, this, [this](int ms) {
        if (setting_slider_) return;
        // The slider counts whole milliseconds: a tick's own position, its
        // time rounded, shows that tick.
        hooks_.look_at_tick(session_.tick_at_time((ms + 0.5) / 1000.0));
    });
}

int TimeSlider::height() const {
    return std::max(play_->sizeHint().height(), 22);
}

void TimeSlider::place_under(const QRect& picture, int gap) {
    const int bar = height();
    const int y = picture.bottom() + 1 + gap;
    const int play_w = play_->sizeHint().width();
    const int moment_w = moment_->fontMetrics().horizontalAdvance(
                             QStringLiteral("1/8 x   t = 00000.00 s of 00000.00 s")) +
                         8;
    play_->setGeometry(picture.left(), y, play_w, bar);
    moment_->setGeometry(picture.right() + 1 - moment_w, y, moment_w, bar);
    slider_->setGeometry(picture.left() + play_w + 6, y,
                         std::max(40, picture.width() - play_w - moment_w - 12), bar);
}

void TimeSlider::toggle_replay() {
    if (replay_timer_.isActive()) {
        replay_timer_.stop();
        refresh();
        return;
    }
    const int64_t n = session_.ticks_to_look_back();
    if (n < 2) return;
    // From the moment looked at; at the end, from the start.
    const int64_t from = session_.looked_at() > 0 ? session_.looked_at() : 1;
    hooks_.look_at_tick(from);
    replay_from_s_ = session_.time_of_tick(from);
    replay_pace_ = session_.flight_clock().pace();
    replay_clock_.start();
    replay_timer_.start();
    refresh();
}

void TimeSlider::replay_step() {
    const int64_t n = session_.ticks_to_look_back();
    // The flight went on, or the user left the moment replayed.
    if (n == 0 || session_.looked_at() == 0 || hooks_.closed()) {
        replay_timer_.stop();
        refresh();
        return;
    }
    double t = replay_from_s_ + replay_clock_.nsecsElapsed() * 1e-9 * replay_pace_;
    if (const double pace = session_.flight_clock().pace(); pace != replay_pace_) {
        // A new pace from here on.
        replay_from_s_ = t;
        replay_pace_ = pace;
        replay_clock_.restart();
    }
    const double end = session_.time_of_tick(n);
    if (t >= end) {
        replay_timer_.stop();
        hooks_.look_at_tick(n);
        refresh();
        return;
    }
    const int64_t tick = session_.tick_at_time(t);
    if (tick != session_.tick_shown()) hooks_.look_at_tick(tick);
}

void TimeSlider::refresh_in_flight(bool flying) {
    // The slider follows a flight a few times a second, a paused or stopped one
    // at once; its time, a number beside the time box's, at every refresh.
    if (!flying || bar_clock_.elapsed() > 250) {
        refresh();
        bar_clock_.restart();
    } else {
        show_moment();
    }
}

namespace {

// How far the flight has flown and the moment shown, s (none before a flight).
struct Moment {
    bool flown;
    double end, shown;
};
Moment moment_of(const Session& session) {
    const FlightRecord& r = session.record();
    // A new "OK" sets up a flight not flown yet: the last one's record is not its own.
    const bool flown = r.ticks > 0 && !r.history.empty() && session.ticks() > 0;
    const double end = flown ? double(r.history.last(Column::t)) : 0.0;
    return {flown, end, session.looked_at() > 0 ? session.time_of_tick(session.looked_at()) : end};
}

}  // namespace

void TimeSlider::refresh() {
    const int64_t n = session_.ticks_to_look_back();
    const auto [flown, end, shown] = moment_of(session_);
    const auto ms = [](double t) {
        return int(std::clamp(std::lround(t * 1000.0), 0L, long(INT32_MAX)));
    };
    setting_slider_ = true;
    if (slider_->maximum() != ms(end)) slider_->setRange(0, ms(end));
    if (slider_->value() != ms(shown)) slider_->setValue(ms(shown));
    setting_slider_ = false;
    slider_->setEnabled(n > 1);
    play_->setEnabled(n > 1);
    hooks_.can_look_back(n > 1);
    play_->setText(replaying() ? QStringLiteral("Stop") : QStringLiteral("Play"));
    show_moment();
}

void TimeSlider::show_moment() {
    const auto [flown, end, shown] = moment_of(session_);
    const QString text =
        !flown ? QString()
        : session_.looked_at() > 0
            ? QStringLiteral("t = %1 s of %2 s").arg(shown, 0, 'f', 2).arg(end, 0, 'f', 2)
            : QStringLiteral("t = %1 s").arg(end, 0, 'f', 2);
    QString pace = pace_note(session_.flight_clock().pace());
    // The optimal loop flies in no pattern's name: named here.
    if (session_.loop() && flown)
        pace = pace.isEmpty() ? QStringLiteral("Optimal loop")
                              : QStringLiteral("Optimal loop, ") + pace;
    const QString line = pace.isEmpty()   ? text
                         : text.isEmpty() ? pace
                                          : pace + QStringLiteral("   ") + text;
    if (moment_->text() != line) moment_->setText(line);
}

}  // namespace soar
