// Whether the window can reach a display before Qt tries: a Qt application
// that cannot open its platform aborts the program (a core dump, exit 134).
// The platforms Qt would try are those of -platform, else QT_QPA_PLATFORM
// (a list, ";" between names), else X11 (after Wayland in a Wayland session).
// A platform counts when its plugin is installed and, for X11 and Wayland, its
// display answers a connection; the others (offscreen, vnc, ...) cannot be
// asked and count when installed.
#pragma once

#include <string>
#include <vector>

namespace soar {

// The platform names Qt would try, in order.
std::vector<std::string> platforms_to_try(int argc, char** argv);

// True when one of them can be opened; otherwise false and `why` says what
// was tried, e.g. `cannot connect to the X11 display ":99"`.
bool display_reachable(int argc, char** argv, std::string& why);

}  // namespace soar
