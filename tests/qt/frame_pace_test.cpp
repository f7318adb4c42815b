// Pictures drawn only when a frame is due must be the very pictures that a
// redraw of every tick draws: raster images compared bit for bit, in every
// flying pattern and view, grid on and off, at several ticks of each flight.
#include <QAbstractButton>
#include <QImage>
#include <QtTest>
#include <map>
#include <memory>
#include <thread>

#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/main_window.h"
#include "qt/raster_surface.h"
#include "view/frame.h"

using soar::Id;
using soar::Mode;

Q_DECLARE_METATYPE(soar::Mode)
Q_DECLARE_METATYPE(soar::Id)

namespace {

constexpr double kDt = 0.02;       // s of clock per tick
constexpr float kStart = 1000;     // clock at FLY
constexpr int kNeverMs = 1 << 30;  // a timer interval no test lives to see

// A flight on a raster picture, set up and started as the window starts one.
struct Flying {
    Flying(int width, int height) : pic(width, height) {}
    soar::RasterSurface pic;
    soar::ManualClock clock;
    soar::MemoryTextFiles files;
    soar::Session session{pic, clock, files};
    const soar::FlightState& s = session.flight_state();
    bool tick(float reading) {
        clock.set(reading);
        session.advance_tick();
        return session.flying();
    }
};

std::unique_ptr<Flying> flight(Mode mode, bool grid, QSize size) {
    auto run = std::make_unique<Flying>(size.width(), size.height());
    run->session.start_up();
    run->session.set_check(Id::grid_box, grid ? 1 : 0);
    run->session.set_check(Id::ground_track_box, 1);
    run->session.set_check(Id::air_track_box, 1);
    run->session.choose_pattern(mode);
    run->session.set_up_flight();
    run->clock.set(kStart);
    run->session.start_flight();
    return run;
}

const QImage& image_of(const Flying& run) {
    return run.pic.image();
}

}  // namespace

class FramePace : public QObject {
    Q_OBJECT

  private slots:
    void frame_equals_the_full_redraw_of_its_tick_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<bool>("grid");
        const struct {
            const char* name;
            Mode mode;
        } modes[] = {{"upwind", Mode::upwind},
                     {"downwind", Mode::downwind},
                     {"crosswind", Mode::crosswind},
                     {"circlezoom", Mode::circlezoom},
                     {"profile", Mode::profile}};
        for (const auto& m : modes) {
            QTest::newRow((std::string(m.name) + " grid").c_str()) << m.mode << true;
            QTest::newRow((std::string(m.name) + " no grid").c_str()) << m.mode << false;
        }
    }

    void frame_equals_the_full_redraw_of_its_tick() {
        QFETCH(Mode, mode);
        QFETCH(bool, grid);
        const QSize size(soar::RasterSurface::kDefaultWidth, soar::RasterSurface::kDefaultHeight);
        auto full = flight(mode, grid, size);   // draws every tick
        auto paced = flight(mode, grid, size);  // draws only the ticks below
        soar::Frame frame;
        const int drawn[] = {1, 2, 3, 57, 250, 600};
        int next = 0;
        for (int k = 1; k <= 600; ++k) {
            const float clock = float(kStart + (k - 1) * kDt);
            QVERIFY(full->tick(clock));
            paced->clock.set(clock);
            paced->session.advance_tick(frame);
            // The state work alone leaves the state the full redraw leaves.
            QCOMPARE(paced->session.camera().x_eye, full->session.camera().x_eye);
            QCOMPARE(paced->session.camera().depression_deg, full->session.camera().depression_deg);
            QCOMPARE(paced->session.scene().tracks.n, full->session.scene().tracks.n);
            QCOMPARE(soar::text(paced->session.window(), Id::azimuth_box),
                     soar::text(full->session.window(), Id::azimuth_box));
            if (k != drawn[next]) continue;
            ++next;
            paced->session.draw(frame, paced->pic);
            QVERIFY2(image_of(*paced) == image_of(*full), qPrintable(QString("tick %1").arg(k)));
        }
        // A picture is drawn the same after later ticks have moved the bird on
        // (as a flight stopped by a fault shows its last complete tick).
        paced->clock.set(float(kStart + 600 * kDt));
        soar::Frame later;
        paced->session.advance_tick(later);
        QVERIFY(paced->session.flying());
        QVERIFY(paced->s.X != full->s.X || paced->s.Z != full->s.Z);
        paced->session.draw(frame, paced->pic);
        QVERIFY(image_of(*paced) == image_of(*full));
    }

    // The window draws at the screen's pace; STOP finds the picture of the last
    // tick, whether or not a frame was due at that tick.
    // "in turn": each picture is collected at the tick after its hand-off and the
    // next one handed off at once, so every picture follows a collected one.
    // "on screen": the picture is read from the picture box as it paints, while
    // the window goes on as it would (a picture taken from the thread is copied
    // into the window's own by a later tick); the other rows read the window's
    // picture at once, and its scale at every tick.
    void pictures_from_the_render_thread_are_those_of_their_ticks_data() {
        QTest::addColumn<Id>("pattern");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<bool>("in_turn");
        QTest::addColumn<bool>("on_screen");
        QTest::newRow("upwind, as they come")
            << Id::upwind_option << Mode::upwind << false << false;
        QTest::newRow("upwind, in turn") << Id::upwind_option << Mode::upwind << true << false;
        QTest::newRow("circle zoom, in turn")
            << Id::circle_zoom_option << Mode::circlezoom << true << false;
        QTest::newRow("circle zoom, on screen")
            << Id::circle_zoom_option << Mode::circlezoom << false << true;
    }
    void pictures_from_the_render_thread_are_those_of_their_ticks();
    void stop_shows_the_last_ticks_picture() {
        auto clock_owned = std::make_unique<soar::ManualClock>(kStart);
        soar::ManualClock& clock = *clock_owned;
        soar::MainWindow win(std::move(clock_owned));
        win.start();
        win.show();
        QVERIFY(QTest::qWaitForWindowExposed(&win));
        auto press = [&](Id id) {
            QTest::mouseClick(win.widget(id), Qt::LeftButton, {}, win.widget(id)->rect().center());
        };
        press(Id::circle_zoom_option);
        press(Id::ok_button);
        press(Id::fly_button);
        QVERIFY(win.session().flying());
        // Its own timer must not tick in between: the test ticks it.
        // Its interval: days, so that however slow the machine the window's own
        // timer never adds a tick of its own (with the clock standing still).
        win.set_timer_interval_ms(kNeverMs);
        win.refresh();
        const QSize size = win.picture().image().size();
        auto full = flight(Mode::circlezoom, false, size);
        for (int k = 1; k <= 300; ++k) {
            const float t = float(kStart + (k - 1) * kDt);
            clock.set(t);
            win.tick_without_picture();
            QVERIFY(full->tick(t));
        }
        QVERIFY(win.picture().image() != image_of(*full));  // nothing drawn yet
        press(Id::stop_button);
        QVERIFY(!win.session().flying());
        QVERIFY(win.picture().image() == image_of(*full));
    }
};

