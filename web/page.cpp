// The web page's engine: one run of the program, as the window has it, driven
// by the page's script through the functions below (called from JavaScript by
// name). The picture is drawn into a pixel buffer the page puts on a canvas;
// the page's clock is the browser's, in seconds since midnight as the
// window's, so pause, pace and the hold-up rule of a hidden tab are the
// window's own (app/flight_clock.h).
#include <emscripten/emscripten.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/half_turn.h"
#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "raster/pixel_surface.h"
#include "record/csv.h"
#include "record/flight_history.h"
#include "sim/energy.h"

namespace {

struct Page {
    soar::PixelSurface picture;
    soar::ManualClock clock{0.0f};
    soar::DirTextFiles files{"/tmp"};  // "Write to File" stays off in the page
    soar::Session run{picture, clock, files};
    soar::Frame frame;
    std::string text;           // the last text handed to the page (CSV, fault)
    std::vector<uint8_t> rgba;  // the picture in the canvas's byte order
    std::vector<float> chart;   // a chart's lowest and highest value per pixel column
};

Page* page = nullptr;

void redraw() {
    page->run.draw(page->frame, page->picture);
}

}  // namespace

extern "C" {

// Start-up, with the picture's size in pixels.
EMSCRIPTEN_KEEPALIVE void page_start(int width_px, int height_px) {
    delete page;
    page = new Page;
    page->picture.resize(width_px, height_px);
    page->run.start_up();
    page->frame = page->run.frame_now();
}

// A new size of the picture (the canvas follows the window and its pixel ratio).
EMSCRIPTEN_KEEPALIVE void page_resize(int width_px, int height_px) {
    page->picture.resize(width_px, height_px);
    if (page->run.ticks() > 0) redraw();
}

// The patterns in the order of sim/mode.h: 1 upwind, 2 downwind, 3 crosswind,
// 4 circle zoom, 5 profile.
EMSCRIPTEN_KEEPALIVE void page_choose(int mode) {
    page->run.choose_pattern(soar::Mode(mode));
}

// "OK", "FLY", "STOP", pause and pace, as the window's buttons.
EMSCRIPTEN_KEEPALIVE void page_ok(double clock_s) {
    page->clock.set(float(clock_s));
    page->run.set_up_flight();
    page->frame = page->run.frame_now();
}
EMSCRIPTEN_KEEPALIVE void page_fly(double clock_s) {
    page->clock.set(float(clock_s));
    page->run.start_flight();
}
EMSCRIPTEN_KEEPALIVE void page_stop() {
    page->run.stop_flight();
}
EMSCRIPTEN_KEEPALIVE void page_pause(double clock_s) {
    page->clock.set(float(clock_s));
    page->run.pause_or_resume();
}
EMSCRIPTEN_KEEPALIVE void page_pace(int step) {
    page->run.change_pace(step);
}
EMSCRIPTEN_KEEPALIVE int page_paused() {
    return page->run.paused() ? 1 : 0;
}

// One tick at the clock's reading: the flight advances and the picture is
// drawn. 1 while flying, 0 once stopped (by STOP or a fault: page_fault()).
EMSCRIPTEN_KEEPALIVE int page_tick(double clock_s) {
    if (!page->run.flying()) return 0;
    page->clock.set(float(clock_s));
    page->run.advance_tick(page->frame);
    redraw();
    return page->run.flying() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* page_fault() {
    page->text = page->run.fault();
    return page->text.c_str();
}

// The picture: width x height pixels 0xAARRGGBB, rows one after another.
EMSCRIPTEN_KEEPALIVE const uint32_t* page_pixels() {
    return page->picture.pixels().data();
}
// The same picture as R, G, B, A bytes, as a canvas's ImageData holds them.
EMSCRIPTEN_KEEPALIVE const uint8_t* page_rgba() {
    const auto px = page->picture.pixels();
    page->rgba.resize(px.size() * 4);
    uint8_t* out = page->rgba.data();
    for (const uint32_t p : px) {
        *out++ = uint8_t(p >> 16);
        *out++ = uint8_t(p >> 8);
        *out++ = uint8_t(p);
        *out++ = 255;
    }
    return page->rgba.data();
}
EMSCRIPTEN_KEEPALIVE int page_width() {
    return page->picture.width();
}
EMSCRIPTEN_KEEPALIVE int page_height() {
    return page->picture.height();
}

// The Flight data read-outs of the tick shown: 0 flight time s, 1 airspeed m/s,
// 2 height m, 3 bank deg, 4 flight-path angle deg, 5 heading deg within
// (-180, 180], 6 specific energy m, 7 load factor, 8 wind m/s, 9 ticks flown,
// 10 dE/dt m/s, 11 its wind-gradient part m/s, 12 its drag part m/s, 13 the
// flight time of the last tick recorded s (0 before the first).
EMSCRIPTEN_KEEPALIVE double page_readout(int which) {
    const soar::FlightState s = page->run.shown_state();
    switch (which) {
        case 0:
            return s.t;
        case 1:
            return s.V;
        case 2:
            return s.Z;
        case 3:
            return s.mu_deg;
        case 4:
            return s.gam_deg;
        case 5:
            return soar::half_turn_deg(s.psi_deg);
        case 6:
            return page->run.shown_energy().E;
        case 7:
            return s.Nz;
        case 8:
            return s.U;
        case 9:
            return double(page->run.ticks());
        case 10: {
            const soar::Energy e = page->run.shown_energy();
            return double(e.dE_wind) + double(e.dE_drag);
        }
        case 11:
            return page->run.shown_energy().dE_wind;
        case 12:
            return page->run.shown_energy().dE_drag;
        case 13:
            return page->run.record().history.empty()
                       ? 0.0
                       : double(page->run.record().history.last(soar::Column::t));
    }
    return 0;
}

// A chart of one history column (18 E m, 19 dE/dt wind part m/s, 20 its drag
// part m/s, or any other of the fly columns) over flight time [t0, t1) s:
// `columns` pixel columns, each the lowest and highest value of the samples
// that fall in it (NaN, NaN where none does), so a spike of one tick among
// thousands per column still shows. The flight's last recorded time comes
// first, then the pairs.
EMSCRIPTEN_KEEPALIVE const float* page_chart(int column, double t0, double t1, int columns) {
    const soar::FlightHistory& h = page->run.record().history;
    const float none = std::numeric_limits<float>::quiet_NaN();
    const int n = columns > 0 ? columns : 0;
    page->chart.assign(size_t(1 + 2 * n), none);
    if (h.samples() == 0 || column < 0 || column >= soar::kColumnCount || !(t1 > t0)) {
        return page->chart.data();
    }
    page->chart[0] = h.last(soar::Column::t);
    const auto c = soar::Column(column);
    const double width = (t1 - t0) / n;
    size_t first = h.index_at_or_after(t0);
    for (int k = 0; k < n; ++k) {
        const size_t last = h.index_at_or_after(t0 + width * (k + 1));
        if (last > first) {
            const auto [lo, hi] = h.range(c, first, last);
            page->chart[size_t(1 + 2 * k)] = lo;
            page->chart[size_t(2 + 2 * k)] = hi;
        }
        first = last;
    }
    return page->chart.data();
}

// Looking back, while stopped or paused: the ticks there are to look at, and
// the picture of one of them (the same drawing as the tick drew).
EMSCRIPTEN_KEEPALIVE double page_ticks_to_look_back() {
    return double(page->run.ticks_to_look_back());
}
EMSCRIPTEN_KEEPALIVE void page_look_at(double tick) {
    page->run.look_at(int64_t(tick));
    page->frame = page->run.frame_at(int64_t(tick));
    redraw();
}
EMSCRIPTEN_KEEPALIVE void page_stop_looking_back() {
    page->run.stop_looking_back();
}

// The flight's rows as CSV, as fly --energy writes them (tick, the columns, the energy).
EMSCRIPTEN_KEEPALIVE const char* page_csv() {
    page->text = soar::history_csv(page->run.record().history);
    return page->text.c_str();
}

}  // extern "C"
