// The "Flight data" window beside the main window: live read-outs and energy,
// strip charts of the flight, the table of completed cycles, pause and pace,
// and the data out (CSV, picture, charts, KML track). It only reads what the
// main window's flight leaves; its read-outs follow at about 30 Hz and its
// charts at about 15 Hz, never per tick, and each update costs the same however
// long the flight. While the main window looks back at a moment of a paused or
// stopped flight, the read-outs give that moment and every chart marks it.
#pragma once

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <array>
#include <atomic>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "qt/run_signals.h"
#include "qt/strip_view.h"
#include "record/chart_range.h"
#include "record/kml.h"

namespace soar {

class FlightDataWindow final : public QWidget {
    Q_OBJECT

  public:
    explicit FlightDataWindow(RunSignals& run, QWidget* parent = nullptr);

    // Both windows inside the available area of the main window's screen: the
    // Flight data window to the right of the main window where both fit (the
    // main window made smaller, its picture down to two thirds, if that is
    // what it takes), else over the main window's right part.
    void place_beside_main();
    // F2: shown or hidden.
    void toggle();
    // Brings everything up to date with the flight (the refresh timer calls it).
    void update_now();

    // The exports; each returns false and says why in `error` when nothing was saved.
    // The flight's CSV and KML are of the flight as it is when called.
    bool save_csv(const QString& path, QString& error);
    bool save_picture(const QString& path, QString& error);
    bool save_charts(const QString& path, QString& error);  // .svg or else PNG
    bool save_kml(const QString& path, QString& error);

    // What the File menu does with the flight's CSV and KML: the save runs on a
    // thread of its own, from a copy of the flight as it is now that shares its
    // recorded history (it costs the newest stretch only), so the flight flies on
    // and both windows answer. A long save shows its progress with Cancel; the
    // outcome shows in the summary, a failure in a message box. False (nothing
    // started) when another save is still running or there is no flight yet.
    enum class LongSave { csv, kml };
    bool start_save(LongSave what, const QString& path);
    bool saving() const { return job_ != nullptr; }
    // The running save's progress dialog (null when none runs).
    QProgressDialog* save_progress() const { return progress_; }
    // The summary's note on the last save ("Saved the flight to ...").
    const QString& save_note() const { return note_; }

    KmlPlace& place() { return place_; }
    QWidget* charts() const { return charts_; }
    QTableWidget* cycle_table() const { return table_; }
    QLabel* pace_label() const { return pace_; }
    QLabel* verdict_label() const { return verdict_; }
    QLabel* summary_label() const { return summary_; }
    QComboBox* span_box() const { return span_; }
    // The charts' time axis: zoomed to [t0, t1] (s), or back to the span chosen.
    void zoom_time(double t0, double t1);
    void reset_zoom();
    bool zoomed() const { return zoom_.has_value(); }
    AxisRange time_range() const { return strips_.empty() ? AxisRange{} : strips_[0].x_range; }
    StripView* strip_view(int chart) const { return strips_.at(size_t(chart)).view; }
    QPushButton* reset_zoom_button() const { return reset_zoom_; }
    // Charts on a dark background: the desktop's palette is dark.
    bool dark_charts() const { return dark_; }
    // The charts in one column or two, as the window's width allows.
    int chart_columns() const { return columns_; }
    // What the pointer over chart `chart` at flight time t reads.
    QString describe(int chart, double t) const;
    QLabel* readout(const QString& name) const;
    // "Optimal loop..." (F4): the dialog that solves and flies the loop.
    class OptimalLoopDialog* optimal_loop();
    // The View menu's colours, arrows, stills and videos.
    class LectureTools* lecture_tools() const {
        return lecture_;
    }
    // The points a chart's series shows now.
    const QLineSeries* series(int chart, int index) const;
    int chart_count() const { return int(strips_.size()); }
    int series_count(int chart) const { return int(strips_.at(size_t(chart)).lines.size()); }
    // What the updates have cost so far: chart points handed to Qt, changes of an
    // axis range (each lays the chart out again), rebuilds of the cycle table.
    long long points_handed() const { return points_handed_; }
    long long axis_changes() const { return axis_changes_; }
    long long table_updates() const { return table_updates_; }
    QLabel* params_legend_label() const { return params_legend_; }
    // The kinds of save, each with its folder remembered (qt/file_names.h).
    enum class SaveKind { csv, picture, charts, kml };
    // The name a save suggests: the program, the pattern and the time.
    QString suggested_name(SaveKind kind) const;
    // Asks where to save (a dialog starting in the kind's last folder with the
    // suggested name): the path with the extension added when the name has
    // none, "" when cancelled. Tests answer in place of the dialog through
    // `ask_path` (title, start path, filter; the filter chosen goes back in
    // the last argument).
    QString ask_save_path(SaveKind kind);
    std::function<QString(const QString& title, const QString& start, const QString& filter,
                          QString* chosen_filter)>
        ask_path;

