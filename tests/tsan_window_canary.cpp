// A race through the window's render thread on purpose: the GUI thread reads
// the picture the render thread is drawing, without waiting for it. Under
// ThreadSanitizer, with the Qt tests' suppressions and Qt's pool unwatched,
// this must be reported (the test expects the report), which shows that those
// measures leave a race of ours on the window's path in view.
#include <QtTest>
#include <memory>

#include "app/frame.h"
#include "app/frame_renderer.h"
#include "app/session.h"
#include "platform/qt/raster_surface.h"

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
        soar::Session run(std::make_unique<soar::RasterSurface>());
        run.start();
        soar::set_check(run.s, run.w, run.io, soar::Id::chk_groundtrack, 1);
        soar::set_check(run.s, run.w, run.io, soar::Id::chk_airtrack, 1);
        run.choose(soar::Mode::upwind);
        run.press_ok();
        run.press_fly(1000);
        soar::FrameInputs frame;
        for (int k = 1; k <= 50; ++k) {
            run.clock.set(float(1000 + (k - 1) * 0.02));
            soar::Tim_1_Timer_state_only(run.s, run.w, run.io, frame);
        }
        soar::RasterSurface pic;
        soar::FrameRenderer renderer(pic);
        QVERIFY(renderer.start(run.s, frame, 1));
        const quint32 sum = read_picture_while_drawn(pic);  // no renderer.wait() first
        renderer.wait();
        QVERIFY(sum != 0);
    }
};

QTEST_MAIN(RenderRaceCanary)
#include "tsan_window_canary.moc"
