#include "qt/params_dialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QResizeEvent>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <exception>
#include <initializer_list>

#include "app/param_file.h"
#include "app/window.h"
#include "platform/number_text.h"
#include "qt/file_names.h"

namespace soar {

namespace {

// The patterns with a schedule of their own (the profile demo flies the
// downwind one, the fixed view none).
struct PatternItem {
    const char* label;
    Mode mode;
};
constexpr PatternItem kPatterns[] = {{"Upwind", Mode::upwind},
                                     {"Downwind (and the profile demo)", Mode::downwind},
                                     {"Crosswind", Mode::crosswind},
                                     {"Circle zoom", Mode::circlezoom}};

Mode schedule_of(Mode mode) {
    if (mode == Mode::profile) return Mode::downwind;
    if (mode == Mode::fixed) return Mode::upwind;
    return mode;
}

QString pattern_name(Mode mode) {
    for (const PatternItem& p : kPatterns)
        if (p.mode == mode) return QString::fromLatin1(p.label).section(' ', 0, 0);
    return {};
}

// The shortest text that reads back as the same float: what a box shows is
// exactly what the flight gets.
QString value_text(float v) {
    return QString::fromStdString(shortest_float(v));
}

// A field's value as the dialog shows it: a choice by its name.
QString field_text(const ParamField& f, float v) {
    return f.choices ? QString::fromStdString(param_value_text(f, v)) : value_text(v);
}

QString unit_text(const ParamField& f) {
    return std::string(f.unit) == "-" ? QString() : QString::fromLatin1(f.unit);
}

}  // namespace

ParamsDialog::ParamsDialog(RunSignals& run, QWidget* parent) : QDialog(parent), run_(run) {
    setWindowTitle(QStringLiteral("Parameters"));
    setObjectName(QStringLiteral("parameters"));
    setModal(false);
    auto* top = new QVBoxLayout(this);

    choose_ = new QGridLayout;
    pattern_ = new QComboBox(this);
    for (const PatternItem& p : kPatterns)
        pattern_->addItem(QString::fromLatin1(p.label), int(p.mode));
    preset_ = new QComboBox(this);
    for (const Preset& p : presets())
        preset_->addItem(QString::fromLatin1(p.label), QString::fromLatin1(p.name));
    preset_->setPlaceholderText(QStringLiteral("own values"));
    pattern_->setToolTip(QStringLiteral("The pattern whose schedule the boxes below show."));
    preset_->setToolTip(QStringLiteral(
        "A whole set of parameters, a bird and its wind; it applies at the next OK."));
    choose_->addWidget(new QLabel(QStringLiteral("Pattern:"), this), 0, 0);
    choose_->addWidget(pattern_, 0, 1);
    preset_label_ = new QLabel(QStringLiteral("Preset:"), this);
    top->addLayout(choose_);

    // Air and bird beside wind and pattern, or all four in one column when
    // the dialog (or its dock) is narrow.
    groups_ = new QGridLayout;
    groups_->setContentsMargins(0, 0, 0, 0);
    group_boxes_ = {add_group(QStringLiteral("Air"), ParamGroup::air),
                    add_group(QStringLiteral("Bird"), ParamGroup::bird),
                    add_group(QStringLiteral("Wind"), ParamGroup::wind),
                    add_group(QStringLiteral("Pattern"), ParamGroup::pattern)};
    top->addLayout(groups_);

    message_ = new QLabel(this);
    message_->setWordWrap(true);
    message_->setMinimumHeight(2 * fontMetrics().height());
    top->addWidget(message_);

    auto* least = new QGroupBox(QStringLiteral("Energy-neutral wind"), this);
    auto* least_layout = new QVBoxLayout(least);
    auto* least_row = new QGridLayout;
    search_ = new QPushButton(QStringLiteral("Find the energy-neutral wind"), least);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), least);
    cancel_->setEnabled(false);
    search_->setToolTip(QStringLiteral(
        "The least reference wind U_ref at which the pattern keeps its energy over the cycles "
        "chosen, found by flying it headless."));
    cancel_->setToolTip(QStringLiteral("Stop the search; nothing is changed."));
    progress_ = new QProgressBar(least);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    cycles_ = new QSpinBox(least);
    cycles_->setRange(1, 1000);
    cycles_->setValue(MinWindSearch{}.cycles);
    cycles_->setPrefix(QStringLiteral("over "));
    cycles_->setSuffix(QStringLiteral(" cycles"));
    cycles_->setToolTip(
        QStringLiteral("The window: the cycles after the first (settling) one over which the "
                       "mean energy gained per cycle is taken"));
    least_row_ = least_row;
    least_layout->addLayout(least_row);
    result_ = new QLabel(
        QStringLiteral("For each wind on a grid of factors on the reference wind: the mean energy "
                       "gained per cycle over the window (after a settling cycle) and whether the "
                       "bird survives it; the energy-neutral wind is the lowest wind at which the "
                       "pattern both gains on average and survives."),
        least);
    result_->setWordWrap(true);
    least_layout->addWidget(result_);

    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->setAlignment(Qt::AlignBottom);
    wind_axis_ = new QValueAxis;
    wind_axis_->setTitleText(QStringLiteral("wind at 10 m, m/s"));
    gain_axis_ = new QValueAxis;
    gain_axis_->setTitleText(QStringLiteral("mean gain per cycle, m"));
    chart->addAxis(wind_axis_, Qt::AlignBottom);
    chart->addAxis(gain_axis_, Qt::AlignLeft);
    zero_ = new QLineSeries;
    zero_->setName(QStringLiteral("no gain"));
    zero_->setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    survived_ = new QLineSeries;
    survived_->setName(QStringLiteral("survives the window"));
    survived_->setPointsVisible(true);
    failed_ = new QScatterSeries;
    failed_->setName(QStringLiteral("stalls or touches the sea"));
    failed_->setColor(QColor(200, 40, 40));
    failed_->setMarkerSize(6);
    neutral_ = new QScatterSeries;
    neutral_->setName(QStringLiteral("energy-neutral wind"));
    neutral_->setColor(QColor(20, 150, 40));
    neutral_->setMarkerSize(11);
    for (QXYSeries* series :
         std::initializer_list<QXYSeries*>{zero_, survived_, failed_, neutral_}) {
        chart->addSeries(series);
        series->attachAxis(wind_axis_);
        series->attachAxis(gain_axis_);
    }
    chart_view_ = new QChartView(chart, least);
    chart_view_->setMinimumHeight(220);
    chart_view_->setVisible(false);  // until a table is there to draw
    least_layout->addWidget(chart_view_);
    top->addWidget(least);

    auto* buttons = new QHBoxLayout;
    auto* defaults = new QPushButton(QStringLiteral("Defaults"), this);
    auto* save = new QPushButton(QStringLiteral("Save..."), this);
    auto* load = new QPushButton(QStringLiteral("Load..."), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    defaults->setToolTip(QStringLiteral("Every parameter back to its default, at the next OK."));
    save->setToolTip(QStringLiteral("Save these parameters as a parameter file (TOML)."));
    load->setToolTip(QStringLiteral("Read a parameter file; its values apply at the next OK."));
    close->setToolTip(QStringLiteral("Close the dialog (F3 opens it again)."));
    buttons->addWidget(defaults);
    buttons->addWidget(save);
    buttons->addWidget(load);
    buttons->addStretch(1);
    buttons->addWidget(close);
    top->addLayout(buttons);
    // Return in a box ends the edit; it must not also press a button.
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);

    ask_file = [this](bool saving) {
        const QString filter = QStringLiteral("Parameter files (*.toml);;All files (*)");
        // A name typed without ".toml" gets it, so the Load dialog shows the file.
        return saving
                   ? chosen_save_path(
                         QStringLiteral("params"),
                         QFileDialog::getSaveFileName(this, QStringLiteral("Save parameters"),
                                                      save_start(QStringLiteral("params"),
                                                                 QStringLiteral("parameters.toml")),
                                                      filter),
                         filter)
                   : QFileDialog::getOpenFileName(this, QStringLiteral("Load parameters"),
                                                  save_start(QStringLiteral("params"), QString()),
                                                  filter);
    };

    about_ = result_->text();
    connect(pattern_, &QComboBox::currentIndexChanged, this, [this] {
        show_values();
        // A least wind found for another pattern is not this one's.
        if (!searching()) forget_result();
    });
    // Nor is one found with other parameters (Defaults, Load, a preset, an edit).
    connect(&run_, &RunSignals::params_changed, this, [this] {
        if (!searching() && searched_ && set().of(searched_mode_) != *searched_) forget_result();
    });
    // Once OK has taken a change over, it no longer waits for the next OK.
    connect(&run_, &RunSignals::flight_set_up, this, [this] {
        if (message_->text().contains(QStringLiteral("at the next OK"))) say(QString());
    });
    connect(preset_, &QComboBox::activated, this, [this](int i) {
        choose_set(*preset_set(preset_->itemData(i).toString().toStdString()));
        show_values();
        say(QStringLiteral("Preset \"%1\" chosen; it applies at the next OK.")
                .arg(preset_->itemText(i)));
    });
    connect(defaults, &QPushButton::clicked, this, [this] {
        choose_set(ParamSet{});
        show_values();
        say(QStringLiteral("Default parameters chosen; they apply at the next OK."));
    });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = ask_file(true);
        if (!path.isEmpty()) save_to(path);
    });
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path = ask_file(false);
        if (!path.isEmpty()) load_from(path);
    });
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    connect(search_, &QPushButton::clicked, this, &ParamsDialog::start_search);
    connect(cancel_, &QPushButton::clicked, this, &ParamsDialog::cancel_search);

    listen_for_shortcut(&run_.window().window_widget());
    listen_for_shortcut(this);
    show_values();
    // As narrow as one column allows: wider, the names keep to one line, and
    // wider still the dialog takes two columns (resizeEvent), once each
    // column holds its longest name on one line beside its box, whichever
    // pattern's rows are shown.
    lay_out(1, false);
    wide_enough_ = top->minimumSize().width();
    const auto show_row = [](const Row& r, bool shown) {
        for (QWidget* w : {static_cast<QWidget*>(r.name), static_cast<QWidget*>(r.edit),
                           static_cast<QWidget*>(r.unit), static_cast<QWidget*>(r.fallback)})
            w->setHidden(!shown);
    };
    std::vector<bool> shown;
    for (const Row& r : rows_) shown.push_back(!r.name->isHidden());
    for (const Row& r : rows_) show_row(r, true);
    // Measured afresh each time: the layouts keep what they measured before.
    const auto least_width = [this, top](int columns) {
        lay_out(columns, true);
        for (QLayout* l : findChildren<QLayout*>()) l->invalidate();
        return top->minimumSize().width();
    };
    whole_names_need_ = least_width(1);
    two_columns_need_ = least_width(2);
    for (size_t i = 0; i < rows_.size(); ++i) show_row(rows_[i], shown[i]);
    lay_out(1, false);
    setMinimumWidth(wide_enough_);
}

