// The web page's engine: one run of the program, as the window has it, driven
// by the page's script through the functions below (called from JavaScript by
// name). The picture is drawn into a pixel buffer the page puts on a canvas;
// the page's clock is the browser's, in seconds since midnight as the
// window's, so pause, pace and the hold-up rule of a hidden tab are the
// window's own (app/flight_clock.h).
#include <emscripten/emscripten.h>

#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "app/half_turn.h"
#include "app/loop_file.h"
#include "app/loop_flight.h"
#include "app/params_legend.h"
#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "platform/number_text.h"
#include "raster/pixel_surface.h"
#include "record/csv.h"
#include "record/flight_history.h"
#include "sim/energy.h"
#include "sim/min_wind.h"
#include "sim/names.h"
#include "sim/param_fields.h"

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
    std::string loops;          // the presets' optimal loops, as the native optimiser solved them
};

Page* page = nullptr;

void redraw() {
    page->run.draw(page->frame, page->picture);
}

// The pattern whose parameters the form shows: the selected one's schedule
// (the profile demo flies the downwind pattern's, the fixed view the upwind's).
soar::Mode form_pattern() {
    const soar::Mode m = page->run.model().pattern;
    if (m == soar::Mode::profile) return soar::Mode::downwind;
    if (m == soar::Mode::fixed) return soar::Mode::upwind;
    return m;
}

// After zoom or pan: the fixed view the session draws itself; the picture of
// a flight set up, paused or stopped is drawn again for the view as it is now,
// that of a flight under way at its next tick.
void redraw_view() {
    if (page->run.scene_mode() == soar::Mode::fixed) return;
    if (page->run.flying() && !page->run.paused()) return;
    page->frame = page->run.frame_now();
    redraw();
}

// A text as a JSON string.
void add_json(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (uint8_t(c) < 0x20) {
            out += ' ';
        } else {
            out += c;
        }
    }
    out += '"';
}

std::string field_text(const soar::ParamField& f, float v) {
    return f.choices ? soar::param_value_text(f, v) : soar::shortest_float(v);
}

// The preset the chosen parameters are (its number in the list), or -1.
int chosen_preset() {
    int k = 0;
    for (const soar::Preset& preset : soar::presets()) {
        if (soar::preset_set(preset.name) == page->run.model().params) return k;
        ++k;
    }
    return -1;
}

// The optimal loop of the chosen parameters, when they are a preset's and
// the page holds its loop; else what the page says instead.
struct PresetLoop {
    std::optional<soar::LoopFlight> flight;
    int preset = -1;
    std::string why_not;
};
PresetLoop preset_loop() {
    PresetLoop out;
    out.preset = chosen_preset();
    if (out.preset < 0) {
        out.why_not = "the page holds the presets' optimal loops only";
        return out;
    }
    const soar::Preset& preset = soar::presets()[size_t(out.preset)];
    std::string error;
    const auto problem = soar::preset_loop_problem(page->run.model().params, preset.name, error);
    if (!problem) {
        out.why_not = "the preset poses no loop: " + error;
        return out;
    }
    const auto solution = soar::loop_in_file_text(page->loops, *problem);
    if (!solution) {
        out.why_not = page->loops.empty()
                          ? "the page was built without the optimal loops"
                          : std::string("the page holds no loop for \"") + preset.label + "\"";
        return out;
    }
    out.flight = soar::make_loop_flight(page->run.model().params.upwind, *problem, *solution);
    return out;
}

