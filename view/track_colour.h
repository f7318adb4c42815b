// The air track coloured by what the bird does with its energy: a value per
// point (the rate of change of E = Z + V^2/2g, its wind part, the height or
// the airspeed) mapped onto a scale of colour steps, and the colour bar that
// explains the scale in the picture.
//
// The energy rates take a diverging scale: gain warm (yellow to red), loss
// cold (cyan to navy), zero a neutral near-white step in the middle, so the
// sign of dE/dt reads off the colour alone. Height and airspeed take a
// sequential scale from navy through cyan and yellow to red. Every colour
// stands apart from the sky and sea behind the track.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/surface.h"
#include "view/scene.h"

namespace soar {

// The colours of one picture's track: what they show and the values at the
// two ends of the scale (lo < hi). For the energy rates lo = -hi.
struct ColourScale {
    TrackColour by = TrackColour::plain;
    float lo = 0, hi = 0;
};

// Steps of the scale; odd, so that a diverging scale has one step centred on zero.
inline constexpr int kColourSteps = 25;
// The step of a point without a value: drawn in the plain colour.
inline constexpr uint8_t kNoStep = 255;

// One point's values, as the flight gives them at its tick.
struct PointValues {
    float rate = 0;      // dE/dt, m/s
    float wind = 0;      // its wind part, m/s
    float airspeed = 0;  // V, m/s
};

// Records tick `tick`'s values beside its point (track_record first). Points
// recorded since the values were last kept get NaN; a first tick starts afresh.
void track_record_values(Tracks& tr, int64_t tick, const PointValues& v);

// Whether any of points 1 .. n has no values (flown while the track was plain).
bool track_values_missing(const Tracks& tr, int64_t n);
// The values of the points that have none, from `v` (v[k] for point k, as the
// flight's history keeps them), so that a track coloured after its flight is
// coloured all along; the values kept stay as they were. Counts a fill in
// `values.fills`, so that a copy of the track knows to take its values again.
void track_fill_values(Tracks& tr, const std::vector<PointValues>& v);

// The scale for a picture of points 1 .. upto: its ends rounded out to a round
// number (1, 2, 2.5 or 5 times a power of ten) beyond the extremes recorded, so
// that it changes seldom in a flight. Plain when `by` is plain.
ColourScale colour_scale(const Tracks& tr, TrackColour by);
// The scale a picture of points 1 .. upto had when that point was the newest
// (a moment of the flight looked back at): the extremes of those points alone.
ColourScale colour_scale(const Tracks& tr, TrackColour by, int64_t upto);

// The values of `by` per point (index as the track's), or nullptr with `size`
// 0 when the track keeps none; height gives the points' z.
const float* colour_values(const Tracks& tr, TrackColour by, int64_t& size);

// The step of a value on the scale, kNoStep for NaN; values beyond the ends
// take the end steps. The energy rates go by the square root of their share
// of the end value (sign kept), so that a small gain or loss still shows its
// side; height and airspeed go linearly.
uint8_t colour_step(const ColourScale& s, float value);
// The colour of a step.
Colour step_colour(TrackColour by, int step);

// The quantity and unit as the colour bar names them ("dE/dt, m/s").
const char* colour_title(TrackColour by);

// The colour bar at the picture's right edge: the steps from hi at the top to
// lo at the bottom, the value of each end and of zero or the middle, and the
// title with its unit. Drawn in pixels over whatever is there; the picture's
// scale, pen and width are as they were afterwards.
void draw_colour_bar(const ColourScale& s, Surface& pic);

// The picture's size in pixels, from its scale.
void picture_pixels(const Surface& pic, double& width, double& height);

// Sets the picture's scale to its pixels (0, 0 at the upper left) and puts the
// old scale back when it ends.
class PixelOverlay {
  public:
    explicit PixelOverlay(Surface& pic);
    ~PixelOverlay();
    PixelOverlay(const PixelOverlay&) = delete;
    PixelOverlay& operator=(const PixelOverlay&) = delete;
    double width() const { return w_; }
    double height() const { return h_; }
    // The size of what the overlay draws: 1 on a picture 667 pixels tall.
    double unit() const { return h_ / 667.0; }
    // A filled box from (x1, y1) to (x2, y2), pixels.
    void box(double x1, double y1, double x2, double y2, Colour c);

  private:
    Surface& pic_;
    ScaleSetting saved_;
    double pen_x_, pen_y_;
    double w_ = 0, h_ = 0;
};

}  // namespace soar
