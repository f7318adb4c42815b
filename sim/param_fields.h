// Every parameter a user may change, by name, with its group, unit, meaning and
// allowed range, and the presets. The ranges keep each formula defined
// (no division by a zero g, density, slope, height scale or period); a flight
// that still leaves its valid range stops with its fault message.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/param_set.h"

namespace soar {

enum class ParamGroup { air, bird, wind, pattern };

struct ParamField {
    const char* name;  // the key in files and on the command line, e.g. "W_S"
    ParamGroup group;
    const char* unit;     // "m/s", "-" for a pure number
    const char* meaning;  // a few words for a label
    float lo, hi;         // allowed range, both ends included
    float Params::*member;
    // Pattern fields: which patterns fly with it (bits of 1 << int(Mode)); 0: all.
    unsigned patterns;
    // A field of named choices: the names of its values 0, 1, ... (a list ending
    // in nullptr); nullptr for a number.
    const char* const* choices = nullptr;
};

const std::vector<ParamField>& param_fields();
const ParamField* param_field(std::string_view name);
// Whether a flight of `mode` uses the field.
bool param_used(const ParamField& f, Mode mode);
// "W_S (wing-loading parameter) must be a number from 10 to 500 N/m^2"
std::string param_range_text(const ParamField& f);
// The field names a flight of `mode` uses, comma separated.
std::string param_names(Mode mode);
bool param_in_range(const ParamField& f, double v);
// Whether a parameter file of `p` writes the field: every one but the shear
// layer's two, which are written only when they are not the defaults (no
// layer), so that a file of a flight without one reads as it always has.
bool param_written(const ParamField& f, const Params& p);
// The value of a typed text for the field: a decimal number, or for a field of
// named choices one of its names. Nothing for anything else (range unchecked).
std::optional<double> param_value(const ParamField& f, std::string_view text);
// The value as it is typed: the choice's name, or the number's shortest text.
std::string param_value_text(const ParamField& f, float v);

// Sets a field as the user sees it while `mode` is selected: the air and bird
// and wind for every pattern, a schedule field for that pattern alone. The
// circle zoom keeps its own drag polar and wind: CD0, K_ind and U_ref changed in
// the circle zoom change only the circle zoom, and elsewhere all but it.
void set_param(ParamSet& set, Mode mode, const ParamField& f, float v);

struct Preset {
    const char* name;   // command-line name, "light-wind"
    const char* label;  // what the dialog and the title show, "Light wind"
};
const std::vector<Preset>& presets();
// The preset's set (every pattern), or nothing for an unknown name.
std::optional<ParamSet> preset_set(std::string_view name);
// Applies the preset's change to `set` (design-albatross: none).
bool apply_preset(ParamSet& set, std::string_view name);
std::string preset_names();

// "" for the default set, the preset's label (lower case) for a preset's set,
// "own values" otherwise.
std::string params_note(const ParamSet& set);
// The same for one flight of `mode`, judged by the fields that flight uses
// (the fixed view: the air and bird alone).
std::string params_note(const Params& p, Mode mode);
// Whether two parameter sets fly `mode` alike: every field it uses is equal.
bool same_flight(const Params& a, const Params& b, Mode mode);

}  // namespace soar
