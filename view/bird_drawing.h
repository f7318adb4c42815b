// Draws the bird's wire model at its pose through the camera's projection, the
// bird placed by the drawing shift; and, given export files, writes every drawn
// point to the eight geometry files.
#pragma once

#include "bird/export.h"
#include "bird/model.h"
#include "bird/pose.h"
#include "platform/surface.h"
#include "platform/text_files.h"
#include "view/camera.h"
#include "view/projection.h"

namespace soar {

// Never throws for a file problem: the drawing is completed and the result says
// which file failed. Without `files` nothing is exported.
ExportResult draw_bird(const BirdModel& m, const BirdPose& pose, const Camera& c, Shift shift,
                       Surface& pic, TextFiles* files = nullptr);

// The eight geometry files of the bird at `pose` seen by `c`, without a picture:
// the same numbers a drawing with files writes.
ExportResult export_bird(const BirdModel& m, const BirdPose& pose, const Camera& c, Shift shift,
                         TextFiles& files);

// Rotates a scaled point and projects it: out.px, out.py keep the previous point's
// values when the point is not visible; out.u, depth, v and vis are always set.
void project_bird_point(const BirdAttitude& att, const Projector& proj, float x, float y, float z,
                        Projected& out);

}  // namespace soar
