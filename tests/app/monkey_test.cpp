// A seeded monkey on the window model: random clicks on every control (hidden
// and disabled ones ignore them), random text in the boxes a user can type in,
// and timer ticks on a manual clock, with the window's rules checked after every
// event. The rules checked:
//   - the timer runs only from an accepted FLY to a STOP, an "OK", END or a
//     fault; a fault stop always leaves a message, a stop the user asked for none;
//   - every text box holds a finite number (typed junk reads as its leading
//     number), and a box the program wrote holds the program's own text of a
//     finite number (never "NaN" or "Infinity");
//   - the controls no action shows stay hidden; "OK", "STOP" and "END" stay shown;
//   - in the fixed view FLY and the track boxes are hidden;
//   - during a flight the fixed-view option and the unselected patterns are hidden;
//   - once a moving view has been chosen, "<" and ">" stay hidden.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "app/session.h"
#include "headless/recording_surface.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "platform/number_text.h"

namespace soar {
namespace {

// SplitMix64: the same sequence on every platform and standard library.
struct Rng {
    uint64_t x;
    uint64_t next() {
        uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % uint64_t(n)); }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
};

struct Program {
    RecordingSurface pic{833, 667, false};
    ManualClock clock;
    MemoryTextFiles files;
    Session session{pic, clock, files};
    Window& w = session.window();
    bool flying = false, moving_chosen = false;
    Program() { session.start_up(); }
};

std::string random_text(Rng& r) {
    static const char* const kOdd[] = {"1e999", "-1e39",     "4e38",  "3.4e38", "nan",  "NaN",
                                       "inf",   "-Infinity", "12abc", "abc",    "",     "-",
                                       ".",     "1e",        "1d5",   "  7",    "0x10", "1,5",
                                       "-0",    "1e-999",    "2.5",   "3.5",    "-3",   "57"};
    switch (r.below(4)) {
        case 0:
            return kOdd[r.below(int(std::size(kOdd)))];
        case 1:  // an ordinary number, sometimes large
            return float_text(float((r.unit() - 0.5) * std::pow(10.0, r.below(12) - 3)));
        case 2: {  // digits of any length, with or without an exponent
            std::string t = r.below(2) ? "-" : "";
            for (int i = r.below(60) + 1; i > 0; --i) t += char('0' + r.below(10));
            if (r.below(2)) {
                t += 'e';
                t += std::to_string(r.below(80) - 40);
            }
            return t;
        }
        default: {  // junk
            std::string t;
            for (int i = r.below(12); i > 0; --i) t += char(32 + r.below(95));
            return t;
        }
    }
}

bool program_number(const std::string& t) {
    const float v = float(text_value(t));
    return std::isfinite(v) && float_text(v) == t;
}

TEST(Monkey, WindowRulesHoldOverRandomEvents) {
    const int kEvents = 100000;
    Rng rng{20261208};
    auto p = std::make_unique<Program>();
    double clock = 43000.0;
    int flights = 0, fault_stops = 0, refusals = 0, restarts = 0, ticks = 0;
    const Id never_shown[] = {Id::grid_box,       Id::write_files_box, Id::profile_option,
                              Id::draw_button,    Id::reset_button,    Id::depression_box,
                              Id::azimuth_box,    Id::observer_x_box,  Id::observer_y_box,
                              Id::observer_z_box, Id::step_box,        Id::calc_box,
                              Id::bird_scale_box, Id::step_label,      Id::bird_scale_label};
    const Id patterns[] = {Id::upwind_option, Id::downwind_option, Id::crosswind_option,
                           Id::circle_zoom_option};
    const Id typed_boxes[] = {Id::roll_box,       Id::pitch_box,      Id::yaw_box,
                              Id::bird_scale_box, Id::step_box,       Id::observer_x_box,
                              Id::observer_y_box, Id::observer_z_box, Id::calc_box};

    for (int e = 0; e < kEvents; ++e) {
        Program& q = *p;
        std::string before[kControlCount];
        for (int i = 0; i < kControlCount; ++i) before[i] = q.w.controls[size_t(i)].text;
        const bool was_on = q.session.flying();
        const int kind = rng.below(100);
        Id clicked = Id::count_;
        bool edited = false;
        if (kind < 50) {
            // A timer event; the view delivers none while the timer is off.
            const int jump = rng.below(1000);
            clock += jump < 5 ? 0.5 + 30.0 * rng.unit() : 0.05 * rng.unit();
            if (clock >= 86400.0) clock -= 86400.0;
            if (q.session.flying()) {
                q.clock.set(float(clock));
                q.session.advance_tick();
                ++ticks;
            }
        } else if (kind < 85) {
            // Some clicks go to the run's controls, so that flights start often;
            // END only now and then, so that flights last.
            const Id run[] = {Id::ok_button, Id::fly_button, Id::fly_button,
                              patterns[rng.below(4)]};
            clicked = rng.below(3) == 0 ? run[rng.below(4)] : Id(rng.below(kControlCount));
            if (clicked == Id::end_button && rng.below(20) != 0) clicked = Id::zoom_in_button;
            const bool accepted = visible(q.w, clicked) && control(q.w, clicked).enabled;
            q.clock.set(float(clock));
            q.session.click(clicked);
            if (!accepted) clicked = Id::count_;
        } else {
            const Id box = typed_boxes[rng.below(int(std::size(typed_boxes)))];
            const std::string t = random_text(rng);
            q.session.edit_text(box, t);
            edited = true;
            if (!std::isfinite(float(text_value(t)))) {
                ++refusals;
                ASSERT_EQ(text(q.w, box), before[int(box)]) << t;
                ASSERT_FALSE(q.w.message.empty()) << t;
                q.w.message.clear();
            } else {
                ASSERT_EQ(text(q.w, box), t);
            }
        }

        // The timer: on only from FLY to a stop.
        if (clicked == Id::fly_button && !was_on) q.flying = true, ++flights;
        if (clicked == Id::stop_button || clicked == Id::ok_button || clicked == Id::end_button)
            q.flying = false;
        if (clicked != Id::count_ && clicked != Id::fixed_option &&
            control(q.w, clicked).kind == Kind::option)
            q.moving_chosen = true;
        if (kind < 50 && was_on && !q.session.flying()) {
            ASSERT_NE(q.w.message.find("The flight was stopped"), std::string::npos)
                << "event " << e << ": " << q.w.message;
            q.flying = false;
            q.w.message.clear();
            ++fault_stops;
        }
        ASSERT_EQ(q.session.flying(), q.flying) << "event " << e;
        ASSERT_TRUE(q.w.message.empty()) << "event " << e << ": " << q.w.message;
        q.w.message.clear();

        // The read-outs.
        for (const Control& c : q.w.controls) {
            if (c.kind != Kind::text) continue;
            ASSERT_TRUE(std::isfinite(float(text_value(c.text)))) << c.name << " " << c.text;
            const bool written = !edited && c.text != before[int(c.id)];
            if (written || !c.enabled) {
                ASSERT_TRUE(c.text.empty() || program_number(c.text))
                    << "event " << e << ": " << c.name << " \"" << c.text << "\"";
            }
        }

        // Visibility.
        for (Id id : never_shown) ASSERT_FALSE(visible(q.w, id)) << control(q.w, id).name;
        for (Id id : {Id::ok_button, Id::stop_button, Id::end_button})
            ASSERT_TRUE(visible(q.w, id)) << control(q.w, id).name;
        if (selected(q.w, Id::fixed_option)) {
            ASSERT_FALSE(visible(q.w, Id::fly_button)) << "event " << e;
            ASSERT_FALSE(visible(q.w, Id::air_track_box)) << "event " << e;
            ASSERT_FALSE(visible(q.w, Id::ground_track_box)) << "event " << e;
        }
        if (q.session.flying()) {
            ASSERT_FALSE(visible(q.w, Id::fixed_option)) << "event " << e;
            for (Id id : patterns) {
                ASSERT_TRUE(selected(q.w, id) || !visible(q.w, id)) << "event " << e;
            }
        }
        if (q.moving_chosen) {
            ASSERT_FALSE(visible(q.w, Id::pan_left_button));
            ASSERT_FALSE(visible(q.w, Id::pan_right_button));
        }

        if (q.w.ended) {
            ASSERT_FALSE(q.session.flying());
            p = std::make_unique<Program>();
            ++restarts;
        }
    }
    // The run reached every kind of event it is meant to check.
    EXPECT_GT(flights, 50);
    EXPECT_GT(ticks, 1000);
    EXPECT_GT(fault_stops, 5);
    EXPECT_GT(refusals, 100);
    EXPECT_GT(restarts, 5);
    std::printf("%d events: %d flights, %d ticks, %d fault stops, %d refused texts, %d restarts\n",
                kEvents, flights, ticks, fault_stops, refusals, restarts);
}

}  // namespace
}  // namespace soar
