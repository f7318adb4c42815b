#include <cmath>

#include "app/app.h"
#include "bird/draw.h"
#include "platform/number_text.h"
#include "view/projection.h"

namespace soar {

Mode selected_mode(const Window& w) {
    if (selected(w, Id::opt_upwind)) return Mode::upwind;
    if (selected(w, Id::opt_downwind)) return Mode::downwind;
    if (selected(w, Id::opt_crosswind)) return Mode::crosswind;
    if (selected(w, Id::opt_circlezoom)) return Mode::circlezoom;
    if (selected(w, Id::opt_profile)) return Mode::profile;
    return Mode::fixed;
}

void view_update(State& s, Window& w, Io& io) {
    ome_sig_scale(s, io.pic);
    set_text(w, Id::txt_omedeg, float_text(s.omedeg));
    set_text(w, Id::txt_sigdeg, float_text(s.sigdeg));
}

void draw_bird(State& s, Window& w, Io& io) {
    const ExportResult r = bird_draw(s, io.pic, io.files);
    if (r.ok) return;
    // Nothing more is written until the user ticks the box again.
    control(w, Id::chk_write).value = 0;
    s.write_flag = 0;
    w.message = "The geometry files could not be written: " + r.error +
                ". \"Write to File\" has been turned off.";
}

namespace {

// How the user knows a text box: the caption of the label beside it, with its
// runs of blanks closed up ("Roll Rt.  deg" becomes "Roll Rt. deg").
std::string box_name(const Window& w, Id box) {
    Id label = Id::count_;
    switch (box) {
        case Id::txt_rollR:
            label = Id::lab_rollR;
            break;
        case Id::txt_pitchup:
            label = Id::lab_pitchup;
            break;
        case Id::txt_yawR:
            label = Id::lab_yawR;
            break;
        case Id::txt_bird_scale:
            label = Id::lab_bird_scale;
            break;
        case Id::txt_msec:
            label = Id::lab_msec;
            break;
        case Id::txt_calc:
            label = Id::lab_calc;
            break;
        case Id::txt_xep:
            label = Id::lab_xob;
            break;
        case Id::txt_yep:
            label = Id::lab_yob;
            break;
        case Id::txt_zep:
            label = Id::lab_zob;
            break;
        case Id::txt_time:
            label = Id::lab_time;
            break;
        case Id::txt_omedeg:
            label = Id::lab_omedeg;
            break;
        case Id::txt_sigdeg:
            label = Id::lab_northx;
            break;
        default:
            return std::string(control(w, box).name);
    }
    std::string name;
    for (char ch : text(w, label))
        if (ch != ' ' || (!name.empty() && name.back() != ' ')) name += ch;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

// A text as it is quoted in a message: at most 40 characters.
std::string shortened(const std::string& t) {
    return t.size() <= 40 ? t : t.substr(0, 37) + "...";
}

void run_handler(State& s, Window& w, Io& io, Id id) {
    switch (id) {
        case Id::chk_write:
            return chk_write_Click(s, w, io);
        case Id::chk_airtrack:
            return chk_airtrack_Click(s, w, io);
        case Id::chk_groundtrack:
            return chk_groundtrack_Click(s, w, io);
        case Id::opt_profile:
            return opt_profile_Click(s, w, io);
        case Id::opt_fixed:
            return opt_fixed_Click(s, w, io);
        case Id::opt_upwind:
            return opt_upwind_Click(s, w, io);
        case Id::opt_downwind:
            return opt_downwind_Click(s, w, io);
        case Id::opt_crosswind:
            return opt_crosswind_Click(s, w, io);
        case Id::opt_circlezoom:
            return opt_circlezoom_Click(s, w, io);
        case Id::cmd_zoom_in:
            return cmd_zoom_in_Click(s, w, io);
        case Id::cmd_zoom_out:
            return cmd_zoom_out_Click(s, w, io);
        case Id::cmd_pan_up:
            return cmd_pan_up_click(s, w, io);
        case Id::cmd_pan_down:
            return cmd_pan_down_Click(s, w, io);
        case Id::cmd_pan_Left:
            return cmd_pan_Left_Click(s, w, io);
        case Id::cmd_pan_right:
            return cmd_pan_right_Click(s, w, io);
        case Id::cmd_reset:
            return cmd_reset_Click(s, w, io);
        case Id::cmd_setup:
            return cmd_setup_click(s, w, io);
        case Id::cmd_draw:
            return cmd_draw_Click(s, w, io);
        case Id::cmd_RESUME:
            return cmd_RESUME_Click(s, w, io);
        case Id::cmd_STOP:
            return cmd_STOp_click(s, w, io);
        case Id::cmd_END:
            return cmd_END_Click(s, w, io);
        default:
            return;  // labels, shapes, text boxes and the picture have no click handler
    }
}

}  // namespace

void click(State& s, Window& w, Io& io, Id id) {
    Control& c = control(w, id);
    if (!c.visible || !c.enabled || w.ended) return;
    if (c.kind == Kind::option) {
        select_option(w, id);
    } else if (c.kind == Kind::check) {
        c.value = c.value == 1 ? 0 : 1;
    }
    run_handler(s, w, io, id);
}

void choose_option(State& s, Window& w, Io& io, Id id) {
    if (control(w, id).kind != Kind::option) return;
    select_option(w, id);
    run_handler(s, w, io, id);
}

void set_check(State& s, Window& w, Io& io, Id id, int value) {
    Control& c = control(w, id);
    if (c.kind != Kind::check) return;
    c.value = value == 1 ? 1 : 0;
    run_handler(s, w, io, id);
}

void edit_text(State& s, Window& w, Io& io, Id id, std::string text) {
    Control& c = control(w, id);
    if (c.kind != Kind::text || w.ended) return;
    // Every number of the program is a 32-bit float: a typed value beyond its
    // range (about 3.4E+38) would turn into infinity and, through the attitude,
    // scale or observer, into NaN in the picture and the read-outs.
    if (!std::isfinite(float(text_value(text)))) {
        w.message = "The value typed in the box \"" + box_name(w, id) + "\", \"" + shortened(text) +
                    "\", is too large: the program's numbers reach about 3.4E+38. The box "
                    "keeps its previous value, \"" +
                    shortened(c.text) + "\".";
        return;
    }
    c.text = std::move(text);
    if (id == Id::txt_msec) txt_msec_Change(s, w, io);
    if (id == Id::txt_bird_scale) txt_bird_scale_Change(s, w, io);
}

}  // namespace soar