void ParamsDialog::lay_out(int columns, bool whole_names) {
    if (columns == columns_ && whole_names == whole_names_) return;
    columns_ = columns;
    whole_names_ = whole_names;
    for (const Row& r : rows_) {
        const QFontMetrics fm = r.name->fontMetrics();
        const QString text = r.name->text();
        const int line = std::max(fm.horizontalAdvance(text),
                                  fm.boundingRect(QRect(0, 0, 10000, 100), 0, text).width());
        r.name->setMinimumWidth(whole_names ? line + 1 : 0);
    }
    // The pattern and the preset side by side, or the preset under the pattern.
    choose_->removeWidget(preset_label_);
    choose_->removeWidget(preset_);
    choose_->addWidget(preset_label_, columns == 2 ? 0 : 1, columns == 2 ? 2 : 0);
    choose_->addWidget(preset_, columns == 2 ? 0 : 1, columns == 2 ? 3 : 1);
    for (int c = 0; c < 5; ++c) choose_->setColumnStretch(c, c == 4 ? 1 : 0);
    for (QGroupBox* box : group_boxes_) groups_->removeWidget(box);
    for (size_t i = 0; i < group_boxes_.size(); ++i)
        groups_->addWidget(group_boxes_[i], columns == 2 ? int(i % 2) : int(i),
                           columns == 2 ? int(i / 2) : 0);
    // The room left over goes under the groups.
    for (int r = 0; r < 5; ++r) groups_->setRowStretch(r, r == (columns == 2 ? 2 : 4) ? 1 : 0);
    // The search's row: its progress beside the buttons, or under them.
    for (QWidget* w : {static_cast<QWidget*>(search_), static_cast<QWidget*>(cycles_),
                       static_cast<QWidget*>(cancel_), static_cast<QWidget*>(progress_)})
        least_row_->removeWidget(w);
    least_row_->addWidget(search_, 0, 0);
    least_row_->addWidget(cancel_, 0, 1);
    least_row_->addWidget(cycles_, columns == 2 ? 0 : 1, columns == 2 ? 2 : 0);
    least_row_->addWidget(progress_, columns == 2 ? 0 : 1, columns == 2 ? 3 : 1, 1,
                          columns == 2 ? 1 : 3);
    for (int c = 0; c < 4; ++c) least_row_->setColumnStretch(c, c == 3 ? 1 : 0);
}

