#include "app/piloted_flight.h"

namespace soar {

void PilotedFlight::take_off(Mode selected, const ParamSet& params) {
    const Mode view =
        selected == Mode::fixed || selected == Mode::profile ? Mode::upwind : selected;
    const Params p = params.of(view);
    FlightState start = level_start(p, view);  // throws before anything changes
    set_own_attitude(start, p);
    view_ = view, params_ = p, start_ = start;
    stick_ = Stick{0.0f, start.CL, start.CL};
    keys_ = {};
}

Flight PilotedFlight::flight(const Params& p) {
    commands_given_.clear();
    Flight f = Flight::commanded(p, view_, start_, limits_);
    f.set_gusts(gusts_);
    return f;
}

Command PilotedFlight::steer(double dt, float t) {
    stick_->move(keys_, dt, limits_);
    commands_given_.push_back({t, stick_->command()});
    return stick_->command();
}

std::vector<TimedCommand> PilotedFlight::commands_given(float t_now) const {
    std::vector<TimedCommand> c = commands_given_;
    if (stick_) c.push_back({t_now, stick_->command()});
    return c;
}

}  // namespace soar
