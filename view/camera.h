// The camera: the observer's eye, the point it looks at, where it rides when
// it follows the bird, its view angle, and the view worked out from them (the
// line of sight's azimuth and depression, its length, and the picture's extent
// in user units). One user unit of the picture is one metre across the line of
// sight at the aim distance; the aim point lands at the picture's centre.
#pragma once

namespace soar {

struct Camera {
    // --- set by the view mode, the follow rule, zoom and pan ---
    float x_eye = 0, y_eye = 0, z_eye = 0;  // the observer, m
    float x_aim = 0, y_aim = 0, z_aim = 0;  // the point looked at, m
    // Where the observer rides relative to the bird in the moving views, m.
    float dx_follow = 0, dy_follow = 0, dz_follow = 0;
    float zoom_deg = 0;  // half the view angle across the picture, deg
    float aspect = 0;    // picture width over height, -

    // --- the view, worked out by update_view() ---
    float azimuth_deg = 0;                  // of the line of sight, from +y towards +x, [0, 360)
    float depression_deg = 0;               // of the line of sight below the horizontal, [0, 360)
    float distance = 0;                     // from the eye to the aim point, m
    float half_width = 0, half_height = 0;  // of the picture, user units
    float left = 0, right = 0, top = 0, bottom = 0;  // the picture's edges, user units
};

// A shift added to every world point of a drawing pass before it is projected,
// m: it places the bird, the sea grid or a figure in the scene.
struct Shift {
    float x = 0, y = 0, z = 0;
};

}  // namespace soar
