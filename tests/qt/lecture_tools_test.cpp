// The Flight data window's View menu: colours and arrows reach the picture,
// stills for slides at a chosen size (PNG, SVG), and "Record video" of the
// window's flight, written whole or, cancelled, not at all. Offscreen platform.
#include "qt/lecture_tools.h"

#include <QFile>
#include <QMenuBar>
#include <QtTest>
#include <memory>

#include "decoded_video.h"
#include "open_windows.h"
#include "video/video_encoder.h"

using soar::Id;
using soar::TrackColour;

class LectureToolsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<soar::MainWindow> main_;
    std::unique_ptr<soar::FlightDataWindow> data_;
    QTemporaryDir dir_;

    soar::LectureTools& tools() { return *data_->lecture_tools(); }
    QAction* action(const QString& text) {
        for (QMenu* m : data_->findChildren<QMenu*>())
            if (m->title() == QStringLiteral("&View"))
                for (QAction* a : m->actions())
                    if (a->text().remove(QLatin1Char('&')).contains(text)) return a;
        return nullptr;
    }
    // Upwind, OK, FLY on the machine's clock, until `seconds` of flight.
    void fly(double seconds) {
        QTest::mouseClick(main_->widget(Id::upwind_option), Qt::LeftButton);
        QTest::mouseClick(main_->widget(Id::ok_button), Qt::LeftButton);
        QTest::mouseClick(main_->widget(Id::fly_button), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(main_->state().t >= seconds, 20000);
        QTest::mouseClick(main_->widget(Id::stop_button), Qt::LeftButton);
    }

  private slots:
    void init() {
        QVERIFY(open_main_and_flight_data(main_, data_));
        tools().set_video_opener(soar::open_mp4);
    }
    void cleanup() {
        data_.reset();
        main_.reset();
    }

    void the_view_menu_sets_what_the_picture_explains() {
        QAction* energy = action(QStringLiteral("energy rate"));
        QAction* arrows = action(QStringLiteral("Arrows at the bird"));
        QVERIFY(energy && arrows && action(QStringLiteral("Record video")) &&
                action(QStringLiteral("slides")));
        energy->trigger();
        arrows->trigger();
        QCOMPARE(main_->session().track_colour(), TrackColour::energy);
        QVERIFY(main_->session().arrows());
        fly(1.0);
        // The stopped flight's picture shows the colour bar (its warm end) and
        // the arrows; plain again, it has neither.
        const auto has = [&](QRgb c) {
            const QImage& img = main_->picture().image();
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if ((img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF)) return true;
            return false;
        };
        QVERIFY(has(qRgb(185, 0, 0)));
        QVERIFY(has(qRgb(255, 0, 255)));
        action(QStringLiteral("Air track plain"))->trigger();
        arrows->trigger();
        // Set from elsewhere, the menu shows it.
        tools().set_track_colour(TrackColour::height);
        QVERIFY(action(QStringLiteral("by height"))->isChecked());
        tools().set_track_colour(TrackColour::plain);
        QVERIFY(!has(qRgb(185, 0, 0)));
        QVERIFY(!has(qRgb(255, 0, 255)));
    }

    // Coloured by its energy rate after it stopped, a flight flown plain shows
    // its track coloured and a colour bar scaled to its own rates (metres per
    // second), not a bar of +-0.1 m/s over a plain track.
    void a_stopped_flight_coloured_afterwards_is_coloured_all_along() {
        fly(4.0);
        QCOMPARE(main_->session().track_colour(), TrackColour::plain);
        // Warm track pixels left of the colour bar (the wind figure's dark red aside).
        const auto warm_track = [&] {
            const QImage& img = main_->picture().image();
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width() * 3 / 4; ++x) {
                    const QColor c = img.pixelColor(x, y);
                    n += c.red() > c.blue() + 40 && c.rgb() != qRgb(128, 0, 0);
                }
            return n;
        };
        const int plain = warm_track();
        action(QStringLiteral("energy rate"))->trigger();
        const soar::ColourScale scale = main_->session().frame_now().colours;
        QCOMPARE(scale.by, TrackColour::energy);
        QVERIFY2(scale.hi >= 1.0f, qPrintable(QString::number(scale.hi)));
        QVERIFY2(warm_track() > plain + 30, qPrintable(QString::number(plain)));
    }

    void a_still_is_drawn_afresh_at_the_size_chosen() {
        tools().set_track_colour(TrackColour::height);
        tools().set_arrows(true);
        fly(1.0);
        QString error;
        const QString png = dir_.filePath(QStringLiteral("slide.png"));
        QVERIFY2(tools().save_still(png, 1600, 900, error), qPrintable(error));
        const QImage still(png);
        QCOMPARE(still.size(), QSize(1600, 900));
        const QString svg = dir_.filePath(QStringLiteral("slide.svg"));
        QVERIFY2(tools().save_still(svg, 1600, 900, error), qPrintable(error));
        QFile f(svg);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("<svg"));
        QVERIFY(text.contains("height Z"));               // the colour bar's title as text
        QVERIFY(text.contains("velocity over the sea"));  // the legend
        QVERIFY(text.contains("<polyline") || text.contains("<path"));  // lines as lines
        QVERIFY(
            !tools().save_still(dir_.filePath(QStringLiteral("no/such/x.png")), 800, 600, error));
        QVERIFY(!error.isEmpty());
    }

    void record_video_writes_the_flight_or_nothing() {
        fly(1.2);
        soar::VideoRequest r;
        r.from_s = 0.5, r.to_s = 1.0, r.fps = 30, r.width = 160, r.height = 120;
        const QString mp4 = dir_.filePath(QStringLiteral("flight.mp4"));
        QString error;
        QVERIFY2(tools().start_video(mp4, r, error), qPrintable(error));
        QVERIFY(tools().progress_dialog() != nullptr);
        tools().wait_video();
        QVERIFY2(tools().last_report().startsWith(QStringLiteral("Video written")),
                 qPrintable(tools().last_report()));
        const DecodedVideo v = decode_video(mp4.toStdString());
        QVERIFY(v.ok);
        QCOMPARE(v.count, 16L);  // frames at 15/30 .. 30/30 s
        QCOMPARE(v.width, 160);

        const QString cancelled = dir_.filePath(QStringLiteral("cancelled.mp4"));
        r.from_s = 0.0;
        QVERIFY(tools().start_video(cancelled, r, error));
        tools().cancel_video();
        tools().wait_video();
        QVERIFY2(tools().last_report().contains(QStringLiteral("cancelled")),
                 qPrintable(tools().last_report()));
        QVERIFY(!QFile::exists(cancelled));
    }
};

QTEST_MAIN(LectureToolsTest)
#include "lecture_tools_test.moc"
