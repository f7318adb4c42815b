// The program with its window: the Qt application, the main window, start-up
// and the event loop.
#pragma once

namespace soar {

// Runs the window until END is pressed or the window is closed; the exit code.
int run_window(int argc, char** argv);

}  // namespace soar