std::string unit_text(const soar::ParamField& f) {
    return std::string(f.unit) == "-" ? std::string() : std::string(f.unit);
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
// The pace the flight plays at, times real time (1/8 .. 4).
EMSCRIPTEN_KEEPALIVE double page_pace_now() {
    return page->run.flight_clock().pace();
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
            return double(e.dE_wind) + double(e.dE_drag) + double(e.dE_held);
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
// The tick `steps` steps of flight time on from `tick` (back for a negative
// count), and the last tick at or before flight time t s: the look-back keys.
EMSCRIPTEN_KEEPALIVE double page_tick_steps_on(double tick, double steps) {
    return double(page->run.tick_steps_on(int64_t(tick), int64_t(steps)));
}
EMSCRIPTEN_KEEPALIVE double page_tick_at_time(double t) {
    return double(page->run.tick_at_time(t));
}
EMSCRIPTEN_KEEPALIVE double page_time_of_tick(double tick) {
    return page->run.time_of_tick(int64_t(tick));
}

// Zoom in (-1) or out (+1), and the observer moved up 0, down 1, left 2 or
// right 3, as the window's buttons: a flight's next tick shows it, a paused
// or stopped one (or the fixed view) is drawn again at once.
EMSCRIPTEN_KEEPALIVE void page_zoom(int sign) {
    page->run.zoom(sign < 0 ? -1.0 : 1.0);
    redraw_view();
}
EMSCRIPTEN_KEEPALIVE void page_pan(int direction) {
    if (direction < 0 || direction > 3) return;
    page->run.pan(soar::PanDirection(direction));
    redraw_view();
}

EMSCRIPTEN_KEEPALIVE void page_stop_looking_back() {
    page->run.stop_looking_back();
}

// "Fly it yourself" (F6 in the window): a flight the arrow keys or the
// on-screen controls steer, from the selected pattern's start. The answer is
// what the engine said when it could not start one ("" when it started).
EMSCRIPTEN_KEEPALIVE const char* page_fly_yourself(double clock_s) {
    page->clock.set(float(clock_s));
    page->run.window().message.clear();
    page->run.fly_yourself();
    page->frame = page->run.frame_now();
    redraw();
    page->text = page->run.flying() ? std::string() : page->run.window().message;
    if (page->text.empty() && !page->run.flying()) page->text = "no flight of your own started";
    return page->text.c_str();
}

// The controls held now, one bit each: 1 bank left, 2 bank right, 4 pull
// (more lift), 8 push (less lift).
EMSCRIPTEN_KEEPALIVE void page_pilot_keys(int held) {
    soar::PilotKeys keys;
    keys.bank_left = (held & 1) != 0;
    keys.bank_right = (held & 2) != 0;
    keys.more_lift = (held & 4) != 0;
    keys.less_lift = (held & 8) != 0;
    page->run.set_pilot_keys(keys);
}

// Where the run stands (app/run_model.h's RunState: 0 no flight, 1 set up,
// 2 flying, 3 paused, 4 stopped, 5 looking back, 6 the optimal loop flying).
EMSCRIPTEN_KEEPALIVE int page_state() {
    return int(page->run.state());
}

// The pilot's panel as the window's shows it, for a flight flown by you (an
// empty list otherwise): 0 the count that follows, then the stick's bank deg
// and lift coefficient, the bird's bank deg, CL and load factor, the limits
// (bank deg, roll rate deg/s, stall CL, CL rate 1/s, load factor), the score
// (energy gained m, time aloft s) and the completed cycles, the last five at
// most, as (number, energy gained m, time s).
EMSCRIPTEN_KEEPALIVE const double* page_pilot() {
    static std::vector<double> out;
    out.assign(1, 0.0);
    if (!page->run.flown_by_you()) return out.data();
    const soar::Command c = page->run.stick().command();
    const soar::FlightState s = page->run.shown_state();
    const soar::PilotLimits& l = page->run.pilot_limits();
    const soar::PilotScore score = page->run.score();
    for (const double v :
         {double(c.mu_deg), double(c.lift), double(s.mu_deg), double(s.CL), double(s.Nz),
          double(l.bank_max), double(l.bank_rate_max), double(l.CL_max), double(l.CL_rate_max),
          double(l.Nz_max), score.energy_gained_m, score.time_aloft_s})
        out.push_back(v);
    const size_t from = score.cycles.size() > 5 ? score.cycles.size() - 5 : 0;
    for (size_t i = from; i < score.cycles.size(); ++i) {
        out.push_back(score.cycles[i].number);
        out.push_back(score.cycles[i].energy_gained_m);
        out.push_back(score.cycles[i].time_s);
    }
    out[0] = double(out.size() - 1);
    return out.data();
}

// The presets' optimal loops (the text `optimise --loop-file` writes, one
// loop after another), fetched by the page: room for `bytes` bytes of it,
// which the page writes there.
EMSCRIPTEN_KEEPALIVE char* page_loops_room(int bytes) {
    page->loops.assign(size_t(bytes > 0 ? bytes : 0), '\0');
    return page->loops.data();
}

// Whether the chosen parameters have an optimal loop to fly, one JSON text:
// the preset they are (-1 for none), whether its loop is here, and, with the
// loop, its least wind (the profile's wind scale, with its unit) and period s,
// else why there is none.
EMSCRIPTEN_KEEPALIVE const char* page_loop_offer() {
    const PresetLoop l = preset_loop();
    std::string& out = page->text;
    out = "{\"preset\":" + std::to_string(l.preset);
    if (l.flight) {
        const bool gradient = l.flight->problem.profile == soar::optim::WindProfile::linear;
        out += ",\"loop\":true,\"wind\":" + soar::shortest_double(l.flight->solution.wind) +
               ",\"wind_name\":";
        add_json(out, gradient ? "wind gradient" : "U_ref");
        out += ",\"wind_unit\":";
        add_json(out, gradient ? "1/s" : "m/s");
        out += ",\"period\":" + soar::shortest_double(l.flight->solution.period);
        out += l.flight->problem.travel ? ",\"travel\":true" : ",\"travel\":false";
    } else {
        out += ",\"loop\":false,\"why\":";
        add_json(out, l.why_not);
    }
    out += '}';
    return out.c_str();
}

// Flies the chosen preset's optimal loop as the window flies a loop it
// solved (LoopFlight): the answer is "" when it flies, else why it does not.
EMSCRIPTEN_KEEPALIVE const char* page_fly_loop(double clock_s) {
    PresetLoop l = preset_loop();
    if (!l.flight) {
        page->text = l.why_not;
        return page->text.c_str();
    }
    page->clock.set(float(clock_s));
    page->run.fly_loop(*l.flight);
    page->frame = page->run.frame_now();
    redraw();
    page->text.clear();
    return page->text.c_str();
}

// The flight's rows as CSV, as fly --energy writes them (tick, the columns, the energy).
EMSCRIPTEN_KEEPALIVE const char* page_csv() {
    page->text = soar::history_csv(page->run.record().history);
    return page->text.c_str();
}

// The parameters as the form shows them, one JSON text: the pattern whose
// parameters they are, in words ("circle zoom"), the pattern's fields
// (name, group, unit, meaning, the range as the refusal says it, whether the
// pattern flies with it, its value and default as typed, its choices), the
// presets (name, label) and the one the chosen set is, if any, and what the
// window says of the parameters in use.
EMSCRIPTEN_KEEPALIVE const char* page_params() {
    static const char* const groups[] = {"air", "bird", "wind", "pattern"};
    const soar::Mode mode = form_pattern();
    const soar::Params& p = page->run.model().params.of(mode);
    const soar::Params fallback = soar::ParamSet{}.of(mode);
    std::string& out = page->text;
    out = "{\"pattern\":";
    add_json(out, soar::mode_words(mode));
    out += ",\"fields\":[";
    bool first = true;
    for (const soar::ParamField& f : soar::param_fields()) {
        out += first ? "{" : ",{";
        first = false;
        out += "\"name\":";
        add_json(out, f.name);
        out += ",\"group\":";
        add_json(out, groups[int(f.group)]);
        out += ",\"unit\":";
        add_json(out, unit_text(f));
        out += ",\"meaning\":";
        add_json(out, f.meaning);
        out += ",\"range\":";
        add_json(out, soar::param_range_text(f));
        out += soar::param_used(f, mode) ? ",\"used\":true" : ",\"used\":false";
        out += ",\"value\":";
        add_json(out, field_text(f, p.*f.member));
        out += ",\"fallback\":";
        add_json(out, field_text(f, fallback.*f.member));
        out += ",\"choices\":[";
        for (int k = 0; f.choices && f.choices[k]; ++k) {
            if (k) out += ',';
            add_json(out, f.choices[k]);
        }
        out += "]}";
    }
    out += "],\"presets\":[";
    int k = 0;
    for (const soar::Preset& preset : soar::presets()) {
        if (k++) out += ',';
        out += "{\"name\":";
        add_json(out, preset.name);
        out += ",\"label\":";
        add_json(out, preset.label);
        out += '}';
    }
    out += "],\"preset\":" + std::to_string(chosen_preset()) + ",\"legend\":";
    add_json(out, soar::params_legend(page->run.model()));
    out += '}';
    return out.c_str();
}

// A typed value for a parameter of the form's pattern, as the desktop's
// Parameters dialog takes it: the answer is what the form says ("W_S set to
// 150 N/m^2; it applies at the next OK.", or the refusal and the value kept).
// A refused text changes nothing; an accepted one waits for the next OK.
EMSCRIPTEN_KEEPALIVE const char* page_set_param(const char* name, const char* typed_text) {
    std::string& out = page->text;
    const soar::ParamField* f = soar::param_field(name);
    if (!f) {
        out = std::string("no parameter is called ") + name;
        return out.c_str();
    }
    const soar::Mode mode = form_pattern();
    soar::ParamSet& set = page->run.model().params;
    const float old = set.of(mode).*f->member;
    std::string text = typed_text;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(0, 1);
    const std::optional<double> typed = soar::param_value(*f, text);
    if (!typed || !soar::param_in_range(*f, *typed)) {
        out = "\"" + text + "\" refused: " + soar::param_range_text(*f) + ". The value stays " +
              field_text(*f, old) + ".";
        return out.c_str();
    }
    const float v = float(*typed);
    if (v == old) {
        out.clear();
        return out.c_str();
    }
    soar::set_param(set, mode, *f, v);
    const std::string unit = f->choices ? std::string() : unit_text(*f);
    out = std::string(f->name) + " set to " + field_text(*f, v) + (unit.empty() ? "" : " " + unit) +
          "; it applies at the next OK.";
    return out.c_str();
}

// A preset (by its number in the list) or, for -1, the default parameters,
// chosen for every pattern; they apply at the next OK.
EMSCRIPTEN_KEEPALIVE const char* page_choose_preset(int which) {
    std::string& out = page->text;
    const auto& all = soar::presets();
    if (which < 0 || which >= int(all.size())) {
        page->run.model().params = soar::ParamSet{};
        out = "Default parameters chosen; they apply at the next OK.";
    } else {
        page->run.model().params = *soar::preset_set(all[size_t(which)].name);
        out = std::string("Preset \"") + all[size_t(which)].label +
              "\" chosen; it applies at the next OK.";
    }
    return out.c_str();
}

// The parameters a pattern flies with, as their bytes (a plain struct of
// numbers): a worker's own engine of the same build takes them bit for bit
// for a search while this one flies on. page_params_bytes() is where they
// are, page_params_size() how many bytes; a worker writes its copy to the
// same place in its own engine.
EMSCRIPTEN_KEEPALIVE soar::Params* page_params_bytes(int mode) {
    static soar::Params at;
    if (page && mode >= 0) at = page->run.model().params.of(soar::Mode(mode));
    return &at;
}
EMSCRIPTEN_KEEPALIVE int page_params_size() {
    static_assert(std::is_trivially_copyable_v<soar::Params>);
    return int(sizeof(soar::Params));
}

// The energy-neutral (least) wind of pattern `mode` (sim/mode.h) for the
// parameters at page_params_bytes(), over a window of `cycles` cycles after a
// settling one: run in a Web Worker, which hears of each trial done as
// {progress: [done, total]}. The answer, one JSON text: what the search says
// (`text`), and the table (wind at 10 m m/s, mean gain per cycle m, survived).
// Needs no page_start: the worker's engine draws nothing.
EMSCRIPTEN_KEEPALIVE const char* page_least_wind(int mode, int cycles) {
    static std::string out;
    soar::MinWindSearch how;
    how.mode = soar::Mode(mode);
    how.cycles = cycles;
    how.threads = 1;  // the page's engine has no threads; the worker is the second one
    out = "{\"text\":";
    if (how.mode == soar::Mode::fixed || mode > int(soar::Mode::profile) || cycles < 1 ||
        cycles > 1000) {
        add_json(out, "no pattern to search");
        out += ",\"found\":false,\"rows\":[]}";
        return out.c_str();
    }
    soar::MinWindResult r;
    try {
        r = soar::min_wind(*page_params_bytes(-1), how, nullptr, [](int done, int total) {
            EM_ASM({ postMessage({progress : [ $0, $1 ]}); }, done, total);
        });
    } catch (const std::exception& e) {
        r = soar::MinWindResult{};
        r.message = e.what();
    }
    const std::string window =
        "cycles " + std::to_string(how.settle + 1) + " to " + std::to_string(how.settle + cycles);
    char buf[400];
    std::string text;
    if (r.trials.empty()) {
        text = "no table (" + r.message + ")";
    } else if (r.found) {
        std::snprintf(buf, sizeof buf,
                      "%s: %.3f m/s at 10 m (factor %.4f on U_ref, U_ref %.4g m/s, %+.4f m per "
                      "cycle): the lowest wind of the table at which the pattern gains on "
                      "average over %s and survives them; %s.",
                      r.kind == soar::LeastWindKind::energy_neutral ? "energy-neutral wind"
                                                                    : "survival limit",
                      r.least.U_10, r.least.factor, double(r.least.U_ref), r.least.dE_cycle,
                      window.c_str(), r.why.c_str());
        text = buf;
    } else {
        text = "no energy-neutral wind: " + r.message + " (mean gain over " + window + ").";
    }
    add_json(out, text);
    out += r.found ? ",\"found\":true" : ",\"found\":false";
    std::snprintf(buf, sizeof buf, ",\"least\":[%.17g,%.17g]", r.least.U_10, r.least.dE_cycle);
    out += buf;
    out += ",\"rows\":[";
    bool first = true;
    for (const soar::WindTrial& t : r.trials) {
        if (!t.measured) continue;  // no cycle of the window: no mean to draw
        std::snprintf(buf, sizeof buf, "%s[%.17g,%.17g,%s]", first ? "" : ",", t.U_10, t.dE_cycle,
                      t.survived ? "true" : "false");
        out += buf;
        first = false;
    }
    out += "]}";
    return out.c_str();
}

}  // extern "C"
