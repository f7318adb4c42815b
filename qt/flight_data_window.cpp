#include "qt/flight_data_window.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/half_turn.h"
#include "app/params_legend.h"
#include "platform/atomic_file.h"
#include "qt/file_names.h"
#include "qt/help_window.h"
#include "qt/lecture_tools.h"
#include "qt/optimal_loop_dialog.h"
#include "qt/read_out_text.h"
#include "record/chart_line.h"
#include "record/chart_range.h"
#include "record/csv.h"
#include "record/save_file.h"
#include "sim/commands.h"
#include "sim/energy.h"
#include "sim/names.h"

namespace soar {

namespace {

// Spans of the strip charts, s; 0 is the whole flight.
constexpr double kSpans[] = {30.0, 60.0, 300.0, 0.0};
constexpr int kDefaultSpan = 1;

// The palette's window is dark: the desktop uses a dark scheme.
bool palette_is_dark(const QPalette& p) {
    return p.color(QPalette::Window).lightness() < 110;
}

QString pace_text(double pace) {
    if (pace >= 1.0) return QStringLiteral("%1 x real time").arg(pace);
    return QStringLiteral("1/%1 x real time").arg(std::lround(1.0 / pace));
}

bool save_bytes(const QString& path, const QByteArray& bytes, QString& error) {
    std::string why;
    if (save_file(path.toStdString(), std::string_view(bytes.constData(), size_t(bytes.size())),
                  why))
        return true;
    error = QString::fromStdString(why);
    return false;
}

// The flight's CSV or KML from a copy of its history, written as it is read:
// `ticks` counts the ticks done, `cancel` stops it (the file then stays as it was).
bool save_history(FlightDataWindow::LongSave what, const HistorySnapshot& h, const Params& params,
                  const std::string& path, const KmlPlace& place, std::time_t start,
                  std::atomic<uint64_t>& ticks, const std::atomic<bool>& cancel,
                  std::string& error) {
    // A pipe named as the file (it may never be read) stops the save on Cancel too.
    AtomicFile out;
    if (!out.open(path, &cancel)) {
        error = cancel ? "it was cancelled" : out.error();
        return false;
    }
    if (what == FlightDataWindow::LongSave::csv) {
        if (!write_flight_data_csv(h, params, out, &ticks, &cancel)) {
            error = cancel ? "it was cancelled" : out.error();
            return false;
        }
    } else {
        KmlTrackWriter track(out, place, start, "Soarcalculus flight");
        h.for_each_tick(
            [&](const HistoryRow& r) {
                track.add(r[int(Column::t)], r[int(Column::X)], r[int(Column::Y)],
                          r[int(Column::Z)]);
            },
            [&](uint64_t done) {
                ticks.store(done, std::memory_order_relaxed);
                return track.ok() && !cancel;
            });
        if (cancel) {
            error = "it was cancelled";
            return false;
        }
        if (!track.finish()) {
            error = track.error();
            return false;
        }
    }
    if (!out.commit()) {
        error = out.error();
        return false;
    }
    return true;
}

}  // namespace

struct FlightDataWindow::SaveJob {
    LongSave what;
    QString path;
    HistorySnapshot history;
    uint64_t total = 0;
    std::atomic<uint64_t> ticks{0};
    std::atomic<bool> cancel{false}, finished{false};
    Params params;
    bool ok = false;
    std::string error;
    std::thread worker;
};

FlightDataWindow::FlightDataWindow(RunSignals& run, QWidget* parent)
    : QWidget(parent, Qt::Window), run_(run) {
    setWindowTitle(QStringLiteral("Flight data"));
    setObjectName(QStringLiteral("flight_data"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(6, 4, 6, 6);
    top->setSpacing(4);
    build_menu();

    // Pause, pace, chart span.
    auto* controls = new QHBoxLayout;
    pause_ = new QPushButton(QStringLiteral("Pause (Space)"), this);
    auto* slower = new QPushButton(QStringLiteral("Slower ["), this);
    auto* faster = new QPushButton(QStringLiteral("Faster ]"), this);
    pace_ = new QLabel(this);
    span_ = new QComboBox(this);
    span_->addItems({QStringLiteral("last 30 s"), QStringLiteral("last 60 s"),
                     QStringLiteral("last 5 min"), QStringLiteral("whole flight")});
    span_->setCurrentIndex(kDefaultSpan);
    for (QWidget* w : {static_cast<QWidget*>(pause_), static_cast<QWidget*>(slower),
                       static_cast<QWidget*>(faster), static_cast<QWidget*>(span_)})
        w->setFocusPolicy(Qt::NoFocus);
    connect(pause_, &QPushButton::clicked, this,
            [this] { emit run_.pause_wanted(), update_now(); });
    connect(slower, &QPushButton::clicked, this,
            [this] { emit run_.pace_step_wanted(-1), update_now(); });
    connect(faster, &QPushButton::clicked, this,
            [this] { emit run_.pace_step_wanted(+1), update_now(); });
    connect(span_, &QComboBox::currentIndexChanged, this, [this] {
        zoom_.reset();  // a span chosen: the zoom is over
        update_now();
    });
    reset_zoom_ = new QPushButton(QStringLiteral("Reset zoom"), this);
    reset_zoom_->setFocusPolicy(Qt::NoFocus);
    reset_zoom_->setEnabled(false);
    connect(reset_zoom_, &QPushButton::clicked, this, &FlightDataWindow::reset_zoom);
    pause_->setToolTip(QStringLiteral("Pause the flight where it is, or let it go on (Space)."));
    slower->setToolTip(QStringLiteral("Half the pace, down to 1/8 of real time ([)."));
    faster->setToolTip(QStringLiteral("Twice the pace, up to 4 times real time (])."));
    span_->setToolTip(QStringLiteral("How much of the flight the charts show."));
    reset_zoom_->setToolTip(QStringLiteral(
        "The charts back to the span chosen (drag across a chart or turn the wheel to zoom)."));
    // Pausing, resuming and a new pace change no width: the controls stay in
    // their rows.
    pause_->setMinimumWidth(std::max(pause_->sizeHint().width(), [this] {
        QPushButton resume(QStringLiteral("Resume (Space)"));
        resume.setFont(pause_->font());
        return resume.sizeHint().width();
    }()));
    pace_->setMinimumWidth(
        pace_->fontMetrics().horizontalAdvance(pace_text(1.0 / 8.0) + QStringLiteral(", paused")));
    controls->addWidget(pause_);
    controls->addWidget(slower);
    controls->addWidget(faster);
    button_row_ = controls;
    pace_row_ = new QHBoxLayout;
    pace_row_->addWidget(new QLabel(QStringLiteral("Pace:"), this));
    pace_row_->addWidget(pace_, 1);
    // The pace beside the buttons and the charts' span beside the pace, or
    // each under the one before in a narrow window.
    chart_row_ = new QHBoxLayout;
    chart_row_->addWidget(new QLabel(QStringLiteral("Charts:"), this));
    chart_row_->addWidget(span_);
    chart_row_->addWidget(reset_zoom_);
    control_rows_ = new QGridLayout;
    control_rows_->setContentsMargins(0, 0, 0, 0);
    set_control_rows(1);
    top->addLayout(control_rows_);
    params_legend_ = new QLabel(this);  // which parameters, when not the defaults
    params_legend_->setStyleSheet(QStringLiteral("color: #8a4b00;"));
    top->addWidget(params_legend_);

    // Read-outs and energy.
    values_ = new QGridLayout;
    values_->setHorizontalSpacing(10);
    values_->setVerticalSpacing(1);
    const QStringList names = {"Flight time",
                               "Airspeed V",
                               "Height Z",
                               "Bank",
                               "Flight path",
                               "Heading",
                               "Load factor Nz",
                               "CL",
                               "Angle of attack",
                               "Wind U at the bird",
                               "Ground speed",
                               "Energy E",
                               "  kinetic V^2/2g",
                               "  potential Z",
                               "dE/dt",
                               "  from the wind gradient",
                               "  taken by drag"};
    for (int i = 0; i < names.size(); ++i) {
        auto* name = new QLabel(names[i], this);
        auto* value = new QLabel(QStringLiteral("-"), this);
        value->setObjectName(names[i].trimmed());
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // A label of fixed size takes new text without laying out the window again.
        value->setFixedSize(value->fontMetrics().horizontalAdvance(QStringLiteral("-0000.00 m/s")),
                            value->fontMetrics().height());
        readout_names_.push_back(name);
        readouts_.emplace_back(names[i].trimmed(), value);
    }
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    // As narrow as the read-outs in one column and the controls in three rows
    // allow: wider, they take two columns and fewer rows (resizeEvent).
    const int margins = top->contentsMargins().left() + top->contentsMargins().right();
    set_value_columns(1);
    int least = values_->minimumSize().width();
    set_value_columns(2);
    two_value_columns_ = values_->minimumSize().width() + margins;
    top->addLayout(values_);

    // Strip charts, in a scroll area when the window is too short for them.
    dark_ = palette_is_dark(QApplication::palette());
    chart_scroll_ = new QScrollArea(this);
    chart_scroll_->setFrameShape(QFrame::NoFrame);
    chart_scroll_->setWidgetResizable(true);
    chart_scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    charts_ = new QWidget(chart_scroll_);
    auto* grid = new QGridLayout(charts_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    add_strip("Airspeed V", "m/s", {{Column::V, "V"}});
    add_strip("Height Z", "m", {{Column::Z, "Z"}});
    add_strip("Specific energy E", "m", {{Column::E, "E"}});
    add_strip("Load factor Nz, lift coefficient CL", "", {{Column::Nz, "Nz"}, {Column::CL, "CL"}});
    add_strip("Bank", "deg", {{Column::mu_deg, "bank"}});
    add_strip("Energy rate", "m/s",
              {{Column::dE_wind, "wind gradient"}, {Column::dE_drag, "drag"}});
    lay_out_charts(2);
    chart_scroll_->setWidget(charts_);
    top->addWidget(chart_scroll_, 1);

    // Cycles.
    table_ = new QTableWidget(0, 11, this);
    table_->setHorizontalHeaderLabels({"Cycle", "Start, s", "Period, s", "E start, m", "Gained, m",
                                       "V min, m/s", "V max, m/s", "Z min, m", "Z max, m", "Nz max",
                                       "Made good, m / deg"});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->setMinimumHeight(90);
    table_->setMaximumHeight(150);
    top->addWidget(table_);
    verdict_ = new QLabel(this);
    verdict_->setWordWrap(true);
    QFont bold = verdict_->font();
    bold.setBold(true);
    verdict_->setFont(bold);
    top->addWidget(verdict_);

    // Keys of both windows. A text box that takes the key (typing a space or a
    // bracket) keeps it: Qt gives a focused line edit the keys it types first.
    QWidget& main = run_.window().window_widget();
    for (QWidget* w : {&main, static_cast<QWidget*>(this)}) {
        auto* f2 = new QShortcut(QKeySequence(Qt::Key_F2), w);
        connect(f2, &QShortcut::activated, this, &FlightDataWindow::toggle);
        auto* space = new QShortcut(QKeySequence(Qt::Key_Space), w);
        connect(space, &QShortcut::activated, this,
                [this] { emit run_.pause_wanted(), update_now(); });
        auto* slow = new QShortcut(QKeySequence(Qt::Key_BracketLeft), w);
        connect(slow, &QShortcut::activated, this,
                [this] { emit run_.pace_step_wanted(-1), update_now(); });
        auto* fast = new QShortcut(QKeySequence(Qt::Key_BracketRight), w);
        connect(fast, &QShortcut::activated, this,
                [this] { emit run_.pace_step_wanted(+1), update_now(); });
    }
    // Left, Right, Home, End ... go through a paused or stopped flight here too.
    emit run_.look_back_keys_wanted(this);
    connect(&run_, &RunSignals::looked_back, this, &FlightDataWindow::follow_moment);
    // A new flight, a flight's end and new parameters show at once, not at the
    // next refresh: the read-outs of the last flight never stand beside a new set-up.
    const auto at_once = [this] {
        if (isVisible()) update_now();
    };
    // A new flight: the charts back to the span chosen.
    connect(&run_, &RunSignals::flight_set_up, this, [this] {
        zoom_.reset();
        reset_zoom_->setEnabled(false);
        drawn_span_ = -2;
    });
    connect(&run_, &RunSignals::flight_set_up, this, at_once);
    connect(&run_, &RunSignals::flight_ended, this, at_once);
    connect(&run_, &RunSignals::params_changed, this, at_once);
    // The main window's own way to the Flight data window: its context menu, first.
    main.setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* show_action = new QAction(QStringLiteral("Flight data (F2)"), &main);
    connect(show_action, &QAction::triggered, this, &FlightDataWindow::toggle);
    main.insertAction(main.actions().value(0), show_action);

    ask_path = [this](const QString& title, const QString& start, const QString& filter,
                      QString* chosen) {
        return QFileDialog::getSaveFileName(this, title, start, filter, chosen);
    };

    refresh_.setParent(this);  // its events belong to this window
    // Read-outs at about 30 Hz, the charts at every other refresh (about 15 Hz):
    // a screen's pace at most, and none of it per tick.
    refresh_.setInterval(33);
    connect(&refresh_, &QTimer::timeout, this, [this] {
        if (!isVisible()) return;
        refresh(++refreshes_ % 2 == 0, !in_flight());
    });
    // In flight the read-outs follow the main window's boxes, frame by frame:
    // the flight time here is the time box's.
    connect(&run_, &RunSignals::boxes_shown, this, [this] {
        if (isVisible() && in_flight()) update_readouts();
    });
    refresh_.start();
    save_poll_.setParent(this);
    save_poll_.setInterval(50);
    connect(&save_poll_, &QTimer::timeout, this, &FlightDataWindow::poll_save);
    set_control_rows(3);
    least = std::max(least, control_rows_->minimumSize().width());
    setMinimumWidth(least + margins);
    set_control_rows(1);
    resize(660, 980);
    update_now();
}

void FlightDataWindow::set_value_columns(int columns) {
    if (columns == value_columns_) return;
    value_columns_ = columns;
    for (size_t i = 0; i < readouts_.size(); ++i) {
        values_->removeWidget(readout_names_[i]);
        values_->removeWidget(readouts_[i].second);
    }
    values_->removeWidget(summary_);
    // Two columns: the bird's state on the left, its energy and the summary
    // on the right; one: all under each other, the summary beside them.
    const int first = columns == 2 ? 11 : int(readouts_.size());
    for (int i = 0; i < int(readouts_.size()); ++i) {
        const int col = i < first ? 0 : 2, row = i < first ? i : i - first;
        values_->addWidget(readout_names_[size_t(i)], row, col);
        values_->addWidget(readouts_[size_t(i)].second, row, col + 1);
    }
    if (columns == 2)
        values_->addWidget(summary_, 6, 2, 5, 2, Qt::AlignTop);
    else
        values_->addWidget(summary_, 0, 2, first, 2, Qt::AlignTop);
}

void FlightDataWindow::lay_out_charts(int columns) {
    if (columns == columns_) return;
    columns_ = columns;
    auto* grid = static_cast<QGridLayout*>(charts_->layout());
    for (const Strip& s : strips_) grid->removeWidget(s.view);
    for (size_t i = 0; i < strips_.size(); ++i) {
        grid->addWidget(strips_[i].view, int(i) / columns, int(i) % columns);
        // Tall enough for a title, a legend, an axis title, the time labels
        // (which the chart cuts to "..." where they have no room) and a plot.
        strips_[i].view->setMinimumHeight(180);
    }
    for (int c = 0; c < 2; ++c) grid->setColumnStretch(c, c < columns ? 1 : 0);
}

void FlightDataWindow::set_control_rows(int rows) {
    if (rows == control_row_count_) return;
    control_row_count_ = rows;
    for (QLayout* part : {button_row_, pace_row_, chart_row_}) control_rows_->removeItem(part);
    control_rows_->addLayout(button_row_, 0, 0, Qt::AlignLeft);
    control_rows_->addLayout(pace_row_, rows == 3 ? 1 : 0, rows == 3 ? 0 : 1);
    if (rows == 1)
        control_rows_->addLayout(chart_row_, 0, 2);
    else
        control_rows_->addLayout(chart_row_, rows - 1, 0, 1, 2, Qt::AlignLeft);
    for (int c = 0; c < 3; ++c) control_rows_->setColumnStretch(c, c == 1 ? 1 : 0);
}

void FlightDataWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The controls in as few rows as fit, the read-outs in two columns where they fit.
    const int room =
        width() - layout()->contentsMargins().left() - layout()->contentsMargins().right() - 12;
    const int buttons = button_row_->minimumSize().width(), pace = pace_row_->minimumSize().width(),
              span = chart_row_->minimumSize().width();
    set_control_rows(room >= buttons + pace + span + 12 ? 1 : room >= buttons + pace ? 2 : 3);
    set_value_columns(width() >= two_value_columns_ ? 2 : 1);
    // Two columns of charts need about 300 pixels each for their axis labels.
    lay_out_charts(width() >= 620 ? 2 : 1);
}

void FlightDataWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        const bool dark = palette_is_dark(QApplication::palette());
        if (dark != dark_) {
            dark_ = dark;
            apply_theme();
        }
    }
}

void FlightDataWindow::apply_theme() {
    for (Strip& s : strips_) {
        // The theme sets the series' pens: the one-pixel width is set again after.
        s.chart->setTheme(dark_ ? QChart::ChartThemeDark : QChart::ChartThemeLight);
        for (auto& [column, series] : s.lines) {
            QPen pen = series->pen();
            pen.setWidth(1);
            series->setPen(pen);
        }
    }
}

void FlightDataWindow::zoom_time(double t0, double t1) {
    const double end = run_.record().history.empty()
                           ? 10.0
                           : std::max(10.0, double(run_.record().history.last(Column::t)));
    // At least a few steps of the flight, within the flight.
    if (!(t1 > t0)) return;
    if (t1 - t0 < 0.05) {
        const double mid = 0.5 * (t0 + t1);
        t0 = mid - 0.025, t1 = mid + 0.025;
    }
    t0 = std::max(t0, 0.0), t1 = std::min(t1, end);
    if (!(t1 > t0)) return;
    zoom_ = AxisRange{t0, t1, nice_step((t1 - t0) / 5.0)};
    reset_zoom_->setEnabled(true);
    drawn_span_ = -2;  // drawn again at once
    update_charts();
}

void FlightDataWindow::reset_zoom() {
    zoom_.reset();
    reset_zoom_->setEnabled(false);
    drawn_span_ = -2;
    update_charts();
}

void FlightDataWindow::follow_moment() {
    if (!isVisible()) return;
    update_readouts();
    drawn_span_ = -2;  // the charts may have to move to show the moment
    update_charts();
}

QString FlightDataWindow::describe(int chart, double t) const {
    const FlightHistory& h = shown_history();
    if (h.samples() == 0 || chart < 0 || chart >= int(strips_.size())) return {};
    size_t j = h.index_at_or_after(t);
    if (j >= h.samples() || double(h.sample(Column::t, j)) > t) j = j > 0 ? j - 1 : 0;
    const Strip& s = strips_[size_t(chart)];
    QString text = QStringLiteral("t = %1 s").arg(fixed_text(h.sample(Column::t, j), 2));
    for (const auto& [column, series] : s.lines)
        text += QStringLiteral("\n%1 = %2 %3")
                    .arg(series->name())
                    .arg(fixed_text(h.sample(column, j), 3))
                    .arg(s.unit);
    return text.trimmed();
}

FlightDataWindow::~FlightDataWindow() {
    // Closing the program during a save stops it; the file stays as it was.
    if (job_) {
        job_->cancel = true;
        if (job_->worker.joinable()) job_->worker.join();
    }
}

void FlightDataWindow::build_menu() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Save flight as &CSV..."), this, [this] {
        const QString path = ask_save_path(SaveKind::csv);
        if (!path.isEmpty()) start_save(LongSave::csv, path);
    });
    file->addAction(QStringLiteral("Save &picture as PNG..."), this,
                    [this] { ask_and_save(SaveKind::picture, &FlightDataWindow::save_picture); });
    file->addAction(QStringLiteral("Save c&harts as PNG or SVG..."), this,
                    [this] { ask_and_save(SaveKind::charts, &FlightDataWindow::save_charts); });
    file->addAction(QStringLiteral("Save track as &KML..."), this, [this] {
        if (!ask_place()) return;
        const QString path = ask_save_path(SaveKind::kml);
        if (!path.isEmpty()) start_save(LongSave::kml, path);
    });
    file->addSeparator();
    file->addAction(QStringLiteral("&Forget remembered settings..."), &run_,
                    &RunSignals::forget_settings_wanted);
    file->addSeparator();
    file->addAction(QStringLiteral("&Hide (F2)"), this, &QWidget::hide);
    QMenu* fly = bar->addMenu(QStringLiteral("F&ly"));
    QAction* optimal = fly->addAction(QStringLiteral("&Optimal loop..."), this, [this] {
        // F4 shows the dialog, and hides it when it is in front.
        OptimalLoopDialog* dialog = optimal_loop();
        if (dialog->isVisible() && dialog->isActiveWindow()) {
            dialog->hide();
            return;
        }
        dialog->show();
        dialog->raise();
    });
    optimal->setObjectName(QStringLiteral("optimal_loop_action"));
    optimal->setShortcut(QKeySequence(Qt::Key_F4));
    optimal->setShortcutContext(Qt::ApplicationShortcut);
    build_view_menu(bar);
    // In the menu bar itself, a click away.
    bar->addAction(QStringLiteral("&Parameters... (F3)"), this,
                   &FlightDataWindow::parameters_wanted);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&Keys and mouse (F1)"), this,
                    [this] { emit run_.help_wanted(0); });
    help->addAction(QStringLiteral("How dynamic &soaring works"), this,
                    [this] { emit run_.help_wanted(1); });
    help->addAction(QStringLiteral("&About Soarcalculus"), this,
                    [this] { emit run_.help_wanted(2); });
}

