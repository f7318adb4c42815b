#include "app/session.h"

namespace soar {

Session::Session(std::unique_ptr<Surface> picture, std::string export_dir)
    : pic(std::move(picture)),
      files(std::move(export_dir)),
      io{*pic, flight_clock, files, &flight_clock, &record},
      w(make_window()) {}

void Session::start() {
    Form_Load(s, w, io);
}

void Session::choose(Mode mode) {
    choose_option(s, w, io, option_of(mode));
}

void Session::press_ok() {
    click(s, w, io, Id::cmd_setup);
}

void Session::press_fly(float now) {
    clock.set(now);
    click(s, w, io, Id::cmd_RESUME);
}

bool Session::tick(float now) {
    if (!w.timer.enabled) return false;
    clock.set(now);
    Tim_1_Timer(s, w, io);
    return w.timer.enabled;
}

bool Session::tick_flight_only(float now) {
    if (!w.timer.enabled) return false;
    clock.set(now);
    return tick_flight(s, w, io) && w.timer.enabled;
}

std::optional<Mode> mode_named(const std::string& name) {
    if (name == "fixed") return Mode::fixed;
    if (name == "upwind") return Mode::upwind;
    if (name == "downwind") return Mode::downwind;
    if (name == "crosswind") return Mode::crosswind;
    if (name == "circlezoom") return Mode::circlezoom;
    if (name == "profile") return Mode::profile;
    return std::nullopt;
}

Id option_of(Mode mode) {
    switch (mode) {
        case Mode::upwind:
            return Id::opt_upwind;
        case Mode::downwind:
            return Id::opt_downwind;
        case Mode::crosswind:
            return Id::opt_crosswind;
        case Mode::circlezoom:
            return Id::opt_circlezoom;
        case Mode::profile:
            return Id::opt_profile;
        case Mode::fixed:
            break;
    }
    return Id::opt_fixed;
}

}  // namespace soar