void ParamsDialog::resizeEvent(QResizeEvent* event) {
    const int columns = width() >= two_columns_need_ ? 2 : 1;
    lay_out(columns, columns == 2 || width() >= whole_names_need_);
    QDialog::resizeEvent(event);
}

ParamsDialog::~ParamsDialog() {
    cancel_flag_ = true;
    if (worker_.joinable()) worker_.join();
    // QDialog's destructor hides the dialog, and the focused box's editingFinished
    // would then reach a dialog that is no longer whole.
    for (const Row& r : rows_) disconnect(r.edit, nullptr, this, nullptr);
}

QGroupBox* ParamsDialog::add_group(const QString& title, ParamGroup group) {
    auto* box = new QGroupBox(title, this);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(2);
    int r = 0;
    for (const ParamField& f : param_fields()) {
        if (f.group != group) continue;
        Row row{&f, new QLabel(QStringLiteral("%1 (%2)").arg(f.meaning, f.name), box),
                new QLineEdit(box), new QLabel(unit_text(f), box), new QLabel(box)};
        row.edit->setObjectName(QString::fromLatin1(f.name));
        // Wide enough for the longest text a value takes (nine digits, a sign
        // and an exponent, or the longest choice), never cut off.
        QString widest = QStringLiteral("-0.022222223");
        for (const char* const* c = f.choices; c && *c; ++c)
            if (std::strlen(*c) > size_t(widest.size())) widest = QString::fromLatin1(*c);
        const int least = row.edit->fontMetrics().horizontalAdvance(widest) +
                          row.edit->fontMetrics().averageCharWidth() * 2 + 8;
        row.edit->setMinimumWidth(least);
        row.edit->setMaximumWidth(std::max(110, least));
        // Names and defaults wrap in a narrow dialog.
        row.name->setWordWrap(true);
        row.fallback->setWordWrap(true);
        row.edit->setToolTip(QString::fromStdString(param_range_text(f)));
        row.name->setBuddy(row.edit);
        row.fallback->setEnabled(false);  // greyed: a reminder, not a value
        grid->addWidget(row.name, r, 0);
        grid->addWidget(row.edit, r, 1);
        grid->addWidget(row.unit, r, 2);
        grid->addWidget(row.fallback, r, 3);
        ++r;
        connect(row.edit, &QLineEdit::editingFinished, this, [this, row] { commit(row); });
        rows_.push_back(row);
    }
    return box;
}