namespace {

struct SaveKindText {
    const char* kind;   // its folder's name in the settings
    const char* title;  // the dialog's
    const char* filter;
};

SaveKindText save_kind_text(FlightDataWindow::SaveKind k) {
    switch (k) {
        case FlightDataWindow::SaveKind::csv:
            return {"csv", "Save the flight as CSV", "CSV files (*.csv)"};
        case FlightDataWindow::SaveKind::picture:
            return {"picture", "Save the picture", "PNG images (*.png)"};
        case FlightDataWindow::SaveKind::charts:
            return {"charts", "Save the charts", "PNG images (*.png);;SVG drawings (*.svg)"};
        case FlightDataWindow::SaveKind::kml:
            return {"kml", "Save the track", "KML files (*.kml)"};
    }
    return {"csv", "Save", "All files (*)"};
}

// The pattern as a file name takes it.
QString pattern_word(const RunSignals& run) {
    if (run.session().loop()) return QStringLiteral("optimal-loop");
    // The fixed view flies nothing: no flight, no pattern in the name.
    const Mode mode = run.record().mode;
    if (mode == Mode::fixed) return {};
    return QString::fromLatin1(mode_name(mode));
}

}  // namespace

QString FlightDataWindow::suggested_name(SaveKind kind) const {
    const QString what = kind == SaveKind::charts    ? QStringLiteral("charts")
                         : kind == SaveKind::picture ? QStringLiteral("picture")
                                                     : QString();
    const QString pattern = pattern_word(run_);
    const QString stem = what.isEmpty() ? pattern : pattern.isEmpty() ? what : pattern + "-" + what;
    return suggested_file_name(stem, filter_extensions(save_kind_text(kind).filter).front());
}

