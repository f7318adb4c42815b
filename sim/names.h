// The names users type and read: each pattern and each wind profile is spelled
// here once, and the command line, the parameter files, the sweeps, Python and
// the window's file names all take them from these tables.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/mode.h"
#include "sim/params.h"

namespace soar {

struct PatternName {
    Mode mode;
    const char* name;   // typed and written: --pattern, file tables and names, Python
    const char* words;  // in a sentence: "circle zoom", "profile demo (downwind)"
};
// Every pattern, the fixed view first, then the flying patterns in their order
// (upwind, downwind, crosswind, circlezoom, profile).
std::span<const PatternName> pattern_names();
// The flying patterns alone.
std::span<const PatternName> flying_pattern_names();
const char* mode_name(Mode mode);
const char* mode_words(Mode mode);
std::optional<Mode> mode_named(std::string_view name);
// "upwind, downwind, crosswind, circlezoom, profile", with "fixed, " first when asked.
std::string pattern_list(bool with_fixed);
// The patterns with parameters of their own in a ParamSet, each a table of the
// parameter files and sweeps (the profile demo flies the downwind ones).
std::span<const Mode> param_table_patterns();

struct ProfileName {
    WindShape shape;
    const char* name;   // the parameter's value: "logarithmic"
    const char* brief;  // how the optimiser and its files write it: "log"
    const char* alias;  // another spelling taken on input, or nullptr
};
std::span<const ProfileName> profile_names();
const char* profile_name(WindShape shape);
const char* profile_brief(WindShape shape);
// Any of the name, the brief form and the alias.
std::optional<WindShape> profile_named(std::string_view name);
// "exponential, logarithmic, power or linear"
std::string profile_list();
// The flight's wind as a line of output says it: "exponential profile (U_ref
// 7 m/s, Z_ref 20 m, lam_U 7), growing from 0.02 m to 19.98 m", or the
// shear layer that replaces the profile.
std::string profile_text(const Params& p);
// The profile names in WindShape's order, ending in nullptr: the choices of
// the "profile" parameter.
const char* const* profile_choices();

}  // namespace soar