  signals:
    // The menu bar's "Parameters... (F3)": the Parameters dialog is wanted.
    void parameters_wanted();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Strip {
        QChart* chart;
        StripView* view;
        QValueAxis *x, *y;
        AxisRange x_range{0, 0, 0}, y_range{0, 0, 0};  // as set on the axes
        std::vector<std::pair<Column, QLineSeries*>> lines;
        QString unit;  // of every line, empty for ratios
    };
    void build_menu();
    // The View menu: what the picture explains, stills and videos of it.
    void build_view_menu(QMenuBar* bar);
    Strip& add_strip(const QString& title, const QString& unit,
                     const std::vector<std::pair<Column, QString>>& lines);
    void refresh(bool charts, bool readouts = true);
    // The flight goes on (not paused, not stopped).
    bool in_flight() const;
    // Whether the record is of the flight set up (not of the one before "OK").
    bool flown() const;
    // The flight's history, empty until the flight set up has flown a tick.
    const FlightHistory& shown_history() const;
    void update_readouts();
    void update_charts();
    void update_table();
    // Sets a range and its tick spacing without passing through a crowd of ticks.
    void set_axis(QValueAxis& axis, AxisRange& shown, const AxisRange& to);
    // The chart's colours for a light or dark palette.
    void apply_theme();
    void lay_out_charts(int columns);
    // The buttons, the pace and the charts' span in one row, two or three.
    void set_control_rows(int rows);
    // The read-outs in two columns of names and values, or in one.
    void set_value_columns(int columns);
    // The moment looked at changed: read-outs and cursors at once.
    void follow_moment();
    void ask_and_save(SaveKind kind, bool (FlightDataWindow::*save)(const QString&, QString&));
    bool ask_place();
    void poll_save();
    void end_save();

  public:
    ~FlightDataWindow() override;
    struct SaveJob;

  private:
    std::unique_ptr<SaveJob> job_;
    QTimer save_poll_;
    QProgressDialog* progress_ = nullptr;

    RunSignals& run_;
    class OptimalLoopDialog* optimal_ = nullptr;
    class LectureTools* lecture_ = nullptr;
    QTimer refresh_;
    KmlPlace place_;
    QString note_;  // what the last save did
    QLabel *pace_ = nullptr, *verdict_ = nullptr, *summary_ = nullptr, *params_legend_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* reset_zoom_ = nullptr;
    QComboBox* span_ = nullptr;
    QGridLayout* control_rows_ = nullptr;
    QHBoxLayout *button_row_ = nullptr, *pace_row_ = nullptr, *chart_row_ = nullptr;
    int control_row_count_ = 0;
    QGridLayout* values_ = nullptr;
    std::vector<QLabel*> readout_names_;
    int value_columns_ = 0;
    int two_value_columns_ = 0;  // the window's width from which they take two, pixels
    QWidget* charts_ = nullptr;
    QScrollArea* chart_scroll_ = nullptr;
    std::optional<AxisRange> zoom_;
    bool dark_ = false;
    int columns_ = 0;
    std::time_t noted_flight_ = 0;  // the flight the last save note is about
    long long noted_ticks_ = 0;
    QTableWidget* table_ = nullptr;
    std::vector<std::pair<QString, QLabel*>> readouts_;
    std::vector<Strip> strips_;
    size_t drawn_samples_ = size_t(-1);
    int drawn_span_ = -1;
    int shown_rows_ = -1;  // -1: the table of no flight
    int refreshes_ = 0;
    long long points_handed_ = 0, axis_changes_ = 0, table_updates_ = 0;
};

}  // namespace soar