QString FlightDataWindow::ask_save_path(SaveKind kind) {
    const SaveKindText t = save_kind_text(kind);
    QString chosen_filter;
    const QString path = ask_path(QString::fromLatin1(t.title),
                                  save_start(QString::fromLatin1(t.kind), suggested_name(kind)),
                                  QString::fromLatin1(t.filter), &chosen_filter);
    // The extension of the filter chosen (of the first when none was).
    QString filter = QString::fromLatin1(t.filter);
    if (!chosen_filter.isEmpty() && !path.isEmpty()) {
        const QStringList all = filter_extensions(filter);
        const QStringList picked = filter_extensions(chosen_filter);
        if (!picked.isEmpty()) filter = "(*." + picked.front() + ")";
        // A name ending in another of the kind's extensions keeps it.
        for (const QString& e : all)
            if (path.toLower().endsWith("." + e)) filter = "(*." + e + ")";
    }
    return chosen_save_path(QString::fromLatin1(t.kind), path, filter);
}

void FlightDataWindow::build_view_menu(QMenuBar* bar) {
    lecture_ = new LectureTools(run_, this);
    lecture_->add_to(bar->addMenu(QStringLiteral("&View")));
}

OptimalLoopDialog* FlightDataWindow::optimal_loop() {
    if (!optimal_) optimal_ = new OptimalLoopDialog(run_, this);
    return optimal_;
}