void ParamsDialog::listen_for_shortcut(QWidget* w) {
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), w);
    connect(f3, &QShortcut::activated, this, &ParamsDialog::toggle);
}

void ParamsDialog::toggle() {
    if (isVisible() && isActiveWindow())
        hide();
    else
        open_for_main();
}

void ParamsDialog::open_for_main() {
    if (!isVisible()) set_pattern(schedule_of(run_.pattern()));
    show_values();
    show();
    raise();
    activateWindow();
}

Mode ParamsDialog::pattern() const {
    return Mode(pattern_->currentData().toInt());
}

void ParamsDialog::set_pattern(Mode mode) {
    const int i = pattern_->findData(int(schedule_of(mode)));
    if (i >= 0) pattern_->setCurrentIndex(i);
}

QLineEdit* ParamsDialog::field_edit(const char* name) const {
    for (const Row& r : rows_)
        if (std::string_view(r.field->name) == name) return r.edit;
    return nullptr;
}

QPushButton* ParamsDialog::button(const QString& text) const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

void ParamsDialog::show_values() {
    const Mode mode = pattern();
    const Params& p = set().of(mode);
    const Params fallback = ParamSet{}.of(mode);
    for (const Row& r : rows_) {
        const bool used = param_used(*r.field, mode);
        for (QWidget* w : {static_cast<QWidget*>(r.name), static_cast<QWidget*>(r.edit),
                           static_cast<QWidget*>(r.unit), static_cast<QWidget*>(r.fallback)})
            w->setVisible(used);
        const QString text = field_text(*r.field, p.*r.field->member);
        if (r.edit->text() != text) r.edit->setText(text);
        r.fallback->setText(
            QStringLiteral("default %1").arg(field_text(*r.field, fallback.*r.field->member)));
    }
    int preset = -1;
    for (int i = 0; i < preset_->count(); ++i)
        if (preset_set(preset_->itemData(i).toString().toStdString()) == set()) preset = i;
    preset_->setCurrentIndex(preset);
}

