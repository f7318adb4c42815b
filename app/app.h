// The application shell: the window model (window.h), its event handlers, the
// start-up, run control and the animation tick. Everything here runs headless;
// the Qt window and the command line call the very same entry points below.
//
//   window.h          controls of the main window, as a toolkit-free model
//   startup.cpp       Form_Load
//   run_control.cpp   FLY, STOP, END, the timer interval box
//   tick.cpp          Tim_1_Timer: one animation tick
//   redraw.cpp        the scene redraw of each tick
//   setup.cpp         "OK" and "DRAW"
//   view_handlers.cpp option clicks, zoom, pan, reset, track and write boxes
//   events.cpp        click() and edit_text(): what a user's action does
#pragma once

#include <string>

#include "app/flight_clock.h"
#include "app/window.h"
#include "platform/clock.h"
#include "platform/surface.h"
#include "platform/text_files.h"
#include "record/flight_record.h"
#include "sim/state.h"

namespace soar {

struct LoopFlight;

// What the handlers reach outside the program.
struct Io {
    Surface& pic;      // pic(i_pic), the picture box
    Clock& clock;      // seconds since midnight
    TextFiles& files;  // the geometry export
    // Pause and pace (`clock` is then this flight clock) and the record of the
    // flight for the Flight data window; without them neither exists.
    FlightClock* flight_clock = nullptr;
    FlightRecord* record = nullptr;
    // The optimal loop while it flies instead of the selected pattern (see
    // app/loop_flight.h); the designed patterns fly with nullptr.
    LoopFlight* loop = nullptr;
};

// The selected option of the window's option group, as a flight pattern and view.
Mode selected_mode(const Window& w);

// --- what the user does: the entry points of every view ---
// A click on a control: an option becomes selected, a check box toggles, then the
// control's handler runs. Hidden or disabled controls ignore clicks.
void click(State& s, Window& w, Io& io, Id id);
// Selects an option of the group and runs its click handler, whether or not the
// option is shown (the command line reaches the hidden "Profile Demo" this way).
void choose_option(State& s, Window& w, Io& io, Id id);
// Sets a check box's value and runs its click handler, shown or not.
void set_check(State& s, Window& w, Io& io, Id id, int value);
// The user changed a text box's text; its change handler runs.
void edit_text(State& s, Window& w, Io& io, Id id, std::string text);

// --- handlers ---
void Form_Load(State& s, Window& w, Io& io);
void Tim_1_Timer(State& s, Window& w, Io& io);
void cmd_RESUME_Click(State& s, Window& w, Io& io);
void cmd_STOp_click(State& s, Window& w, Io& io);
void cmd_END_Click(State& s, Window& w, Io& io);
void txt_msec_Change(State& s, Window& w, Io& io);
void txt_bird_scale_Change(State& s, Window& w, Io& io);
void chk_write_Click(State& s, Window& w, Io& io);
void chk_airtrack_Click(State& s, Window& w, Io& io);
void chk_groundtrack_Click(State& s, Window& w, Io& io);
void opt_profile_Click(State& s, Window& w, Io& io);
void opt_fixed_Click(State& s, Window& w, Io& io);
void opt_upwind_Click(State& s, Window& w, Io& io);
void opt_downwind_Click(State& s, Window& w, Io& io);
void opt_crosswind_Click(State& s, Window& w, Io& io);
void opt_circlezoom_Click(State& s, Window& w, Io& io);
void cmd_zoom_in_Click(State& s, Window& w, Io& io);
void cmd_zoom_out_Click(State& s, Window& w, Io& io);
void cmd_pan_up_click(State& s, Window& w, Io& io);
void cmd_pan_down_Click(State& s, Window& w, Io& io);
void cmd_pan_Left_Click(State& s, Window& w, Io& io);
void cmd_pan_right_Click(State& s, Window& w, Io& io);
void cmd_reset_Click(State& s, Window& w, Io& io);
void cmd_setup_click(State& s, Window& w, Io& io);
void cmd_draw_Click(State& s, Window& w, Io& io);

// --- pause and pace (keys Space, "[" and "]") ---
// Space: pauses a flight where it is, or resumes it; nothing outside a flight.
void pause_or_resume(State& s, Window& w, Io& io);
// "[" (-1) and "]" (+1): the next slower or faster pace.
void change_pace(State& s, Window& w, Io& io, int step);
bool flight_paused(const Io& io);

// --- shared steps ---
// ome_sig_scale and its two read-outs ("West" and "South" boxes).
void view_update(State& s, Window& w, Io& io);
// bird_draw; a file that cannot be written turns "Write to File" off and tells the user.
void draw_bird(State& s, Window& w, Io& io);
// Stops the flight as STOP does and tells the user why.
void stop_with_message(State& s, Window& w, Io& io, const std::string& message);
// The timer interval for the text of the "step_msec" box: the rounded number,
// brought into 1 ms .. 10 s (0, negative, huge or no number at all).
int32_t timer_interval(const Window& w);
// The flight half of one tick (clock read, integration, read-outs). False when
// the flight was stopped by a fault (the message is in w.message).
bool tick_flight(State& s, Window& w, Io& io);
// The same without writing the read-out boxes (time, roll, pitch, yaw): for a
// flight nobody watches, where formatting them is a third of the tick.
bool tick_flight_unseen(State& s, Window& w, Io& io);
// The scene half of one tick.
void scene_redraw(State& s, Window& w, Io& io);
// The view the picture is drawn in: the selected option's, or the loop's.
Mode scene_mode(const Window& w, const Io& io);

}  // namespace soar
