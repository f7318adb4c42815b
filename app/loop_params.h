// The least-wind loop for a flight's parameters: the air, the bird's polar and
// wing loading and the wind profile (its shape, reference height, clamp,
// roughness and exponents) come from Params; the loop's own
// bounds (lift-coefficient and load-factor range, bank limit, wing-tip
// clearance, period range, start) from the albatross or the Zhao glider.
#pragma once

#include <optional>
#include <string>

#include "optim/loop_problem.h"
#include "sim/params.h"

namespace soar {

// Which bounds the loop keeps: Zhao's benchmark (from and to the origin at
// sea level, 10 to 30 s) for the preset "zhao-glider", the albatross's else.
optim::LoopProblem loop_problem_for(const Params& flight, optim::WindProfile profile,
                                    bool zhao_bounds);

// The loop's own bounds and profile that go with a preset of the flight's
// parameters: Zhao's benchmark (linear profile) for "zhao-glider", Sachs's
// albatross (logarithmic profile, a travelling loop) for
// "sachs-2005-albatross", the albatross's (exponential profile) for any other.
// The presets' parameters carry the same profiles.
enum class LoopBounds { albatross, zhao, sachs };
LoopBounds loop_bounds_of(const std::string& preset);
optim::WindProfile default_profile(LoopBounds bounds);
// The loop in `profile` with the flight's constants for it.
optim::LoopProblem loop_problem_for(const Params& flight, optim::WindProfile profile,
                                    LoopBounds bounds);

// The profile a loop is solved in: the one --profile names (`named`, empty
// when not given) or else the flight's own, so that --profile log and
// --set profile=logarithmic pose the same loop. A --profile that contradicts
// the profile the parameters were given beyond their preset (`preset_flight`),
// by --set profile or a file, is refused: the message, else "".
std::string loop_profile(const Params& flight, const Params& preset_flight,
                         std::optional<optim::WindProfile> named, optim::WindProfile& out);
// --profile's text as a profile; an unknown name throws nothing but returns
// the message in `error`.
std::optional<optim::WindProfile> profile_arg(const std::string& name, std::string& error);

// The optimiser's own settings beside the flight's parameters, for --set:
// false when `name` is not one of them. `value` is in the unit that
// loop_setting_names lists (degrees for bank_max; travel is 0 or 1, any
// value but 0 reads as 1; travel_heading, in degrees, makes the loop travel
// along that heading, ground_speed its least mean speed along it).
bool set_loop_setting(optim::LoopProblem& p, const std::string& name, double value);
// "CL_min, CL_max, n_min (-), ..." for messages.
std::string loop_setting_names();
// The unit of a setting ("deg", "m", "-"; "0/1" for travel), "" for another name.
std::string loop_setting_unit(const std::string& name);
// Empty when the problem is well posed, else what is wrong with it.
std::string loop_problem_error(const optim::LoopProblem& p);

}  // namespace soar