FlightDataWindow::Strip& FlightDataWindow::add_strip(
    const QString& title, const QString& unit,
    const std::vector<std::pair<Column, QString>>& lines) {
    Strip s{};
    s.chart = new QChart;
    if (dark_) s.chart->setTheme(QChart::ChartThemeDark);
    s.chart->setTitle(title);
    s.chart->setAnimationOptions(QChart::NoAnimation);
    s.chart->setMargins(QMargins(2, 2, 2, 2));
    s.chart->legend()->setVisible(true);
    s.chart->legend()->setAlignment(Qt::AlignBottom);
    s.x = new QValueAxis;
    s.x->setTitleText(QStringLiteral("flight time, s"));
    s.x->setLabelFormat(QStringLiteral("%.0f"));
    // The value axis labels its own ticks (label_value_axis): never "-0.0".
    s.y = new QCategoryAxis;
    // A ratio's axis is titled by its lines' names: no unit, and no lone "-".
    QStringList names;
    for (const auto& line : lines) names << line.second;
    s.y->setTitleText(unit.isEmpty() ? names.join(QStringLiteral(", ")) : unit);
    s.unit = unit;
    s.chart->addAxis(s.x, Qt::AlignBottom);
    s.chart->addAxis(s.y, Qt::AlignLeft);
    // Labelled ticks on whole steps; the steps follow each range set (never 0).
    s.x->setTickInterval(10.0);
    s.y->setTickInterval(0.25);
    s.x->setTickType(QValueAxis::TicksDynamic);
    s.y->setTickType(QValueAxis::TicksDynamic);
    s.x->setTickAnchor(0.0);
    s.y->setTickAnchor(0.0);
    label_value_axis(*static_cast<QCategoryAxis*>(s.y), {0.0, 1.0, 0.25}, 2);  // until data
    for (const auto& [column, name] : lines) {
        auto* series = new QLineSeries;
        series->setName(name);
        s.chart->addSeries(series);
        series->attachAxis(s.x);
        series->attachAxis(s.y);
        // A one-pixel pen is drawn directly; a wider one is stroked as a polygon,
        // many times the cost for a line of a thousand points.
        QPen pen = series->pen();
        pen.setWidth(1);
        series->setPen(pen);
        s.lines.emplace_back(column, series);
    }
    s.view = new StripView(s.chart, charts_);
    s.view->setRenderHint(QPainter::Antialiasing, false);
    s.view->setMinimumHeight(150);
    s.view->setToolTip(QStringLiteral(
        "Click: show that moment (paused or stopped). Drag across: zoom the time. Wheel: zoom "
        "about the pointer. Double-click: back to the span chosen."));
    const int index = int(strips_.size());
    s.view->set_describer([this, index](double t) { return describe(index, t); });
    connect(s.view, &StripView::time_clicked, this,
            [this](double t) { emit run_.look_at_time_wanted(t); });
    connect(s.view, &StripView::stretch_chosen, this, &FlightDataWindow::zoom_time);
    connect(s.view, &StripView::reset_asked, this, &FlightDataWindow::reset_zoom);
    connect(s.view, &StripView::zoom_asked, this, [this](double factor, double about) {
        const AxisRange now = time_range();
        zoom_time(about - (about - now.lo) * factor, about + (now.hi - about) * factor);
    });
    strips_.push_back(s);
    return strips_.back();
}

