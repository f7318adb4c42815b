// Looking back over a paused or stopped flight. The flight's record keeps every
// tick's state (its history); from it LookBack answers which recorded tick
// stands at a flight time or a number of steps away, what the bird's state and
// energy were at a tick, and what that tick's picture was drawn from. What the
// record does not keep is the first tick's camera and picture scale: set-up
// placed that camera before any follow rule moved it, so LookBack takes them as
// the first tick is drawn, and zoom and pan applied since are carried over to
// it as the follow rule carries them to every later tick. While a tick is
// looked at, the window's moment boxes show it: LookBack keeps their texts and
// the attitude of the flight as it stands, and puts them back when the look
// ends. Whether the flight stands still (paused or stopped) is the session's
// to say; LookBack holds the record by reference, so it lives beside it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/run_model.h"
#include "app/window.h"
#include "platform/surface.h"
#include "record/flight_record.h"
#include "sim/energy.h"
#include "sim/flight_state.h"
#include "view/camera.h"
#include "view/frame.h"

namespace soar {

// The velocities the arrows at the bird show for a state, m/s.
BirdMotion motion_of(const FlightState& s);

class LookBack {
  public:
    explicit LookBack(const FlightRecord& record) : record_(record) {}
    LookBack(const LookBack&) = delete;
    LookBack& operator=(const LookBack&) = delete;

    // --- what a flight leaves to look back at ---
    // The flight's first tick is drawn from `camera` and `scale` (as set-up
    // left them): from now on the flight on the screen can be looked back at.
    void first_tick(const Camera& camera, const ScaleSetting& scale);
    // A set-up, a pattern choice or a drawing replaced the flight on the screen.
    void forget() { possible_ = false; }
    // The recorded ticks that can be shown again (1 .. this) of a flight that
    // `stands_still`: all of them, unless the flight was forgotten or keeps no
    // history; 0 while it moves.
    int64_t ticks(bool stands_still) const;

    // --- the moment looked at ---
    // The tick looked at, 0 while none.
    int64_t looked_at() const { return looked_at_; }
    // Tick `tick` is looked at. The first look since the last end keeps the
    // texts of `w`'s moment boxes and the attitude in `m`, as the flight
    // stands, to go back to.
    void look_at(int64_t tick, const Window& w, const RunModel& m);
    // The look ends: the moment boxes and the attitude as they were kept.
    // Nothing while no tick is looked at.
    void end(Window& w, RunModel& m);

    // --- the record read by tick (1 .. the recorded ticks) ---
    // The last tick at or before flight time t (s), the first when t is earlier;
    // never past `last`, 0 when `last` is 0.
    int64_t tick_at_time(double t, int64_t last) const;
    // The tick `steps` steps of flight time on from `tick` (back for a negative
    // count): the last tick of each step, as the ticks that advanced no time
    // repeat the one before; within 1 .. `last`, 0 when `last` is 0.
    int64_t tick_steps_on(int64_t tick, int64_t steps, int64_t last) const;
    // The flight time of tick `tick`, s; 0 outside the record.
    double time_of_tick(int64_t tick) const;
    // The state of tick `tick` as the history keeps it; a default state outside.
    FlightState state_at(int64_t tick) const;
    // The specific energy and its rates at tick `tick`, as the history keeps them.
    Energy energy_at(int64_t tick) const;

    // --- the pictures of recorded ticks ---
    // The camera tick `tick`'s picture was drawn from, with the follow
    // displacement of `now` (zoom and pan as they are now) in view `mode`:
    // the tick found the camera where the tick before had moved it; the first
    // tick, where set-up had placed it.
    Camera camera_of_tick(int64_t tick, const Camera& now, Mode mode) const;
    // What tick `tick`'s picture is drawn from: the tracks up to it, the bird's
    // place and attitude (`pose` at the recorded one), camera_of_tick, and the
    // colours and arrows of `switches`. An invalid frame outside the record.
    Frame frame_at(int64_t tick, const SceneSwitches& switches, const Camera& now,
                   const BirdPose& pose, const Tracks& tracks) const;

  private:
    const FlightRecord& record_;
    bool possible_ = false;
    Camera first_camera_;
    ScaleSetting first_scale_;
    int64_t looked_at_ = 0;
    std::array<std::string, 6> live_texts_;
    float live_roll_ = 0, live_pitch_ = 0, live_yaw_ = 0;  // as the model holds them, deg
};

}  // namespace soar
