// Limits a flown pattern is held to: the largest lift coefficient and load
// factor the bird can give, and the lower wing tip above the sea (its height
// is the body's less half the span times |sin bank|). None is set by default;
// a flight is checked against those given at every tick it flies, and the
// check says whether, where and by how much each was exceeded. Nothing here
// changes the flight: a pattern that exceeds a limit flies on.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "sim/flight_state.h"

namespace soar {

struct FlightLimits {
    bool has_CL = false;
    double CL_max = 0;  // largest lift coefficient, -
    bool has_n = false;
    double n_max = 0;  // largest load factor, lift over weight, -
    bool has_tip = false;
    double half_span = 0;  // wing tip to body centre, m
    double tip_min = 0;    // lowest height the lower wing tip may reach, m

    bool any() const { return has_CL || has_n || has_tip; }
};

// "cl=1.6,n=5,tip=1.7" (tip: the half span, m) with an optional "clear=0.2"
// (the lowest wing-tip height, m, 0 when not given). Each key at most once,
// each value a plain decimal number: CL and n above 0, the half span from 0 to
// 50 m, the clearance from 0 to 100 m (clear only with tip). False with the
// reason in `error` for any other text.
bool parse_flight_limits(std::string_view text, FlightLimits& out, std::string& error);
// The limits as they are typed: "cl=1.6,n=5,tip=1.7" ("" when none).
std::string flight_limits_text(const FlightLimits& l);

// The lower wing tip's height at the bird's height Z (m) and bank mu (rad), m.
double lower_tip_height(double Z, double mu, double half_span);

// The extremes of a flight against its limits, tick by tick.
struct LimitCheck {
    long long ticks = 0;                               // states checked
    double CL_peak = -HUGE_VAL, t_CL = 0;              // largest CL, and when (s)
    double n_peak = -HUGE_VAL, t_n = 0;                // largest load factor, and when (s)
    double tip_lowest = HUGE_VAL, t_tip = 0;           // lowest wing-tip height (m), and when (s)
    long long CL_over = 0, n_over = 0, tip_under = 0;  // states beyond each limit
    double t_first_over = HUGE_VAL;                    // first time any limit was exceeded, s

    void add(const FlightState& s, const FlightLimits& l);
    bool within() const { return CL_over == 0 && n_over == 0 && tip_under == 0; }
};

// One line: "limits cl=1.6,n=5: kept over N ticks (CL up to ..., n up to ...)"
// or "limits ...: exceeded from 3.21 s: CL above 1.6 on 120 ticks, ... (...)".
std::string limit_report(const LimitCheck& c, const FlightLimits& l);
// The short form for a table row: "within limits" or "over: CL 1.72 tip -0.41 m".
std::string limit_brief(const LimitCheck& c);

}  // namespace soar