void FlightDataWindow::place_beside_main() {
    QWidget& main = run_.window().window_widget();
    const PictureWindow& picture = run_.window();
    const QScreen* screen = main.screen() ? main.screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    // What the window manager adds around a window (title bar, borders), as it
    // does around the main window.
    const QRect outer = main.frameGeometry(), inner = main.geometry();
    const int frame_w = std::max(0, outer.width() - inner.width());
    const int frame_h = std::max(0, outer.height() - inner.height());
    const int title_h = std::max(0, inner.top() - outer.top());
    constexpr int kWide = 660, kGap = 6;
    // As narrow as its controls and read-outs allow.
    const int kNarrow = std::max(440, minimumWidth());
    const int standard = picture.standard_picture_width();
    // The widest picture, at most the standard one, with which the main window
    // fits the screen's height, and beside it a Flight data window of at least
    // kNarrow pixels.
    int fits_height = standard;
    while (fits_height > standard / 2 &&
           picture.size_for_picture_width(fits_height).height() + frame_h > room.height())
        --fits_height;
    int beside = fits_height;
    while (beside > 0 &&
           picture.size_for_picture_width(beside).width() + kGap + kNarrow + 2 * frame_w >
               room.width())
        --beside;
    const bool side_by_side = beside >= standard * 2 / 3;
    const QSize main_size = picture.size_for_picture_width(side_by_side ? beside : fits_height);
    const int h = std::min(980, room.height() - frame_h);
    if (main.size() != main_size && main.width() >= main_size.width()) main.resize(main_size);
    if (side_by_side) {
        main.move(room.left(), room.top());
        const int free = room.right() + 1 - (room.left() + main.width() + frame_w + kGap);
        resize(std::clamp(free - frame_w, kNarrow, kWide), h);
        move(room.left() + main.width() + frame_w + kGap, room.top());
    } else {
        // Too narrow for both: over the main window's right part, inside the
        // screen, where the user can move it.
        main.move(room.left(), room.top());
        resize(std::min(kWide, std::max(kNarrow, room.width() / 2)), h);
        move(room.right() + 1 - width() - frame_w, room.top());
    }
    (void)title_h;
}

