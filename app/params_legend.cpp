#include "app/params_legend.h"

#include "sim/param_fields.h"

namespace soar {

namespace {

std::string flying_note(const RunModel& w) {
    if (!w.flight_label.empty()) return w.flight_label;
    return w.flight_mode ? params_note(w.flight, *w.flight_mode) : "";
}

// The user's set differs from what the next "OK" of the selected pattern would
// take over from the last one.
bool change_waits(const RunModel& w) {
    const Mode mode = w.pattern;
    if (!w.flight_mode || *w.flight_mode != mode)
        return !same_flight(w.params.of(mode), ParamSet{}.of(mode), mode);
    return !same_flight(w.params.of(mode), w.flight, mode);
}

}  // namespace

std::string params_legend(const RunModel& w) {
    std::string out;
    const std::string flying = flying_note(w);
    if (!flying.empty()) out = "Parameters in use: " + flying + ".";
    if (change_waits(w)) {
        std::string chosen = params_note(w.params.of(w.pattern), w.pattern);
        if (chosen.empty()) chosen = "the defaults";
        out += (out.empty() ? "" : "\n") + std::string("Changed parameters (") + chosen +
               ") apply at the next OK.";
    }
    return out;
}

std::string params_title_note(const RunModel& w) {
    if (!w.flight_label.empty()) return " (optimal loop)";
    const std::string flying = flying_note(w);
    return flying.empty() ? "" : " (" + flying + ")";
}

}  // namespace soar
