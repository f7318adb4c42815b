// Viewing and the scene: the observer and the perspective projection, sky and
// sea, the view modes, zoom and pan, the sea grid, the flight tracks and the
// wind-profile figure. Pure functions over the State and a Surface; the window's
// handlers (app/) decide when they run.
//
//   projection.h        ome_sig_scale, Projector / xyz_to_pic, sky_sea
//   view_modes.h        where each mode puts the observer and the aim point
//   zoom_pan.h          zoom and pan steps, kept inside a valid picture
//   grid.h              the sea grid
//   tracks.h            recording and drawing the ground and air tracks
//   track_lod.h         the tracks' level-of-detail index
//   wind_figure.h       wind_profile_draw
#pragma once

#include "view/grid.h"
#include "view/projection.h"
#include "view/tracks.h"
#include "view/view_modes.h"
#include "view/wind_figure.h"
#include "view/zoom_pan.h"
