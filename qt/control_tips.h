// What each control of the main window does, as its tool tip says it.
#pragma once

#include <QString>

#include "app/window.h"

namespace soar {

// The tip of control `id`; empty for a control that has none (labels, the title).
QString control_tip(Id id);

}  // namespace soar
