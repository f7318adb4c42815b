// The figure of the wind profile: ten arrows in dark red whose lengths show the
// profile's shape, standing beside the flight.
#pragma once

#include "platform/surface.h"
#include "sim/params.h"
#include "view/camera.h"
#include "view/scene.h"

namespace soar {

// The 70 points of the figure for the profile's shape (Z_ref and lam_U of `p`).
void build_wind_figure(WindFigure& f, const Params& p);

// `shift` is added to every point before it is projected.
void draw_wind_figure(const WindFigure& f, const Camera& c, Surface& pic, Shift shift = {});

}  // namespace soar