void ParamsDialog::commit(const Row& row) {
    const ParamField& f = *row.field;
    const Mode mode = pattern();
    const float old = set().of(mode).*f.member;
    const QString text = row.edit->text().trimmed();
    // The program's one reader of typed values: the point is the decimal sign;
    // a choice is typed by its name.
    const std::optional<double> typed = param_value(f, text.toStdString());
    const double v = typed.value_or(0.0);
    if (!typed || !param_in_range(f, v)) {
        row.edit->setText(field_text(f, old));
        say(QStringLiteral("\"%1\" refused: %2. The value stays %3.")
                .arg(text, QString::fromStdString(param_range_text(f)), field_text(f, old)),
            true);
        return;
    }
    if (float(v) == old) return;
    ParamSet chosen = set();
    set_param(chosen, mode, f, float(v));
    choose_set(chosen);
    show_values();
    const QString unit = f.choices ? QString() : unit_text(f);
    say(QStringLiteral("%1 set to %2%3; it applies at the next OK.")
            .arg(f.name, field_text(f, float(v)), unit.isEmpty() ? QString() : " " + unit));
}

void ParamsDialog::say(const QString& text, bool error) {
    message_->setText(text);
    message_->setStyleSheet(error ? QStringLiteral("color: #b00000;") : QString());
}

bool ParamsDialog::save_to(const QString& path) {
    const std::string error = save_param_file(path.toStdString(), set());
    if (!error.empty()) {
        say(QStringLiteral("The parameters were not saved to %1: %2")
                .arg(path, QString::fromStdString(error)),
            true);
        return false;
    }
    say(QStringLiteral("Parameters saved to %1.").arg(path));
    return true;
}

bool ParamsDialog::load_from(const QString& path) {
    const ParamFileRead r = load_param_file(path.toStdString());
    if (!r.set) {
        say(QStringLiteral("Nothing loaded, the parameters are unchanged: %1")
                .arg(QString::fromStdString(r.error)),
            true);
        return false;
    }
    choose_set(*r.set);
    show_values();
    say(QStringLiteral("Parameters loaded from %1; they apply at the next OK.").arg(path));
    return true;
}

void ParamsDialog::start_search() {
    if (searching()) return;
    MinWindSearch how;
    how.mode = pattern();
    how.cycles = cycles_->value();
    const Params p = set().of(how.mode);  // the trials fly a copy: edits go on meanwhile
    cancel_flag_ = false;
    search_->setEnabled(false);
    cancel_->setEnabled(true);
    progress_->setRange(0, 0);  // busy until the first trial reports
    result_->setText(QStringLiteral("Flying the %1 pattern over a grid of winds...")
                         .arg(pattern_name(how.mode).toLower()));
    worker_ = std::thread([this, p, how] {
        MinWindResult r;
        try {
            r = min_wind(p, how, &cancel_flag_, [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total] {
                        progress_->setRange(0, total);
                        progress_->setValue(done);
                    },
                    Qt::QueuedConnection);
            });
        } catch (const std::exception& e) {
            r = MinWindResult{};
            r.message = e.what();
        }
        // Queued to the dialog: dropped unread if the dialog is gone by then
        // (its destructor waits for this thread first).
        QMetaObject::invokeMethod(
            this, [this, r, how, p] { search_done(r, how, p); }, Qt::QueuedConnection);
    });
}

void ParamsDialog::forget_result() {
    searched_.reset();
    result_->setText(about_);
    chart_view_->setVisible(false);
}

void ParamsDialog::cancel_search() {
    if (!searching()) return;
    cancel_flag_ = true;
    cancel_->setEnabled(false);
    result_->setText(QStringLiteral("Cancelling..."));
}