void FlightDataWindow::toggle() {
    if (isVisible()) {
        hide();
    } else {
        show();
        raise();
        update_now();
    }
}

QLabel* FlightDataWindow::readout(const QString& name) const {
    for (const auto& [n, label] : readouts_)
        if (n == name) return label;
    return nullptr;
}

const QLineSeries* FlightDataWindow::series(int chart, int index) const {
    return strips_.at(size_t(chart)).lines.at(size_t(index)).second;
}

void FlightDataWindow::update_now() {
    refresh(true);
}

bool FlightDataWindow::in_flight() const {
    return run_.session().flying() && !run_.flight_clock().paused();
}

void FlightDataWindow::refresh(bool charts, bool readouts) {
    const FlightClock& clock = run_.flight_clock();
    pace_->setText(pace_text(clock.pace()) + (clock.paused() ? QStringLiteral(", paused") : ""));
    pause_->setText(clock.paused() ? QStringLiteral("Resume (Space)")
                                   : QStringLiteral("Pause (Space)"));
    const QString legend = QString::fromStdString(params_legend(run_.model()));
    if (params_legend_->text() != legend) params_legend_->setText(legend);
    params_legend_->setVisible(!legend.isEmpty());
    if (readouts) update_readouts();
    if (charts) update_charts();
    update_table();
}

bool FlightDataWindow::flown() const {
    // A new "OK" sets up a flight not flown yet: the last one's record is not its own.
    return run_.record().ticks > 0 && run_.session().ticks() > 0;
}

const FlightHistory& FlightDataWindow::shown_history() const {
    static const FlightHistory none;
    return flown() ? run_.record().history : none;
}

void FlightDataWindow::update_readouts() {
    // The moment looked at, or the flight's last tick flown (never a step that failed).
    const FlightState s = run_.session().shown_state();
    const FlightRecord& r = run_.record();
    const bool flown = this->flown();
    const Energy e = run_.session().shown_energy();
    // A note on a save belongs to the flight it saved.
    if (!note_.isEmpty() && (noted_flight_ != r.start_utc || r.ticks < noted_ticks_)) note_.clear();
    const auto set = [this, flown](const char* name, double v, const char* unit, int digits) {
        if (QLabel* l = readout(QString::fromLatin1(name)))
            l->setText(flown ? QStringLiteral("%1 %2").arg(fixed_text(v, digits), unit)
                             : QStringLiteral("-"));
    };
    set("Flight time", s.t, "s", 2);
    set("Airspeed V", s.V, "m/s", 2);
    set("Height Z", s.Z, "m", 2);
    set("Bank", s.mu_deg, "deg", 1);
    set("Flight path", s.gam_deg, "deg", 1);
    set("Heading", half_turn_deg(s.psi_deg), "deg", 1);
    set("Load factor Nz", s.Nz, "", 2);
    set("CL", s.CL, "", 3);
    set("Angle of attack", s.alpha, "deg", 1);
    // Past the wing's stall the model's lift coefficient, and the angle of attack
    // read from it along the straight lift curve, are no wing's (a schedule still
    // asks for its lift at a few m/s before the airspeed fails): marked so.
    const bool past_stall = flown && std::fabs(double(s.CL)) > double(PilotLimits{}.CL_max);
    for (const char* name : {"CL", "Angle of attack"}) {
        QLabel* l = readout(QString::fromLatin1(name));
        if (!l || l->property("past_stall").toBool() == past_stall) continue;
        l->setProperty("past_stall", past_stall);
        l->setStyleSheet(past_stall ? QStringLiteral("color: #c00000;") : QString());
        l->setToolTip(past_stall ? QStringLiteral("Past the stall (CL above %1): the flight "
                                                  "model's value, no wing's.")
                                       .arg(double(PilotLimits{}.CL_max))
                                 : QString());
    }
    set("Wind U at the bird", s.U, "m/s", 2);
    set("Ground speed", std::hypot(double(s.Xdot), double(s.Ydot)), "m/s", 2);
    set("Energy E", e.E, "m", 2);
    set("kinetic V^2/2g", e.E_kin, "m", 2);
    set("potential Z", e.E_pot, "m", 2);
    set("dE/dt", double(e.dE_wind) + double(e.dE_held) + e.dE_drag, "m/s", 2);
    set("from the wind gradient", e.dE_wind, "m/s", 2);
    set("taken by drag", e.dE_drag, "m/s", 2);
    // The summary wraps over several lines, so a new text lays the window out
    // again: in flight it leaves the time to its read-out and changes with a
    // cycle completed; on the end and a save at once.
    QString text = flown ? QString::fromStdString(flight_summary(r, !r.flying)) : QString();
    if (!note_.isEmpty()) text += (text.isEmpty() ? "" : "\n") + note_;
    if (summary_->text() != text) summary_->setText(text);
}

