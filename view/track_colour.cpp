#include "view/track_colour.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace soar {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The smallest of 1, 2, 2.5, 5 times a power of ten that is at least x (> 0).
double round_up(double x) {
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (m * p >= x * (1.0 - 1e-12)) return m * p;
    return 10.0 * p;
}

struct Rgb {
    double r, g, b;
};

Colour mix(Rgb a, Rgb b, double t) {
    const auto c = [t](double x, double y) { return int(std::lround(x + (y - x) * t)); };
    return rgb(c(a.r, b.r), c(a.g, b.g), c(a.b, b.b));
}

// Three stops a half apart: t in [0, 1].
Colour ramp(Rgb a, Rgb b, Rgb c, double t) {
    return t <= 0.5 ? mix(a, b, t * 2.0) : mix(b, c, t * 2.0 - 1.0);
}

constexpr Rgb kNeutral{245, 245, 240};
constexpr Rgb kCyan{0, 215, 240};
constexpr Rgb kNavy{10, 25, 100};
constexpr Rgb kYellow{255, 205, 0};
constexpr Rgb kRed{185, 0, 0};

bool diverging(TrackColour by) {
    return by == TrackColour::energy || by == TrackColour::wind;
}

// Point i's values, and the extremes they reach.
void set_point_values(TrackValues& tv, size_t i, const PointValues& v) {
    tv.rate[i] = v.rate, tv.wind[i] = v.wind, tv.airspeed[i] = v.airspeed;
    if (std::isfinite(v.rate)) tv.rate_abs = std::max(tv.rate_abs, std::fabs(v.rate));
    if (std::isfinite(v.wind)) tv.wind_abs = std::max(tv.wind_abs, std::fabs(v.wind));
    if (std::isfinite(v.airspeed)) {
        tv.v_lo = tv.any_v ? std::min(tv.v_lo, v.airspeed) : v.airspeed;
        tv.v_hi = tv.any_v ? std::max(tv.v_hi, v.airspeed) : v.airspeed;
        tv.any_v = true;
    }
}

}  // namespace

void track_record_values(Tracks& tr, int64_t tick, const PointValues& v) {
    TrackValues& tv = tr.values;
    if (tick <= 1 || tick <= tv.n) tv = TrackValues{};  // a new flight, or a track begun again
    const size_t n = size_t(tick);
    for (auto* a : {&tv.rate, &tv.wind, &tv.airspeed}) {
        // Grown as the track's own arrays are, a third at a time.
        if (a->capacity() < n + 1) a->reserve(std::max(n + 1, a->capacity() + a->capacity() / 3));
        a->resize(n + 1, kNaN);
    }
    // The heights of the points passed over while the values were not kept.
    const int64_t last_z = std::min<int64_t>(tick, int64_t(tr.z.size()) - 1);
    for (int64_t k = tv.n + 1; k <= last_z; ++k) {
        const float z = tr.z[size_t(k)];
        if (k == 1) {
            tv.z_lo = tv.z_hi = z;
        } else {
            tv.z_lo = std::min(tv.z_lo, z), tv.z_hi = std::max(tv.z_hi, z);
        }
    }
    set_point_values(tv, n, v);
    tv.n = tick;
}

bool track_values_missing(const Tracks& tr, int64_t n) {
    const TrackValues& tv = tr.values;
    if (tv.n < n) return true;
    for (int64_t k = 1; k <= n; ++k)
        if (std::isnan(tv.rate[size_t(k)])) return true;
    return false;
}

void track_fill_values(Tracks& tr, const std::vector<PointValues>& v) {
    const int64_t n = std::min<int64_t>(int64_t(v.size()) - 1, tr.n);
    if (n < 1) return;
    TrackValues& tv = tr.values;
    const uint64_t fills = tv.fills;
    // The points passed over while the values were not kept...
    for (int64_t k = 1; k <= std::min(tv.n, n); ++k) {
        const size_t i = size_t(k);
        if (std::isnan(tv.rate[i])) set_point_values(tv, i, v[i]);
    }
    // ... and those after the last one kept, recorded as their ticks would have.
    for (int64_t k = tv.n + 1; k <= n; ++k) track_record_values(tr, k, v[size_t(k)]);
    tr.values.fills = fills + 1;
}

