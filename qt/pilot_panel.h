// "Fly it yourself" in the window: F6 (or the Fly menu, or the button here)
// starts a flight you steer with the arrow keys from the selected pattern's
// start; this panel, docked beside the form, shows the command, what the bird
// can do and the score. The arrow keys held are the stick's while the flight
// flown by you is flying: Left and Right bank, Up pulls for more lift, Down
// less (app/pilot.h says how the stick moves and comes back).
#pragma once

#include <QAction>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QWidget>

#include "app/pilot.h"

namespace soar {

class RunSignals;

class PilotPanel final : public QWidget {
    Q_OBJECT

  public:
    explicit PilotPanel(RunSignals& run, QWidget* parent = nullptr);
    ~PilotPanel() override;

    // "Fly it yourself" with its key, F6: for the menus and the window.
    QAction* fly_action() const { return fly_; }
    // The panel's text as it shows now.
    QString text() const { return readout_->text(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();

    RunSignals& run_;
    QAction* fly_;
    QPushButton* start_;
    QLabel* readout_;
    PilotKeys keys_;
    double shown_t_ = 0;  // flight time the read-out was last brought up to, s
};

// The panel's read-out for a flight flown by you: the command, the bird's
// bank, lift and load, its limits, the score so far and of each cycle.
QString pilot_readout(const Command& c, const FlightState& s, const PilotLimits& limits,
                      const PilotScore& score);

}  // namespace soar
