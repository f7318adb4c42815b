// The narrow interfaces that the core calls to reach the outside world.
//
//   surface.h      the drawing surface (a picture box with a user coordinate system)
//   clock.h        seconds since midnight, as the flight clock reads them
//   text_files.h   numbered output text files for the geometry export
//   number_text.h  numbers read from and written to text boxes, integer rounding
//
// headless/ holds implementations for tests and the command line; qt/ holds the
// ones behind the real window. Nothing outside platform/qt includes a Qt header.
#pragma once

#include "platform/clock.h"
#include "platform/number_text.h"
#include "platform/surface.h"
#include "platform/text_files.h"