void FlightDataWindow::update_charts() {
    const FlightHistory& h = shown_history();
    const int span_index = span_->currentIndex();
    const int64_t looked = run_.session().looked_at();
    const double cursor =
        looked > 0 ? run_.session().time_of_tick(looked) : std::numeric_limits<double>::quiet_NaN();
    for (Strip& s : strips_) s.view->set_cursor_time(cursor);
    if (h.size() == drawn_samples_ && span_index == drawn_span_) return;
    drawn_samples_ = h.size();
    drawn_span_ = span_index;
    const double t_end = h.empty() ? 0.0 : double(h.last(Column::t));
    const double span = kSpans[std::clamp(span_index, 0, 3)];
    AxisRange x = zoom_ ? *zoom_ : time_axis(span, t_end);
    // A moment looked at before the span: the span moved back to show it.
    if (!zoom_ && !std::isnan(cursor) && cursor < x.lo) x = time_axis(span, cursor + 0.5 * span);
    for (Strip& s : strips_) {
        // One min/max pair per pixel column of the plot: the same cost however long
        // the flight. The axes change only when the data leaves them.
        const int width = std::max(50, int(s.chart->plotArea().width()));
        double lo = 1e300, hi = -1e300;
        for (auto& [column, series] : s.lines) {
            const auto pts = chart_line(h, column, x.lo, x.hi, width);
            QList<QPointF> q;
            q.reserve(qsizetype(pts.size()));
            for (const auto& [t, v] : pts) {
                q.append(QPointF(t, v));
                lo = std::min(lo, v), hi = std::max(hi, v);
            }
            series->replace(q);
            points_handed_ += q.size();
        }
        if (!(s.x_range == x)) set_axis(*s.x, s.x_range, x);
        // Labelled ticks at least two text lines apart on the plot's height.
        const int intervals =
            std::clamp(int(s.chart->plotArea().height()) / (2 * fontMetrics().height()), 2, 4);
        const AxisRange y = value_axis(lo, hi, s.y_range, intervals);
        if (!(s.y_range == y)) {
            set_axis(*s.y, s.y_range, y);
            const int digits = std::clamp(int(std::ceil(-std::log10(y.tick) - 1e-9)), 0, 4);
            label_value_axis(*static_cast<QCategoryAxis*>(s.y), y, digits);
        }
    }
}

void FlightDataWindow::set_axis(QValueAxis& axis, AxisRange& shown, const AxisRange& to) {
    // The axis lays out its ticks after each of the two calls: in between it must
    // not hold a range of millions of old ticks (or an old range of new ones).
    const double old_width = std::max(axis.max() - axis.min(), 1e-9);
    const double new_width = to.hi - to.lo;
    if (old_width / to.tick < new_width / std::max(axis.tickInterval(), 1e-12)) {
        axis.setTickInterval(to.tick);
        axis.setRange(to.lo, to.hi);
    } else {
        axis.setRange(to.lo, to.hi);
        axis.setTickInterval(to.tick);
    }
    shown = to;
    ++axis_changes_;
}

void FlightDataWindow::update_table() {
    const CycleTable& c = run_.record().cycles;
    // -1: no flight of its own yet (the last one's cycles are not shown).
    const int n = flown() ? c.completed() : -1;
    if (n == shown_rows_) return;
    if (n < shown_rows_ || shown_rows_ < 0) table_->setRowCount(0);
    const auto cell = [](double v, int digits) {
        auto* item = new QTableWidgetItem(fixed_text(v, digits));
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return item;
    };
    for (int i = table_->rowCount(); i < n; ++i) {
        const CycleRow& r = c.rows()[size_t(i)];
        table_->insertRow(i);
        table_->setItem(i, 0, cell(r.number, 0));
        table_->setItem(i, 1, cell(r.t_start, 2));
        table_->setItem(i, 2, cell(r.period, 2));
        table_->setItem(i, 3, cell(r.E_start, 2));
        table_->setItem(i, 4, cell(r.dE, 3));
        table_->setItem(i, 5, cell(r.V_min, 2));
        table_->setItem(i, 6, cell(r.V_max, 2));
        table_->setItem(i, 7, cell(r.Z_min, 2));
        table_->setItem(i, 8, cell(r.Z_max, 2));
        table_->setItem(i, 9, cell(r.Nz_max, 2));
        table_->setItem(
            i, 10,
            new QTableWidgetItem(QStringLiteral("%1 m at %2 deg")
                                     .arg(fixed_text(r.distance, 1), fixed_text(r.track_deg, 0))));
    }
    shown_rows_ = n;
    ++table_updates_;
    table_->resizeColumnsToContents();
    if (n > 0) table_->scrollToBottom();
    verdict_->setText(n < 0 ? QString() : QString::fromStdString(cycle_verdict(c.rows())));
}

bool FlightDataWindow::save_csv(const QString& path, QString& error) {
    if (run_.record().history.empty()) {
        error = QStringLiteral("there is no flight to save yet");
        return false;
    }
    std::atomic<uint64_t> ticks{0};
    std::atomic<bool> cancel{false};
    std::string why;
    if (save_history(LongSave::csv, run_.record().history.snapshot(), run_.record().params,
                     path.toStdString(), place_, run_.record().start_utc, ticks, cancel, why))
        return true;
    error = QString::fromStdString(why);
    return false;
}

bool FlightDataWindow::save_picture(const QString& path, QString& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!run_.window().picture_image().save(&buffer, "PNG")) {
        error = QStringLiteral("the picture could not be encoded");
        return false;
    }
    return save_bytes(path, bytes, error);
}

