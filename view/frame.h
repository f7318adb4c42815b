// One picture of the scene: what it is drawn from and how. A tick's picture is
// sky and sea, the sea grid and the tracks seen from the previous tick's view,
// then the camera moved with the bird, the bird and the wind figure seen from
// the new one. The state work of that move is the session's (move_camera);
// the drawing can be done later, on another thread, from the Frame the tick kept.
#pragma once

#include <cstdint>

#include "bird/export.h"
#include "bird/model.h"
#include "bird/pose.h"
#include "platform/surface.h"
#include "platform/text_files.h"
#include "sim/mode.h"
#include "view/camera.h"
#include "view/scene.h"
#include "view/track_colour.h"

namespace soar {

// What the picture shows, as the window's controls choose it.
struct SceneSwitches {
    Mode mode = Mode::fixed;  // the view
    bool grid = false, ground = false, air = false;
    TrackColour colour = TrackColour::plain;  // what the air track's colour shows
    bool arrows = false;  // wind and velocity arrows at the bird, with their legend
    bool ghost = false;   // the scene's ghost path (the optimal loop to follow)
};

// The bird's motion for the arrows at it, m/s: the wind at its height blows
// along +X; the air-relative and ground velocities differ by it along X alone.
struct BirdMotion {
    float wind = 0;                 // U
    float x_air = 0, x_ground = 0;  // along X through the air, over the sea
    float y = 0, z = 0;             // across and up, the same for both
};

// Everything one tick's picture is drawn from besides the scene: the scene's
// tracks must hold the frame's points (1 .. tick), to which later ticks only append.
struct Frame {
    bool valid = false;
    int64_t tick = 0;  // the tick this picture belongs to
    SceneSwitches switches;
    Camera camera;       // as the tick found it: the previous tick's view
    ScaleSetting scale;  // the picture's user scale at that moment
    BirdPose pose;
    float X = 0, Y = 0, Z = 0;  // the bird's place, m
    ColourScale colours;        // the air track's scale, when it is coloured
    BirdMotion motion;          // for the arrows
};

// The tick's move of the camera: in the moving views it follows the bird at
// (X, Y, Z) and its view is worked out again; the profile demo's only worked
// out again; the fixed view's left.
void move_camera(Camera& c, Mode mode, float X, float Y, float Z);

// The frame seen through a picture of another shape (width over height): the
// same aim and view angle across, the height following the shape, so a
// picture of any size shows the same scene undistorted.
Frame frame_for_aspect(const Frame& f, double aspect);

// Clears `pic` and draws the frame's picture. Given `files`, the bird's points
// are exported as they are drawn.
ExportResult draw_frame(const Frame& f, const Scene& scene, const BirdModel& bird, Surface& pic,
                        TextFiles* files = nullptr);

}  // namespace soar
