#include "app/window.h"

#include <stdexcept>

#include "platform/number_text.h"

namespace soar {

namespace {

struct Row {
    Id id;
    std::string_view name;
    Kind kind;
    std::string_view text;
    Rect rect;
    bool visible;
    int value;
};

constexpr int kBlue192 = 0x0000C0;

// The window description: name, kind, caption or default text, design rectangle
// (left, top, width, height in twips), initial visibility and value.
constexpr Row kRows[] = {
    {Id::pic, "pic(1)", Kind::picture, "", {2640, 720, 12500, 10000}, false, 0},
    {Id::Label2,
     "Label2",
     Kind::label,
     "Albatross Dynamic Soaring Simulation",
     {5760, 120, 5055, 375},
     true,
     0},
    {Id::chk_grid, "chk_grid", Kind::check, "grid", {240, 120, 615, 255}, false, 0},
    {Id::chk_write, "chk_write", Kind::check, "Write to File", {1080, 120, 1335, 255}, false, 0},
    {Id::opt_profile, "opt_profile", Kind::option, "Profile Demo", {360, 360, 1335, 255}, false, 0},
    {Id::lab_northx, "lab_northx", Kind::label, "South", {240, 600, 975, 255}, false, 0},
    {Id::txt_sigdeg, "txt_sigdeg", Kind::text, "0", {1320, 600, 615, 285}, false, 0},
    {Id::lab_omedeg, "lab_omedeg", Kind::label, "West", {240, 840, 975, 255}, false, 0},
    {Id::txt_omedeg, "txt_omedeg", Kind::text, "0", {1320, 840, 615, 285}, false, 0},
    {Id::lab_xob, "lab_xob", Kind::label, "X observer", {240, 1080, 975, 255}, false, 0},
    {Id::txt_xep, "txt_xep", Kind::text, "0", {1320, 1080, 615, 285}, false, 0},
    {Id::lab_yob, "lab_yob", Kind::label, "Y observer", {240, 1320, 975, 255}, false, 0},
    {Id::txt_yep, "txt_yep", Kind::text, "-3", {1320, 1320, 615, 285}, false, 0},
    {Id::lab_zob, "lab_zob", Kind::label, "Z observer", {240, 1560, 975, 255}, false, 0},
    {Id::txt_zep, "txt_zep", Kind::text, "0", {1320, 1560, 615, 285}, false, 0},
    {Id::lab_msec, "lab_msec", Kind::label, "step_msec", {240, 1800, 975, 255}, false, 0},
    {Id::txt_msec, "txt_msec", Kind::text, "1", {1320, 1800, 615, 285}, false, 0},
    {Id::lab_calc, "lab_calc", Kind::label, "calc_msec *", {240, 2040, 975, 255}, false, 0},
    {Id::txt_calc, "txt_calc", Kind::text, "30", {1320, 2040, 615, 285}, false, 0},
    {Id::lab_bird_scale,
     "lab_bird_scale",
     Kind::label,
     "Bird Scale",
     {240, 2280, 975, 255},
     false,
     0},
    {Id::txt_bird_scale, "txt_bird_scale", Kind::text, "1", {1320, 2280, 615, 285}, false, 0},
    {Id::Shape1, "Shape1", Kind::shape_rect, "", {360, 2880, 1935, 1695}, true, 0},
    {Id::opt_fixed, "opt_fixed", Kind::option, "FIXED", {720, 3000, 1335, 255}, true, 1},
    {Id::lab_rollR, "lab_rollR", Kind::label, "Roll Rt.  deg", {480, 3480, 975, 255}, true, 0},
    {Id::txt_rollR, "txt_rollR", Kind::text, "0", {1560, 3480, 615, 285}, true, 0},
    {Id::lab_pitchup, "lab_pitchup", Kind::label, "Pitch up deg", {480, 3840, 975, 255}, true, 0},
    {Id::txt_pitchup, "txt_pitchup", Kind::text, "2", {1560, 3840, 615, 285}, true, 0},
    {Id::lab_yawR, "lab_yawR", Kind::label, "Yaw Rt. deg", {480, 4200, 975, 255}, true, 0},
    {Id::txt_yawR, "txt_yawR", Kind::text, "0", {1560, 4200, 615, 285}, true, 0},
    {Id::cmd_pan_up, "cmd_pan_up", Kind::command, "^", {720, 4800, 255, 255}, true, 0},
    {Id::cmd_pan_Left, "cmd_pan_Left", Kind::command, "<", {480, 5040, 255, 255}, true, 0},
    {Id::cmd_pan_right, "cmd_pan_right", Kind::command, ">", {960, 5040, 255, 255}, true, 0},
    {Id::cmd_pan_down, "cmd_pan_down", Kind::command, "v", {720, 5280, 255, 255}, true, 0},
    {Id::Shape3, "Shape3", Kind::shape_circle, "", {1500, 4755, 615, 615}, true, 0},
    {Id::cmd_zoom_in, "cmd_zoom_in", Kind::command, "+", {1560, 4920, 255, 255}, true, 0},
    {Id::cmd_zoom_out, "cmd_zoom_out", Kind::command, "--", {1800, 4920, 255, 255}, true, 0},
    {Id::Shape4, "Shape4", Kind::shape_rect, "", {1710, 5320, 200, 375}, true, 0},
    {Id::Shape2, "Shape2", Kind::shape_rect, "", {360, 5760, 1935, 2055}, true, 0},
    {Id::Label4, "Label4", Kind::label, "MOVING", {840, 5880, 1095, 255}, true, 0},
    {Id::opt_upwind, "opt_upwind", Kind::option, "Upwind", {600, 6120, 1335, 255}, true, 0},
    {Id::opt_downwind, "opt_downwind", Kind::option, "Downwind", {600, 6360, 1335, 255}, true, 0},
    {Id::opt_crosswind,
     "opt_crosswind",
     Kind::option,
     "Crosswind",
     {600, 6600, 1335, 255},
     true,
     0},
    {Id::opt_circlezoom,
     "opt_circlezoom",
     Kind::option,
     "Zoom, U=0, D=0",
     {600, 6840, 1575, 255},
     true,
     0},
    {Id::chk_groundtrack,
     "chk_groundtrack",
     Kind::check,
     "Ground Track",
     {600, 7200, 1335, 255},
     false,
     1},
    {Id::chk_airtrack, "chk_airtrack", Kind::check, "Air Track", {600, 7440, 1335, 255}, false, 1},
    {Id::cmd_draw, "cmd_draw", Kind::command, "DRAW", {360, 7920, 855, 255}, false, 0},
    {Id::cmd_setup, "cmd_setup", Kind::command, "OK", {1320, 8040, 735, 255}, true, 0},
    {Id::cmd_reset, "cmd_reset", Kind::command, "RESET", {360, 8160, 855, 255}, false, 0},
    {Id::cmd_RESUME, "cmd_RESUME", Kind::command, "FLY", {1320, 8400, 735, 255}, false, 0},
    {Id::txt_time, "txt_time", Kind::text, "", {480, 8520, 615, 285}, true, 0},
    {Id::cmd_STOP, "cmd_STOP", Kind::command, "STOP", {1320, 8760, 735, 255}, true, 0},
    {Id::lab_time, "lab_time", Kind::label, "time,s", {600, 8880, 495, 255}, true, 0},
    {Id::cmd_END, "cmd_END", Kind::command, "END", {1320, 9120, 735, 255}, true, 0},
    {Id::Tim_1, "Tim_1", Kind::timer, "", {0, 0, 0, 0}, false, 0},
};
static_assert(std::size(kRows) == kControlCount, "one row per control");

constexpr Id kTabOrder[] = {
    Id::cmd_draw,       Id::cmd_END,
    Id::txt_pitchup,    Id::txt_msec,
    Id::lab_msec,       Id::cmd_STOP,
    Id::cmd_RESUME,     Id::cmd_zoom_in,
    Id::cmd_pan_Left,   Id::cmd_pan_right,
    Id::cmd_pan_up,     Id::cmd_pan_down,
    Id::cmd_zoom_out,   Id::lab_pitchup,
    Id::lab_rollR,      Id::txt_rollR,
    Id::lab_yawR,       Id::txt_yawR,
    Id::txt_yep,        Id::lab_yob,
    Id::cmd_setup,      Id::chk_write,
    Id::txt_time,       Id::lab_time,
    Id::lab_xob,        Id::lab_zob,
    Id::txt_xep,        Id::txt_zep,
    Id::lab_northx,     Id::txt_sigdeg,
    Id::lab_omedeg,     Id::txt_omedeg,
    Id::lab_bird_scale, Id::txt_bird_scale,
    Id::cmd_reset,      Id::chk_groundtrack,
    Id::chk_airtrack,   Id::opt_profile,
    Id::opt_downwind,   Id::txt_calc,
    Id::lab_calc,       Id::opt_fixed,
    Id::chk_grid,       Id::opt_crosswind,
    Id::opt_upwind,     Id::pic,
    Id::opt_circlezoom, Id::Label2,
    Id::Label4,
};

}  // namespace

Window make_window() {
    Window w;
    w.caption = "SOARCALCULUS  -  after the flight mechanics of albatross dynamic soaring";
    for (const Row& r : kRows) {
        Control& c = w.controls[static_cast<size_t>(r.id)];
        c.id = r.id;
        c.name = r.name;
        c.kind = r.kind;
        c.text = std::string(r.text);
        c.rect = r.rect;
        c.visible = r.visible;
        c.value = r.value;
    }
    control(w, Id::pic).look.back = 0x8080FF;
    control(w, Id::Label2).look = Look{false, true, 0x000080, -1, -1};
    control(w, Id::txt_sigdeg).enabled = false;
    control(w, Id::txt_omedeg).enabled = false;
    control(w, Id::txt_time).enabled = false;
    control(w, Id::txt_time).look.back = 0xFFFFFF;
    control(w, Id::Shape1).look.border = kBlue192;
    control(w, Id::Shape2).look.border = kBlue192;
    control(w, Id::Shape4).look.back = 0x808080;
    control(w, Id::opt_fixed).look.bold = true;
    control(w, Id::Label4).look.bold = true;
    w.tab_order.assign(std::begin(kTabOrder), std::end(kTabOrder));
    return w;
}

Control& control(Window& w, Id id) {
    return w.controls.at(static_cast<size_t>(id));
}
const Control& control(const Window& w, Id id) {
    return w.controls.at(static_cast<size_t>(id));
}

Id id_of(std::string_view name) {
    for (const Row& r : kRows)
        if (r.name == name) return r.id;
    return Id::count_;
}

void select_option(Window& w, Id id) {
    for (Control& c : w.controls)
        if (c.kind == Kind::option) c.value = (c.id == id) ? 1 : 0;
}

double number_in(const Window& w, Id id) {
    return text_value(text(w, id));
}

}  // namespace soar
