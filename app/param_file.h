// Parameter files: a small TOML file with one key per field and its unit in a
// comment. [air], [bird] and [wind] hold what every pattern shares; each
// pattern's table holds its schedule, and [circlezoom] also its own drag polar
// and wind. A key left out keeps its default.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/param_set.h"

namespace soar {

std::string param_file_text(const ParamSet& set);

struct ParamFileRead {
    std::optional<ParamSet> set;  // nothing when the file has an error
    std::string error;  // "params.toml:12: W_S (...) must be a number from 10 to 500 N/m^2"
};
// Every key is checked before anything is taken: a file with one bad key gives
// no set at all.
ParamFileRead parse_param_file(std::string_view text, const std::string& source);
ParamFileRead load_param_file(const std::string& path);
// Written whole or not at all (a temporary file renamed over the old one).
// Returns "" on success, else what went wrong.
std::string save_param_file(const std::string& path, const ParamSet& set);

}  // namespace soar
