// The "Parameters" dialog (F3): the air, bird, wind and pattern fields of the
// main window's parameter set with their units, defaults and ranges, presets,
// parameter files, and the energy-neutral wind of the pattern shown (its table
// drawn as a chart of the mean gain per cycle against the wind). Every row
// comes from the field table. Edits change the user's set; the flight takes
// them over at the main window's next "OK", never in mid-flight.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "qt/run_signals.h"
#include "sim/min_wind.h"
#include "sim/param_fields.h"

namespace soar {

class ParamsDialog final : public QDialog {
    Q_OBJECT

  public:
    explicit ParamsDialog(RunSignals& run, QWidget* parent = nullptr);
    // Cancels a search that is still running and waits for its threads.
    ~ParamsDialog() override;

    // F3 from `w` shows the dialog (and hides it when it is in front).
    void listen_for_shortcut(QWidget* w);
    void toggle();
    // Shows the dialog for the main window's pattern, brought up to date.
    void open_for_main();
    // The pattern whose schedule fields are shown and whose least wind is searched.
    Mode pattern() const;
    void set_pattern(Mode mode);

    // Parameter files; false with the reason in the dialog's message.
    bool save_to(const QString& path);
    bool load_from(const QString& path);
    // Where Save... and Load... ask for a file (a file dialog unless replaced).
    std::function<QString(bool save)> ask_file;

    bool searching() const { return worker_.joinable(); }

    QLineEdit* field_edit(const char* name) const;
    QComboBox* preset_box() const { return preset_; }
    QLabel* message_label() const { return message_; }
    QLabel* result_label() const { return result_; }
    QProgressBar* progress_bar() const { return progress_; }
    QSpinBox* cycles_box() const { return cycles_; }
    // The chart of the last search: the mean gain per cycle against the wind
    // at 10 m of the factors that survive the window, of those that do not,
    // and the energy-neutral wind.
    const QXYSeries* survived_series() const { return survived_; }
    const QXYSeries* failed_series() const { return failed_; }
    const QXYSeries* neutral_series() const { return neutral_; }
    QChartView* chart_view() const { return chart_view_; }
    QPushButton* button(const QString& text) const;

  protected:
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Row {
        const ParamField* field;
        QLabel* name;
        QLineEdit* edit;
        QLabel *unit, *fallback;  // the unit, and the pattern's default
    };
    QGroupBox* add_group(const QString& title, ParamGroup group);
    // The groups in two columns or in one; `whole_names`: each name on one line.
    void lay_out(int columns, bool whole_names);
    void commit(const Row& row);
    void show_values();
    void say(const QString& text, bool error = false);
    void start_search();
    void cancel_search();
    void search_done(const MinWindResult& r, const MinWindSearch& how, const Params& flown);
    // The result shown no longer holds: the explanation again, no chart.
    void forget_result();
    void draw_table(const MinWindResult& r, const MinWindSearch& how);
    // The parameters chosen, and a new choice of them.
    const ParamSet& set() const { return run_.params_chosen(); }
    void choose_set(const ParamSet& set) { emit run_.params_wanted(set); }

    RunSignals& run_;
    std::vector<Row> rows_;
    QComboBox *pattern_ = nullptr, *preset_ = nullptr;
    QLabel *message_ = nullptr, *result_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QSpinBox* cycles_ = nullptr;
    QPushButton *search_ = nullptr, *cancel_ = nullptr;
    QChartView* chart_view_ = nullptr;
    QGridLayout *choose_ = nullptr, *groups_ = nullptr, *least_row_ = nullptr;
    QLabel* preset_label_ = nullptr;
    std::vector<QGroupBox*> group_boxes_;
    int columns_ = 0;
    bool whole_names_ = false;
    int wide_enough_ = 0, whole_names_need_ = 0, two_columns_need_ = 0;  // pixels
    QValueAxis *wind_axis_ = nullptr, *gain_axis_ = nullptr;
    QLineSeries *survived_ = nullptr, *zero_ = nullptr;
    QScatterSeries *failed_ = nullptr, *neutral_ = nullptr;

    QString about_;                   // what the search does, before there is a result
    std::optional<Params> searched_;  // the parameters of the result shown, and its pattern
    Mode searched_mode_ = Mode::upwind;
    std::thread worker_;
    std::atomic<bool> cancel_flag_{false};
};

}  // namespace soar
