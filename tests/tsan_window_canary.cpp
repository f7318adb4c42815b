// A race through the window's render thread on purpose: the GUI thread reads
// the picture the render thread is drawing, without waiting for it. Under
// ThreadSanitizer, with the Qt tests' suppressions and Qt's pool unwatched,
// this must be reported (the test expects the report), which shows that those
// measures leave a race of ours on the window's path in view.
#include <QtTest>
#include <memory>

#include "app/frame_renderer.h"
#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "qt/raster_surface.h"
#include "view/frame.h"

class RenderRaceCanary : public QObject {
    Q_OBJECT

    // The GUI thread's fault: the renderer's picture read while it is busy.
    static quint32 read_picture_while_drawn(const soar::RasterSurface& pic) {
        const QImage& im = pic.image();
        const auto* px = reinterpret_cast<const quint32*>(im.constBits());
        quint32 sum = 0;
        for (qsizetype i = 0; i < im.sizeInBytes() / 4; ++i) sum += px[i];
        return sum;
    }

  private slots:
    void reading_the_picture_being_drawn_is_reported() {
        soar::RasterSurface picture;
        soar::ManualClock clock;
        soar::MemoryTextFiles files;
        soar::Session run(picture, clock, files);
        run.start_up();
        run.set_check(soar::Id::ground_track_box, 1);
        run.set_check(soar::Id::air_track_box, 1);
        run.choose_pattern(soar::Mode::upwind);
        run.set_up_flight();
        clock.set(1000);
        run.start_flight();
        soar::Frame frame;
        for (int k = 1; k <= 50; ++k) {
            clock.set(float(1000 + (k - 1) * 0.02));
            run.advance_tick(frame);
        }
        soar::RasterSurface pic;
        soar::FrameRenderer renderer(pic);
        QVERIFY(renderer.start(frame, run.scene(), run.bird(), 1));
        const quint32 sum = read_picture_while_drawn(pic);  // no renderer.wait() first
        renderer.wait();
        QVERIFY(sum != 0);
    }
};

QTEST_MAIN(RenderRaceCanary)
#include "tsan_window_canary.moc"