// The render thread's pictures, shown while the flight goes on, are the pictures
// of their ticks: each one shown is compared (by a hash of its pixels) with the
// redraw of every tick at the same tick.
void FramePace::pictures_from_the_render_thread_are_those_of_their_ticks() {
    QFETCH(Id, pattern);
    QFETCH(Mode, mode);
    QFETCH(bool, in_turn);
    QFETCH(bool, on_screen);
    auto clock_owned = std::make_unique<soar::ManualClock>(kStart);
    soar::ManualClock& clock = *clock_owned;
    soar::MainWindow win(std::move(clock_owned));
    QVERIFY(win.render_thread());
    win.start();
    win.show();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    auto press = [&](Id id) {
        QTest::mouseClick(win.widget(id), Qt::LeftButton, {}, win.widget(id)->rect().center());
    };
    press(Id::ground_track_box);
    press(Id::air_track_box);
    press(pattern);
    press(Id::ok_button);
    press(Id::fly_button);
    win.set_timer_interval_ms(kNeverMs);  // the test ticks it
    win.refresh();
    win.set_frame_interval_ms(0);  // a new picture as soon as the last is done

    // The same flight redrawn at every tick, flown alongside.
    const QSize size = win.picture().image().size();
    auto full_flight = flight(mode, false, size);
    Flying& full = *full_flight;

    const auto hash = [](const QImage& im) {
        return qHashBits(im.constBits(), size_t(im.sizeInBytes()));
    };
    std::vector<size_t> full_hash(1);  // [tick]: the hash of the full redraw's picture
    std::map<int64_t, size_t> shown;   // tick -> hash of the picture shown for it
    const int64_t frames0 = win.frames_drawn();
    bool last_changed = false;
    // Until 60 pictures have come back, or `ticks`; on a machine so busy that
    // the render thread has had no turn, on (giving it turns) until 3 have.
    const int ticks = in_turn ? 400 : 3000;
    for (int k = 1; (k <= ticks && shown.size() < 60) || (k <= 20000 && shown.size() < 3); ++k) {
        if (k > ticks) std::this_thread::yield();
        const float t = float(kStart + (k - 1) * kDt);
        clock.set(t);
        const int64_t before = win.shown_tick();
        win.tick_once();
        QVERIFY(win.session().flying());
        QVERIFY(full.tick(t));
        full_hash.push_back(hash(image_of(full)));
        if (!on_screen) {
            // Taking a finished picture must not take its older view's scale
            // with it: the next tick's picture is drawn at the scale this one left.
            const soar::ScaleSetting a = win.picture().scale_setting(),
                                     b = full.pic.scale_setting();
            QVERIFY2(a.left == b.left && a.top == b.top && a.right == b.right &&
                         a.bottom == b.bottom && a.refused == b.refused,
                     qPrintable(QString("tick %1").arg(k)));
        }
        if (in_turn) win.finish_render();
        const bool changed = win.shown_tick() != before && win.shown_tick() > 0;
        if (on_screen && (changed || last_changed)) {
            // A picture as it is painted, and again a tick later, once copied.
            const size_t h = hash(
                win.widget(Id::picture)->grab().toImage().convertToFormat(QImage::Format_RGB32));
            if (changed)
                shown[win.shown_tick()] = h;
            else
                QVERIFY2(h == shown[win.shown_tick()], qPrintable(QString("tick %1").arg(k)));
        } else if (changed) {
            shown[win.shown_tick()] = hash(win.picture().image());
        }
        last_changed = changed;
    }
    QVERIFY(win.frames_drawn() > frames0);
    QVERIFY(shown.size() >= 3);
    if (on_screen) {
        // The flight stopped: the picture of its last tick, drawn over the
        // window's copy of the last one shown.
        QTest::mouseClick(win.widget(Id::stop_button), Qt::LeftButton, {},
                          win.widget(Id::stop_button)->rect().center());
        QVERIFY(hash(win.picture().image()) == full_hash.back());
    }
    for (const auto& [tick, h] : shown) {
        QVERIFY(tick < int64_t(full_hash.size()));
        QVERIFY2(h == full_hash[size_t(tick)], qPrintable(QString("tick %1").arg(tick)));
    }
}

QTEST_MAIN(FramePace)
#include "frame_pace_test.moc"
