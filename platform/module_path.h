// Where the program's run-time modules (the window and picture, the video
// encoder) are found: beside the program's own file, as in the build tree, or
// else in the installed folder for them (lib/soarcalculus beside bin/).
#pragma once

#include <string>

namespace soar {

// The path to dlopen for the module file `name`: the first of the two places
// that holds it; when neither does, the one beside the program, so that the
// loader's message names where it was looked for.
std::string module_path(const std::string& name);

}  // namespace soar