namespace {

// The scale from the extremes in `tv`; `n` points of the track count for the
// height when no values were kept.
ColourScale scale_of(const TrackValues& tv, const Tracks& tr, int64_t n, TrackColour by) {
    ColourScale s{by, 0, 0};
    switch (by) {
        case TrackColour::plain:
            return s;
        case TrackColour::energy:
        case TrackColour::wind: {
            const double top = by == TrackColour::energy ? tv.rate_abs : tv.wind_abs;
            const float r = float(round_up(std::max(top, 0.1)));
            s.lo = -r, s.hi = r;
            return s;
        }
        case TrackColour::height: {
            double top = tv.z_hi;
            // No values kept yet (the colour chosen between ticks): the points' own heights.
            if (tv.n == 0)
                for (int64_t k = 1; k <= n && k < int64_t(tr.z.size()); ++k)
                    top = std::max(top, double(tr.z[size_t(k)]));
            s.lo = 0.0f;
            s.hi = float(round_up(std::max(top, 1.0)));
            return s;
        }
        case TrackColour::airspeed: {
            const double lo = tv.any_v ? tv.v_lo : 0.0, hi = tv.any_v ? tv.v_hi : 1.0;
            const double step = round_up(std::max((hi - lo) / 4.0, 0.5));
            s.lo = float(std::floor(lo / step) * step);
            s.hi = float(std::ceil(hi / step) * step);
            if (!(s.hi > s.lo)) s.hi = float(double(s.lo) + step);
            return s;
        }
    }
    return s;
}

}  // namespace

ColourScale colour_scale(const Tracks& tr, TrackColour by) {
    return scale_of(tr.values, tr, tr.n, by);
}

ColourScale colour_scale(const Tracks& tr, TrackColour by, int64_t upto) {
    const TrackValues& all = tr.values;
    if (upto >= tr.n || by == TrackColour::plain) return colour_scale(tr, by);
    // The extremes as recording points 1 .. upto left them.
    TrackValues tv;
    tv.n = std::min(all.n, upto);
    const auto covered = [&](const std::vector<float>& v) {
        return std::min<int64_t>(tv.n, int64_t(v.size()) - 1);
    };
    if (tv.n > 0) {
        for (int64_t k = 1; k <= std::min<int64_t>(upto, int64_t(tr.z.size()) - 1); ++k) {
            const float z = tr.z[size_t(k)];
            tv.z_lo = k == 1 ? z : std::min(tv.z_lo, z);
            tv.z_hi = k == 1 ? z : std::max(tv.z_hi, z);
        }
    }
    if (by == TrackColour::energy)
        for (int64_t k = 1; k <= covered(all.rate); ++k)
            if (const float v = all.rate[size_t(k)]; std::isfinite(v))
                tv.rate_abs = std::max(tv.rate_abs, std::fabs(v));
    if (by == TrackColour::wind)
        for (int64_t k = 1; k <= covered(all.wind); ++k)
            if (const float v = all.wind[size_t(k)]; std::isfinite(v))
                tv.wind_abs = std::max(tv.wind_abs, std::fabs(v));
    if (by == TrackColour::airspeed)
        for (int64_t k = 1; k <= covered(all.airspeed); ++k) {
            const float v = all.airspeed[size_t(k)];
            if (!std::isfinite(v)) continue;
            tv.v_lo = tv.any_v ? std::min(tv.v_lo, v) : v;
            tv.v_hi = tv.any_v ? std::max(tv.v_hi, v) : v;
            tv.any_v = true;
        }
    return scale_of(tv, tr, upto, by);
}

const float* colour_values(const Tracks& tr, TrackColour by, int64_t& size) {
    const std::vector<float>* v = nullptr;
    switch (by) {
        case TrackColour::plain:
            break;
        case TrackColour::energy:
            v = &tr.values.rate;
            break;
        case TrackColour::wind:
            v = &tr.values.wind;
            break;
        case TrackColour::height:
            v = &tr.z;
            break;
        case TrackColour::airspeed:
            v = &tr.values.airspeed;
            break;
    }
    size = v ? int64_t(v->size()) : 0;
    return size > 0 ? v->data() : nullptr;
}

uint8_t colour_step(const ColourScale& s, float value) {
    if (!(value == value) || !(s.hi > s.lo)) return kNoStep;
    double t = (double(value) - double(s.lo)) / (double(s.hi) - double(s.lo));
    if (diverging(s.by)) {
        // The square root of the rate's share of the end value, with its sign:
        // a small gain or loss still shows its side of the scale.
        const double share = std::clamp(2.0 * t - 1.0, -1.0, 1.0);
        t = 0.5 + 0.5 * std::copysign(std::sqrt(std::fabs(share)), share);
    }
    const double step = std::floor(t * kColourSteps);
    return uint8_t(std::clamp(step, 0.0, double(kColourSteps - 1)));
}

Colour step_colour(TrackColour by, int step) {
    const double t = (step + 0.5) / kColourSteps;
    if (diverging(by)) {
        const int mid = kColourSteps / 2;
        if (step == mid) return mix(kNeutral, kNeutral, 0.0);
        // Each half from the neutral step out to its end.
        if (step < mid) return ramp(kNeutral, kCyan, kNavy, double(mid - step) / mid);
        return ramp(kNeutral, kYellow, kRed, double(step - mid) / mid);
    }
    return t <= 0.5 ? ramp(kNavy, Rgb{0, 150, 200}, kCyan, t * 2.0)
                    : ramp(kCyan, kYellow, kRed, t * 2.0 - 1.0);
}