void ParamsDialog::search_done(const MinWindResult& r, const MinWindSearch& how,
                               const Params& flown) {
    if (worker_.joinable()) worker_.join();
    search_->setEnabled(true);
    cancel_->setEnabled(false);
    progress_->setRange(0, 1);
    progress_->setValue(r.cancelled ? 0 : 1);
    const QString name = pattern_name(how.mode);
    searched_.reset();
    chart_view_->setVisible(false);
    if (r.cancelled) {
        result_->setText(QStringLiteral("%1: search cancelled.").arg(name));
        return;
    }
    if (set().of(how.mode) != flown) {
        result_->setText(QStringLiteral("%1: the parameters changed during the search, so its "
                                        "result is not theirs. Search again.")
                             .arg(name));
        return;
    }
    if (r.trials.empty()) {  // the search itself failed
        result_->setText(
            QStringLiteral("%1: no table (%2).").arg(name, QString::fromStdString(r.message)));
        return;
    }
    const int all = how.settle + how.cycles;
    const QString window = QStringLiteral("cycles %1 to %2").arg(how.settle + 1).arg(all);
    QString text;
    if (r.found) {
        text = QStringLiteral(
                   "%1: energy-neutral wind %2 m/s at 10 m (factor %3 on U_ref, "
                   "%4 m per cycle): the lowest wind of the table at which the "
                   "pattern gains on average over %5 and survives them.")
                   .arg(name)
                   .arg(r.least.U_10, 0, 'f', 3)
                   .arg(r.least.factor, 0, 'f', 4)
                   .arg(r.least.dE_cycle, 0, 'f', 4)
                   .arg(window);
    } else {
        text = QStringLiteral("%1: no energy-neutral wind: %2 (mean gain over %3).")
                   .arg(name, QString::fromStdString(r.message), window);
    }
    if (r.crossings.empty()) {
        text += QStringLiteral(" The mean gain does not change sign.");
    } else {
        QStringList each;
        for (const WindCrossing& c : r.crossings)
            each << QStringLiteral("%1 between %2 and %3 m/s")
                        .arg(c.rising ? QStringLiteral("loss to gain")
                                      : QStringLiteral("gain to loss"))
                        .arg(c.below.U_10, 0, 'f', 3)
                        .arg(c.above.U_10, 0, 'f', 3);
        text += QStringLiteral(" Zero crossings: %1.").arg(each.join(QStringLiteral("; ")));
    }
    result_->setText(text);
    searched_ = flown;
    searched_mode_ = how.mode;
    draw_table(r, how);
}

void ParamsDialog::draw_table(const MinWindResult& r, const MinWindSearch& how) {
    QList<QPointF> kept, lost;
    double lo = 0, hi = 0, wind = 0;
    for (const WindTrial& t : r.trials) {
        wind = std::max(wind, t.U_10);
        if (!t.measured) continue;  // no cycle of the window: no mean to draw
        (t.survived ? kept : lost).append(QPointF(t.U_10, t.dE_cycle));
        lo = std::min(lo, t.dE_cycle);
        hi = std::max(hi, t.dE_cycle);
    }
    survived_->replace(kept);
    failed_->replace(lost);
    neutral_->replace(r.found ? QList<QPointF>{QPointF(r.least.U_10, r.least.dE_cycle)}
                              : QList<QPointF>{});
    zero_->replace(QList<QPointF>{QPointF(0.0, 0.0), QPointF(wind, 0.0)});
    const double pad = 0.05 * std::max(hi - lo, 1e-3);
    wind_axis_->setRange(0.0, std::max(wind, 0.1));
    gain_axis_->setRange(lo - pad, hi + pad);
    wind_axis_->applyNiceNumbers();  // round ticks
    gain_axis_->applyNiceNumbers();
    chart_view_->chart()->setTitle(
        QStringLiteral("Mean energy gained per cycle over %1 cycles after a settling cycle")
            .arg(how.cycles));
    chart_view_->setVisible(true);
}

void ParamsDialog::hideEvent(QHideEvent* event) {
    // Closing the dialog ends its search; the result of a cancelled search is
    // of no use to anyone.
    if (searching() && !event->spontaneous()) cancel_search();
    QDialog::hideEvent(event);
}

}  // namespace soar
