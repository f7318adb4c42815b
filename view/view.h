// Viewing and the scene: the camera and the perspective projection, sky and
// sea, the view modes, zoom and pan, the sea grid, the flight tracks, the wind
// figure, the bird's drawing and one tick's picture. Functions over a Camera,
// the Scene's parts and a Surface; drawing only reads them and writes only into
// the surface. The session (app/) decides when they run.
//
//   camera.h            Camera: observer, aim, follow displacement, view angle, view
//   scene.h             Scene: sea grid, tracks and their index, wind figure
//   projection.h        update_view, Projector, sky_sea
//   view_modes.h        where each mode puts the camera; the follow rule
//   zoom_pan.h          zoom and pan steps, kept inside a valid picture
//   grid.h              the sea grid
//   tracks.h            recording and drawing the ground and air tracks
//   track_lod.h         the tracks' level-of-detail index
//   wind_figure.h       the wind-profile figure
//   bird_drawing.h      the bird drawn (and exported) at its pose
//   frame.h             one tick's picture: Frame and draw_frame
#pragma once

#include "view/bird_drawing.h"
#include "view/camera.h"
#include "view/frame.h"
#include "view/grid.h"
#include "view/projection.h"
#include "view/scene.h"
#include "view/tracks.h"
#include "view/view_modes.h"
#include "view/wind_figure.h"
#include "view/zoom_pan.h"
