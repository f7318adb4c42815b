#include "view/frame.h"

#include <cmath>

#include "view/bird_drawing.h"
#include "view/grid.h"
#include "view/motion_arrows.h"
#include "view/projection.h"
#include "view/tracks.h"
#include "view/view_modes.h"
#include "view/wind_figure.h"

namespace soar {

namespace {

bool follows_bird(Mode mode) {
    return mode != Mode::fixed && mode != Mode::profile;
}

bool shows_wind_figure(Mode mode) {
    return mode == Mode::upwind || mode == Mode::downwind || mode == Mode::crosswind;
}

}  // namespace

void move_camera(Camera& c, Mode mode, float X, float Y, float Z) {
    if (mode == Mode::profile) {
        update_view(c);
    } else if (follows_bird(mode)) {
        follow_bird(c, X, Y, Z);
        update_view(c);
    }
}

Frame frame_for_aspect(const Frame& f, double aspect) {
    Frame g = f;
    if (!(aspect > 0) || !std::isfinite(aspect)) return g;
    g.camera.aspect = float(aspect);
    update_view(g.camera);
    g.scale = ScaleSetting{g.camera.left,   g.camera.top, g.camera.right,
                           g.camera.bottom, kScaleUser,   false};
    return g;
}

ExportResult draw_frame(const Frame& f, const Scene& scene, const BirdModel& bird, Surface& pic,
                        TextFiles* files) {
    const Mode mode = f.switches.mode;
    Camera cam = f.camera;
    pic.set_scale_setting(f.scale);
    pic.clear();
    Shift shift;
    if (mode != Mode::fixed) sky_sea(cam, pic);
    if (f.switches.grid) {
        shift = {grid_shift(scene.grid, cam), 0.0f, 0.0f};
        grid_draw(scene.grid, cam, shift, pic);
    }
    if (mode == Mode::profile) {
        // Watched side-on: the bird drawn beside the figure at its height.
        shift = {float(8.0 - double(f.Z) * 14.0 / 20.0), 0.0f, f.Z};
        update_view(cam, pic);
    }
    if ((f.switches.ground || f.switches.air) && f.tick > 1) {
        shift = {};
        tracks_draw(scene.tracks, cam, pic, f.switches.ground, f.switches.air, f.tick,
                    TrackDetail::indexed,
                    f.switches.colour == TrackColour::plain ? nullptr : &f.colours);
    }
    if (f.switches.ghost && mode != Mode::fixed && mode != Mode::profile)
        draw_ghost(scene.ghost, cam, pic);
    if (follows_bird(mode)) {
        shift = follow_bird(cam, f.X, f.Y, f.Z);
        update_view(cam, pic);
    }
    const ExportResult r = draw_bird(bird, f.pose, cam, shift, pic, files);
    if (shows_wind_figure(mode)) draw_wind_figure(scene.wind, cam, pic);
    // What explains the picture, over it: the arrows at the bird in flight,
    // their legend, the colour bar of a coloured air track.
    if (f.switches.arrows && mode != Mode::fixed && f.tick >= 1) {
        draw_motion_arrows(f.motion, cam, shift, pic);
        draw_arrow_legend(pic);
    }
    if (f.switches.colour != TrackColour::plain && f.switches.air) draw_colour_bar(f.colours, pic);
    return r;
}

}  // namespace soar
