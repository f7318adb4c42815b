// A headless program for session tests: a recording picture, a manual clock and
// in-memory export files around a session, started as the window starts.
#pragma once

#include <string>

#include "app/session.h"
#include "headless/recording_surface.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"

namespace soar::test {

struct Program {
    RecordingSurface pic;
    ManualClock clock;
    MemoryTextFiles files;
    Session session{pic, clock, files};
    Window& w = session.window();
    RunModel& m = session.model();
    // The bird's state as the picture and the read-outs show it.
    const FlightState& s = session.flight_state();

    Program() { session.start_up(); }
    const BirdPose& pose() const { return session.pose(); }
    const Camera& camera() const { return session.camera(); }
    void press(Id id) { session.click(id); }
    void type(Id id, const std::string& text) { session.edit_text(id, text); }
    void tick_at(float clock_reading) {
        clock.set(clock_reading);
        session.advance_tick();
    }
    // "Upwind" (or another pattern), "OK", "FLY" at `start`, then `ticks` ticks `dt` apart.
    void fly(Id option, int ticks, double dt, double start = 0.0) {
        press(option);
        press(Id::ok_button);
        clock.set(float(start));
        press(Id::fly_button);
        for (int k = 1; k <= ticks; ++k) tick_at(float(start + (k - 1) * dt));
    }
    int count(Primitive::Op op) const {
        int n = 0;
        for (const Primitive& p : pic.primitives()) n += p.op == op;
        return n;
    }
};

// A session as the command line runs one: started, the pattern chosen, "OK",
// "FLY" at clock reading `start`; then tick() at each reading.
struct Run {
    explicit Run(bool keep_picture = true) : pic(833, 667, keep_picture) { session.start_up(); }
    void start(Mode mode, double clock_start) {
        session.choose_pattern(mode);
        session.set_up_flight();
        clock.set(float(clock_start));
        session.start_flight();
    }
    // One timer event at `reading`; false when the flight is not (or no longer) flying.
    bool tick(float reading) {
        if (!session.flying()) return false;
        clock.set(reading);
        session.advance_tick();
        return session.flying();
    }
    // The same without drawing the picture (its inputs are kept and dropped).
    bool tick_unseen(float reading) {
        if (!session.flying()) return false;
        clock.set(reading);
        Frame frame;
        session.advance_tick(frame);
        return session.flying();
    }
    RecordingSurface pic;
    ManualClock clock;
    MemoryTextFiles files;
    Session session{pic, clock, files};
};

}  // namespace soar::test
