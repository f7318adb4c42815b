// What the program remembers between runs, in an INI file (QSettings): the
// windows' places and sizes and which are open, the pace, the charts' span,
// smoothed lines, the air track's colouring and the arrows, Tab's order, the
// parameters chosen (a preset's or the user's own; none are written while
// they are the defaults) and the folder of each kind of save. Forgotten by
// the "Forget remembered settings" menu item or by starting with
// --reset-settings.
#pragma once

#include <QSettings>
#include <QString>

namespace soar {

class RunSignals;
class FlightDataWindow;
class ParamsDialog;
class ProgramWindow;

class RememberedSettings {
  public:
    // The settings kept in the INI file at `path`.
    explicit RememberedSettings(QString path);
    // The user's file: soarcalculus/settings.ini in the user's configuration folder.
    static QString user_path();
    // Takes --reset-settings out of the arguments; true when it was there.
    static bool take_reset_option(int& argc, char** argv);

    const QString& path() const { return path_; }
    // What was kept applied to the windows, and the windows shown as they
    // were (the main window always). False when nothing was kept: the caller
    // places the windows itself.
    // With `program`, the windows are its docks: its place and docks are
    // restored, when they fit the screen as it is now.
    bool restore(RunSignals& run, FlightDataWindow& data, ParamsDialog* params,
                 ProgramWindow* program = nullptr) const;
    // What there is to keep, written now (nothing once forgotten).
    void save(const RunSignals& run, FlightDataWindow& data, const ParamsDialog* params,
              const ProgramWindow* program = nullptr) const;
    // The file removed; nothing more is written in this run, so the next
    // starts from the defaults.
    bool forget();
    bool forgotten() const { return forgotten_; }

  private:
    // The windows of their own (no program window) placed as they were.
    bool restore_windows(RunSignals& run, FlightDataWindow& data, ParamsDialog* params,
                         QSettings& s) const;

    QString path_;
    bool forgotten_ = false;
};

}  // namespace soar
