// The bottom layer: the narrow interfaces that the core calls to reach the
// outside world, and the plain helpers every layer may use.
//
//   surface.h         the drawing surface (a picture box with a user coordinate system)
//   clock.h           seconds since midnight; the machine's clock and a settable one
//   text_files.h      numbered output text files for the geometry export
//   dir_text_files.h  those files in a folder, written whole or not at all
//   atomic_file.h     one file written whole or not at all
//   number_text.h     numbers read from and written to text boxes, integer rounding
//   module_path.h     where the program's run-time modules are found
//
// headless/ (a surface that records what is drawn) and qt/ (the raster picture
// and the window) implement the surface on top. Nothing outside qt/ includes a
// Qt header.
#pragma once

#include "platform/clock.h"
#include "platform/number_text.h"
#include "platform/surface.h"
#include "platform/text_files.h"