const char* colour_title(TrackColour by) {
    switch (by) {
        case TrackColour::energy:
            return "dE/dt";
        case TrackColour::wind:
            return "dE/dt wind";
        case TrackColour::height:
            return "height Z";
        case TrackColour::airspeed:
            return "airspeed V";
        case TrackColour::plain:
            break;
    }
    return "";
}

namespace {

const char* colour_unit(TrackColour by) {
    return by == TrackColour::height ? "m" : "m/s";
}

std::string number_label(double v, bool sign) {
    char buf[32];
    if (v == 0.0) return "0";
    std::snprintf(buf, sizeof buf, sign ? "%+g" : "%g", v);
    return buf;
}

}  // namespace

void picture_pixels(const Surface& pic, double& width, double& height) {
    const ScaleSetting s = pic.scale_setting();
    width = std::fabs(pic.scale_x_to_pixels(s.right - s.left, s.mode));
    height = std::fabs(pic.scale_y_to_pixels(s.bottom - s.top, s.mode));
}

PixelOverlay::PixelOverlay(Surface& pic)
    : pic_(pic), saved_(pic.scale_setting()), pen_x_(pic.pen_x()), pen_y_(pic.pen_y()) {
    picture_pixels(pic, w_, h_);
    pic_.scale(0.0, 0.0, w_, h_);
}

PixelOverlay::~PixelOverlay() {
    pic_.set_scale_setting(saved_);
    pic_.set_pen(pen_x_, pen_y_);
    pic_.set_draw_width(1);
}

void PixelOverlay::box(double x1, double y1, double x2, double y2, Colour c) {
    pic_.fill_box(std::round(x1), std::round(y1), std::round(x2), std::round(y2), c);
}

void draw_colour_bar(const ColourScale& s, Surface& pic) {
    if (s.by == TrackColour::plain || !(s.hi > s.lo)) return;
    PixelOverlay o(pic);
    const double u = o.unit();
    const int text_px = std::max(8, int(std::lround(12.0 * u)));
    // Panel at the right edge, a little above the middle.
    const double panel_x2 = o.width() - 8.0 * u, panel_x1 = panel_x2 - 84.0 * u;
    const double bar_x2 = panel_x2 - 8.0 * u, bar_x1 = bar_x2 - 14.0 * u;
    const double bar_y1 = o.height() * 0.22 + 30.0 * u, bar_h = o.height() * 0.42;
    const double bar_y2 = bar_y1 + bar_h;
    const double panel_y1 = bar_y1 - 38.0 * u, panel_y2 = bar_y2 + 10.0 * u;
    o.box(panel_x1, panel_y1, panel_x2, panel_y2, rgb(236, 236, 236));
    for (int i = 0; i < kColourSteps; ++i) {
        // Step kColourSteps - 1 at the top; edges on whole pixels, no gaps.
        const double ya = bar_y1 + bar_h * (kColourSteps - 1 - i) / kColourSteps;
        const double yb = bar_y1 + bar_h * (kColourSteps - i) / kColourSteps;
        o.box(bar_x1, ya, bar_x2, yb, step_colour(s.by, i));
    }
    const Colour black = palette_colour(0);
    pic.set_draw_width(1);
    pic.set_pen(std::round(bar_x1), std::round(bar_y1));
    pic.line_to(std::round(bar_x2), std::round(bar_y1), black);
    pic.line_to(std::round(bar_x2), std::round(bar_y2), black);
    pic.line_to(std::round(bar_x1), std::round(bar_y2), black);
    pic.line_to(std::round(bar_x1), std::round(bar_y1), black);
    const bool sign = diverging(s.by);
    const double label_x = bar_x1 - 5.0 * u;
    pic.text(label_x, bar_y1, number_label(s.hi, sign), black, text_px, TextAlign::right);
    pic.text(label_x, bar_y2, number_label(s.lo, sign), black, text_px, TextAlign::right);
    const double mid = sign ? 0.0 : 0.5 * (double(s.lo) + double(s.hi));
    pic.text(label_x, 0.5 * (bar_y1 + bar_y2), number_label(mid, sign), black, text_px,
             TextAlign::right);
    if (sign) {
        // The rate scale goes by the square root: a quarter of the end value
        // halfway to each end.
        pic.text(label_x, bar_y1 + 0.25 * bar_h, number_label(0.25 * s.hi, true), black, text_px,
                 TextAlign::right);
        pic.text(label_x, bar_y1 + 0.75 * bar_h, number_label(0.25 * s.lo, true), black, text_px,
                 TextAlign::right);
    }
    const double title_x = 0.5 * (panel_x1 + panel_x2);
    pic.text(title_x, panel_y1 + 11.0 * u, colour_title(s.by), black, text_px, TextAlign::centre);
    pic.text(title_x, panel_y1 + 25.0 * u, colour_unit(s.by), black, text_px, TextAlign::centre);
}

}  // namespace soar
