// "Fly it yourself" in the window: F6 (or the Fly menu, or the button here)
// starts a flight you steer with the arrow keys from the selected pattern's
// start; this panel, docked beside the form, shows the command, what the bird
// can do and the score. The arrow keys held are the stick's while the flight
// flown by you is flying: Left and Right bank, Up pulls for more lift, Down
// less (app/pilot.h says how the stick moves and comes back).
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "app/loop_flight.h"
#include "app/pilot.h"
#include "optim/loop_solver.h"
#include "qt/loop_solve_job.h"
#include "sim/turbulence.h"

namespace soar {

class RunSignals;

class PilotPanel final : public QWidget {
    Q_OBJECT

  public:
    explicit PilotPanel(RunSignals& run, QWidget* parent = nullptr);
    ~PilotPanel() override;

    // "Fly it yourself" with its key, F6: for the menus and the window.
    QAction* fly_action() const { return fly_; }
    // "Save commands...": the commands of the flight flown by you written for
    // `fly --commands` (also in the Fly menu).
    QAction* save_commands_action() const { return save_commands_; }
    // "Show the optimal loop": a check box here and in the Fly menu. On, the
    // least-wind loop for the parameters of the flight flown by you is taken
    // from the cache or solved on a thread of its own (progress, Cancel), then
    // drawn as a ghost to follow, its distance in the read-out.
    QAction* ghost_action() const { return ghost_; }
    bool solving() const { return job_ != nullptr; }
    // Where solved loops are kept: the Optimal loop dialog's file unless set.
    void set_cache_path(const QString& path) { cache_path_ = path; }
    void set_nodes(int nodes) { nodes_ = nodes; }
    // The panel's text as it shows now, and the line under it (what a save did).
    QString text() const { return readout_->text(); }
    QString note() const { return note_->text(); }

    // Writes the commands of the flight flown by you to `path`; false with
    // `error` saying why when there are none or the file cannot be written.
    bool save_commands(const QString& path, QString& error);
    // Asks where to save (a dialog; tests answer in its place): "" when cancelled.
    std::function<QString(const QString& title, const QString& start, const QString& filter)>
        ask_path;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();
    void start_flying();
    // The ghost on or off as the check box says; on for the parameters the
    // next flight flown by you takes, solving when they have no loop yet.
    void update_ghost();
    void poll_ghost();
    void finish_ghost();
    void cancel_ghost();
    // The parameters a flight flown by you starts with now.
    Params pilot_params() const;
    void save_commands_asked();
    // The gusts typed: calm for an intensity of 0; nothing (and the note
    // saying why) when the intensity or seed is not one.
    std::optional<Turbulence> typed_gusts();

    RunSignals& run_;
    QAction* fly_;
    QAction* save_commands_;
    QPushButton* start_;
    QPushButton* save_;
    QLineEdit* gust_intensity_;
    QLineEdit* gust_seed_;
    QLabel* readout_;
    QLabel* note_;
    QAction* ghost_;
    QCheckBox* ghost_box_;
    QProgressBar* ghost_bar_;
    QPushButton* ghost_cancel_;
    QLabel* ghost_status_;
    QTimer ghost_poll_;
    QString cache_path_;
    int nodes_ = 50;
    std::unique_ptr<LoopSolveJob> job_;
    std::thread worker_;
    // The parameters of the loop shown, to see when they change.
    std::optional<Params> ghost_params_;
    PilotKeys keys_;
    double shown_t_ = 0;  // flight time the read-out was last brought up to, s
};

// The panel's read-out for a flight flown by you: the command, the bird's
// bank, lift and load, its limits, the score so far and of each cycle.
QString pilot_readout(const Command& c, const FlightState& s, const PilotLimits& limits,
                      const PilotScore& score);

}  // namespace soar
