// The "Flight data" window beside the main window: live read-outs and energy,
// strip charts of the flight, the table of completed cycles, pause and pace,
// and the data out (CSV, picture, charts, KML track). It only reads what the
// main window's flight leaves; it redraws at about 30 Hz, never per tick.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <vector>

#include "platform/qt/main_window.h"
#include "record/kml.h"

namespace soar {

class FlightDataWindow final : public QWidget {
    Q_OBJECT

  public:
    explicit FlightDataWindow(MainWindow& main, QWidget* parent = nullptr);

    // To the right of the main window where the screen has room, else over its right part.
    void place_beside_main();
    // F2: shown or hidden.
    void toggle();
    // Brings everything up to date with the flight (the refresh timer calls it).
    void update_now();

    // The exports; each returns false and says why in `error` when nothing was saved.
    bool save_csv(const QString& path, QString& error);
    bool save_picture(const QString& path, QString& error);
    bool save_charts(const QString& path, QString& error);  // .svg or else PNG
    bool save_kml(const QString& path, QString& error);

    KmlPlace& place() { return place_; }
    QWidget* charts() const { return charts_; }
    QTableWidget* cycle_table() const { return table_; }
    QLabel* pace_label() const { return pace_; }
    QLabel* verdict_label() const { return verdict_; }
    QLabel* summary_label() const { return summary_; }
    QComboBox* span_box() const { return span_; }
    QLabel* readout(const QString& name) const;
    // The points a chart's series shows now.
    const QLineSeries* series(int chart, int index) const;
    QLabel* params_legend_label() const { return params_legend_; }

  signals:
    // The menu bar's "Parameters... (F3)": the Parameters dialog is wanted.
    void parameters_wanted();

  private:
    struct Strip {
        QChart* chart;
        QChartView* view;
        QValueAxis *x, *y;
        std::vector<std::pair<Column, QLineSeries*>> lines;
    };
    void build_menu();
    Strip& add_strip(const QString& title, const QString& unit,
                     const std::vector<std::pair<Column, QString>>& lines);
    void update_readouts();
    void update_charts();
    void update_table();
    void ask_and_save(const QString& what, const QString& filter,
                      bool (FlightDataWindow::*save)(const QString&, QString&));
    bool ask_place();

    MainWindow& main_;
    QTimer refresh_;
    KmlPlace place_;
    QString note_;  // what the last save did
    QLabel *pace_ = nullptr, *verdict_ = nullptr, *summary_ = nullptr, *params_legend_ = nullptr;
    QPushButton* pause_ = nullptr;
    QComboBox* span_ = nullptr;
    QWidget* charts_ = nullptr;
    QTableWidget* table_ = nullptr;
    std::vector<std::pair<QString, QLabel*>> readouts_;
    std::vector<Strip> strips_;
    size_t drawn_samples_ = size_t(-1);
    int drawn_span_ = -1;
    int shown_rows_ = -1;
};

}  // namespace soar
