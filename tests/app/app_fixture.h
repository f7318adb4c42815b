// A headless program for handler tests: state, window model, a recording picture,
// a manual clock and in-memory export files, started as the window starts.
#pragma once

#include "app/app.h"
#include "platform/headless/dir_text_files.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/recording_surface.h"

namespace soar::test {

struct Program {
    RecordingSurface pic;
    ManualClock clock;
    MemoryTextFiles files;
    Io io{pic, clock, files};
    State s;
    Window w = make_window();

    Program() { Form_Load(s, w, io); }
    void press(Id id) { click(s, w, io, id); }
    void type(Id id, const std::string& text) { edit_text(s, w, io, id, text); }
    void tick_at(float clock_reading) {
        clock.set(clock_reading);
        Tim_1_Timer(s, w, io);
    }
    // "Upwind" (or another pattern), "OK", "FLY" at `start`, then `ticks` ticks `dt` apart.
    void fly(Id option, int ticks, double dt, double start = 0.0) {
        press(option);
        press(Id::cmd_setup);
        clock.set(float(start));
        press(Id::cmd_RESUME);
        for (int k = 1; k <= ticks; ++k) tick_at(float(start + (k - 1) * dt));
    }
    int count(Primitive::Op op) const {
        int n = 0;
        for (const Primitive& p : pic.primitives()) n += p.op == op;
        return n;
    }
};

}  // namespace soar::test
