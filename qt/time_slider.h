// The time slider under the picture: Play, the slider over the flight's time
// and the moment shown. Dragging it goes back through a paused or stopped
// flight; "Play" shows the flight again from the moment looked at at the pace
// chosen, up to where it stands. The widgets are the main window's children;
// the window shows each tick asked for (the session looks at it, the picture
// is drawn, the window refreshed).
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QRect>
#include <QSlider>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "app/session.h"

namespace soar {

class TimeSlider final : public QObject {
    Q_OBJECT

  public:
    struct Hooks {
        // The window shows this tick (the flight's last: the flight as it stands).
        std::function<void(int64_t tick)> look_at_tick;
        // The window has closed: replaying stops.
        std::function<bool()> closed;
        // Whether there is a flight to go through, at each refresh (the keys follow it).
        std::function<void(bool)> can_look_back;
    };
    // The widgets made in `window`; a replay steps every `replay_interval_ms`.
    TimeSlider(const Session& session, QWidget& window, int replay_interval_ms, Hooks hooks);

    QSlider* slider() const { return slider_; }
    QPushButton* play_button() const { return play_; }
    QLabel* moment_label() const { return moment_; }
    // The strip's height, pixels.
    int height() const;
    // The strip laid out `gap` pixels under the picture box, as wide as it.
    void place_under(const QRect& picture, int gap);

    void toggle_replay();
    bool replaying() const { return replay_timer_.isActive(); }
    void stop_replay() { replay_timer_.stop(); }
    // The slider and its label brought up to date. In flight only a few
    // times a second (`flying`: it goes on, not paused), else at once.
    void refresh();
    void refresh_in_flight(bool flying);

  private:
    void replay_step();
    // The label: the moment shown and the pace.
    void show_moment();

    const Session& session_;
    Hooks hooks_;
    QPushButton* play_;
    QSlider* slider_;
    QLabel* moment_;
    QTimer replay_timer_;
    QElapsedTimer replay_clock_;
    double replay_from_s_ = 0, replay_pace_ = 1;
    QElapsedTimer bar_clock_;  // the bar follows a flight a few times a second
    bool setting_slider_ = false;
};

}  // namespace soar
