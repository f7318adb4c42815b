// The parameter options that fly, render, min-wind and params share:
//   --params FILE      a parameter file as the base (else the defaults)
//   --preset NAME      a preset's change on top of it
//   --set NAME=VALUE   one field, repeatable, applied last, in the order given
#pragma once

#include <string>
#include <vector>

#include "app/cli_args.h"
#include "sim/param_set.h"

namespace soar::cli {

struct ParamOptions {
    std::string file, preset;
    std::vector<std::string> sets;
};

// Takes the parameter options out of argv: `rest` gets the other arguments
// (argv itself is left as it is), for the command's own parser. A missing
// value is an ArgError.
ParamOptions take_param_options(int argc, char** argv, std::vector<char*>& rest);
// The set the options describe for a flight of `mode`; ArgError with the valid
// names or the range on anything wrong.
ParamSet resolve_param_options(const ParamOptions& o, Mode mode);

// With `parse_only` the arguments are checked (and a --params file read) but
// nothing is printed or saved.
int params_command(int argc, char** argv, bool parse_only = false);

}  // namespace soar::cli