bool FlightDataWindow::save_charts(const QString& path, QString& error) {
    update_now();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        // For a slide: the time chosen exactly, its ends on whole seconds (the
        // live axis runs a step beyond the span); the live charts come back after.
        const std::optional<AxisRange> live_zoom = zoom_;
        const FlightHistory& h = run_.record().history;
        const double t_end = std::min(h.empty() ? 0.0 : double(h.last(Column::t)), time_range().hi);
        zoom_ = live_zoom ? slide_time_axis(0.0, t_end, live_zoom->lo, live_zoom->hi)
                          : slide_time_axis(kSpans[std::clamp(span_->currentIndex(), 0, 3)], t_end);
        drawn_span_ = -2;
        update_charts();
        for (Strip& s : strips_) s.chart->layout()->activate();
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(charts_->size());
        svg.setViewBox(QRect(QPoint(0, 0), charts_->size()));
        svg.setTitle(QStringLiteral("Soarcalculus flight data"));
        QPainter painter(&svg);
        charts_->render(&painter);
        painter.end();
        zoom_ = live_zoom;
        drawn_span_ = -2;
        update_charts();
        bytes = svg_in_whole_pixels(bytes, charts_->size());
    } else if (!charts_->grab().save(&buffer, "PNG")) {
        error = QStringLiteral("the charts could not be encoded");
        return false;
    }
    return save_bytes(path, bytes, error);
}

bool FlightDataWindow::save_kml(const QString& path, QString& error) {
    const FlightRecord& r = run_.record();
    if (r.history.empty()) {
        error = QStringLiteral("there is no flight to save yet");
        return false;
    }
    std::atomic<uint64_t> ticks{0};
    std::atomic<bool> cancel{false};
    std::string why;
    if (save_history(LongSave::kml, r.history.snapshot(), r.params, path.toStdString(), place_,
                     r.start_utc, ticks, cancel, why))
        return true;
    error = QString::fromStdString(why);
    return false;
}

bool FlightDataWindow::start_save(LongSave what, const QString& path) {
    const FlightRecord& r = run_.record();
    if (job_ || r.history.empty()) {
        if (!job_)
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Nothing was saved: there is no flight yet."));
        return false;
    }
    job_ = std::make_unique<SaveJob>();
    SaveJob& job = *job_;
    job.what = what;
    job.path = path;
    job.history = r.history.snapshot();
    job.params = r.params;
    job.total = job.history.ticks();
    job.worker =
        std::thread([&job, place = place_, start = r.start_utc, file = path.toStdString()] {
            job.ok = save_history(job.what, job.history, job.params, file, place, start, job.ticks,
                                  job.cancel, job.error);
            job.finished = true;
        });
    progress_ = new QProgressDialog(
        what == LongSave::csv ? QStringLiteral("Saving the flight as CSV to %1...").arg(path)
                              : QStringLiteral("Saving the track as KML to %1...").arg(path),
        QStringLiteral("Cancel"), 0, 1000, this);
    progress_->setWindowTitle(windowTitle());
    progress_->setWindowModality(Qt::WindowModal);  // this window; the main window flies on
    progress_->setMinimumDuration(300);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setValue(0);
    connect(progress_, &QProgressDialog::canceled, this, [this] {
        if (job_) job_->cancel = true;
    });
    save_poll_.start();
    return true;
}

void FlightDataWindow::poll_save() {
    if (!job_) return;
    if (job_->finished) {
        end_save();
        return;
    }
    if (progress_ && job_->total > 0)
        progress_->setValue(int(1000.0 * double(job_->ticks.load()) / double(job_->total)));
}

void FlightDataWindow::end_save() {
    save_poll_.stop();
    std::unique_ptr<SaveJob> job = std::move(job_);
    if (job->worker.joinable()) job->worker.join();
    if (progress_) {
        progress_->deleteLater();
        progress_ = nullptr;
    }
    const QString what =
        job->what == LongSave::csv ? QStringLiteral("flight") : QStringLiteral("track");
    noted_flight_ = run_.record().start_utc, noted_ticks_ = run_.record().ticks;
    if (job->ok) {
        note_ = QStringLiteral("Saved the %1 to %2.").arg(what, job->path);
    } else if (job->cancel) {
        note_ = QStringLiteral("The %1 was not saved to %2: the save was cancelled.")
                    .arg(what, job->path);
    } else {
        note_.clear();
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("The %1 was not saved: %2.")
                                 .arg(what, QString::fromStdString(job->error)));
    }
    update_readouts();
}

bool FlightDataWindow::ask_place() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Where the track lies"));
    auto* form = new QFormLayout(&dialog);
    const auto spin = [&dialog](double lo, double hi, double v, const QString& suffix) {
        auto* box = new QDoubleSpinBox(&dialog);
        box->setRange(lo, hi);
        box->setDecimals(4);
        box->setValue(v);
        box->setSuffix(suffix);
        return box;
    };
    auto* lat = spin(-89.0, 89.0, place_.lat_deg, QStringLiteral(" deg (north +)"));
    auto* lon = spin(-180.0, 180.0, place_.lon_deg, QStringLiteral(" deg (east +)"));
    auto* from = spin(0.0, 360.0, place_.wind_from_deg, QStringLiteral(" deg (270 = from west)"));
    form->addRow(QStringLiteral("Latitude"), lat);
    form->addRow(QStringLiteral("Longitude"), lon);
    form->addRow(QStringLiteral("Wind from"), from);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    place_ = {lat->value(), lon->value(), from->value()};
    return true;
}

void FlightDataWindow::ask_and_save(SaveKind kind,
                                    bool (FlightDataWindow::*save)(const QString&, QString&)) {
    const QString what =
        kind == SaveKind::charts ? QStringLiteral("charts") : QStringLiteral("picture");
    const QString path = ask_save_path(kind);
    if (path.isEmpty()) return;  // cancelled
    QString error;
    if ((this->*save)(path, error)) {
        note_ = QStringLiteral("Saved the %1 to %2.").arg(what, path);
        noted_flight_ = run_.record().start_utc, noted_ticks_ = run_.record().ticks;
        update_readouts();
    } else {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("The %1 was not saved: %2.").arg(what, error));
    }
}

}  // namespace soar
