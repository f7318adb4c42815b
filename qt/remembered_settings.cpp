#include "qt/remembered_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cstring>

#include "app/param_file.h"
#include "qt/file_names.h"
#include "qt/flight_data_window.h"
#include "qt/help_window.h"
#include "qt/lecture_tools.h"
#include "qt/main_window.h"
#include "qt/params_dialog.h"
#include "qt/program_window.h"
#include "qt/run_signals.h"

namespace soar {

RememberedSettings::RememberedSettings(QString path) : path_(std::move(path)) {}

QString RememberedSettings::user_path() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty()) dir = QDir::homePath() + QStringLiteral("/.config");
    return QDir(dir).filePath(QStringLiteral("soarcalculus/settings.ini"));
}

bool RememberedSettings::take_reset_option(int& argc, char** argv) {
    bool found = false;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reset-settings") == 0) {
            found = true;
            continue;
        }
        argv[out++] = argv[i];
    }
    if (out < argc) argv[out] = nullptr;
    argc = out;
    return found;
}

bool RememberedSettings::restore(RunSignals& run, FlightDataWindow& data, ParamsDialog* params,
                                 ProgramWindow* program) const {
    if (forgotten_ || !QFileInfo::exists(path_)) return false;
    QSettings s(path_, QSettings::IniFormat);
    if (s.status() != QSettings::NoError || (s.childKeys().isEmpty() && s.childGroups().isEmpty()))
        return false;
    // The parameters first: a file of another version that does not read is left out.
    if (const QString text = s.value("parameters/set").toString(); !text.isEmpty()) {
        const ParamFileRead r = parse_param_file(text.toStdString(), path_.toStdString());
        if (r.set) emit run.params_wanted(*r.set);
    }
    if (s.contains("flight/pace")) {
        emit run.pace_wanted(s.value("flight/pace").toInt());
    }
    if (s.contains("charts/span")) {
        const int span = s.value("charts/span").toInt();
        if (span >= 0 && span < data.span_box()->count()) data.span_box()->setCurrentIndex(span);
    }
    emit run.smooth_lines_wanted(s.value("picture/smooth_lines", false).toBool());
    // The air track's colouring and the arrows, through the View menu so that it shows them.
    if (LectureTools* tools = data.lecture_tools()) {
        const int colour = s.value("picture/track_colour", 0).toInt();
        if (colour >= 0 && colour <= int(TrackColour::airspeed))
            tools->set_track_colour(TrackColour(colour));
        tools->set_arrows(s.value("picture/arrows", false).toBool());
    }
    if (auto* form = dynamic_cast<MainWindow*>(&run.window()))
        form->set_reading_tab_order(s.value("keys/reading_tab_order", false).toBool());
    s.beginGroup("folders");
    for (const QString& kind : s.childKeys()) save_folders()[kind] = s.value(kind).toString();
    s.endGroup();

    if (program) {
        // One window and its docks, where they were if that is on the screen.
        if (!program->restore_place(s.value("windows/program_frame").toRect(),
                                    s.value("windows/program").toByteArray(),
                                    s.value("windows/docks").toByteArray()))
            return false;
        program->show();
    } else {
        // Places and sizes, brought inside the screens as they are now.
        if (!restore_windows(run, data, params, s)) return false;
    }
    if (s.value("windows/help_open", false).toBool()) {
        emit run.help_wanted(s.value("windows/help_page", 0).toInt());
        run.window().help_window()->restoreGeometry(s.value("windows/help").toByteArray());
    }
    return true;
}

bool RememberedSettings::restore_windows(RunSignals& run, FlightDataWindow& data,
                                         ParamsDialog* params, QSettings& s) const {
    QWidget& main = run.window().window_widget();
    if (!main.restoreGeometry(s.value("windows/main").toByteArray())) return false;
    main.show();
    const bool placed = data.restoreGeometry(s.value("windows/flight_data").toByteArray());
    if (!placed) data.place_beside_main();
    if (s.value("windows/flight_data_open", true).toBool()) data.show();
    if (params && s.value("windows/parameters_open", false).toBool()) {
        params->restoreGeometry(s.value("windows/parameters").toByteArray());
        params->open_for_main();
    }
    return true;
}

void RememberedSettings::save(const RunSignals& run, FlightDataWindow& data,
                              const ParamsDialog* params, const ProgramWindow* program) const {
    if (forgotten_) return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings s(path_, QSettings::IniFormat);
    s.clear();
    if (program) {
        s.setValue("windows/program", program->saveGeometry());
        s.setValue("windows/program_frame", program->frameGeometry());
        s.setValue("windows/docks", program->saved_state());
    } else {
        s.setValue("windows/main", run.window().window_widget().saveGeometry());
        s.setValue("windows/flight_data", data.saveGeometry());
        s.setValue("windows/flight_data_open", data.isVisible());
    }
    if (params && !program) {
        s.setValue("windows/parameters", params->saveGeometry());
        s.setValue("windows/parameters_open", params->isVisible());
    }
    if (const HelpWindow* help = run.window().help_window()) {
        s.setValue("windows/help", help->saveGeometry());
        s.setValue("windows/help_open", help->isVisible());
        s.setValue("windows/help_page", help->pages()->currentIndex());
    }
    s.setValue("flight/pace", run.flight_clock().pace_index());
    s.setValue("charts/span", data.span_box()->currentIndex());
    s.setValue("picture/smooth_lines", run.window().smooth_lines());
    s.setValue("picture/track_colour", int(run.session().track_colour()));
    s.setValue("picture/arrows", run.session().arrows());
    if (const auto* form = dynamic_cast<const MainWindow*>(&run.window()))
        s.setValue("keys/reading_tab_order", form->reading_tab_order());
    if (!(run.params_chosen() == ParamSet{}))
        s.setValue("parameters/set", QString::fromStdString(param_file_text(run.params_chosen())));
    for (auto it = save_folders().cbegin(); it != save_folders().cend(); ++it)
        s.setValue("folders/" + it.key(), it.value());
    s.sync();
}

bool RememberedSettings::forget() {
    forgotten_ = true;
    return !QFileInfo::exists(path_) || QFile::remove(path_);
}

}  // namespace soar
