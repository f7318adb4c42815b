// What each control of the main window does, as its tool tip says it.
#pragma once

#include <QKeySequence>
#include <QString>
#include <vector>

#include "app/window.h"

namespace soar {

// The tip of control `id`; empty for a control that has none (labels, the title).
// A control with a key of its own names it at the end: "... (Alt+U)".
QString control_tip(Id id);

// The Alt+letter that presses or chooses control `id` without the mouse, empty
// for a control that has none. The captions keep their text (no '&' in them):
// the letters are the window's own shortcuts, none of them a letter the menu
// bar or a docked window's button already answers to (F, L, P, H, V, S).
QKeySequence control_key(Id id);
// The controls that have such a key, in the order the Help lists them.
const std::vector<Id>& keyed_controls();
// Pause and go on: P, and Alt+A beside the controls' keys.
QKeySequence pause_key();
QKeySequence pause_alt_key();

}  // namespace soar
