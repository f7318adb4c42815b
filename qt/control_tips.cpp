#include "qt/control_tips.h"

namespace soar {

namespace {

QString plain_tip(Id id) {
    switch (id) {
        case Id::picture:
            return QStringLiteral(
                "The bird, its ground track (green) and air track (blue) and the wind "
                "figure. Right-click for more.");
        case Id::grid_box:
            return QStringLiteral("Draw the sea grid.");
        case Id::write_files_box:
            return QStringLiteral("Write the bird's geometry files each time it is drawn.");
        case Id::profile_option:
            return QStringLiteral("The wind profile shown side-on.");
        case Id::depression_box:
            return QStringLiteral("The line of sight's angle below the horizontal, deg.");
        case Id::azimuth_box:
            return QStringLiteral("The line of sight's direction from +y towards +x, deg.");
        case Id::observer_x_box:
            return QStringLiteral("The observer's X, m.");
        case Id::observer_y_box:
            return QStringLiteral("The observer's Y, m.");
        case Id::observer_z_box:
            return QStringLiteral("The observer's height, m.");
        case Id::step_box:
            return QStringLiteral("The timer's interval between ticks, ms.");
        case Id::calc_box:
            return QStringLiteral("Calculation time per tick, ms.");
        case Id::bird_scale_box:
            return QStringLiteral("How large the bird is drawn.");
        case Id::fixed_option:
            return QStringLiteral("The bird alone, at the attitude typed below; OK draws it.");
        case Id::roll_box:
            return QStringLiteral(
                "Roll to the right, deg (in flight: the bank). Checked when applied: "
                "Return, OK or leaving the box.");
        case Id::pitch_box:
            return QStringLiteral(
                "Pitch up, deg (in flight: the body's pitch). Checked when applied: "
                "Return, OK or leaving the box.");
        case Id::yaw_box:
            return QStringLiteral(
                "Yaw to the right, deg (in flight: the body's yaw). Checked when "
                "applied: Return, OK or leaving the box.");
        case Id::pan_up_button:
            return QStringLiteral(
                "Fixed view: pitch the bird up 5 deg. Moving views: the observer higher.");
        case Id::pan_down_button:
            return QStringLiteral(
                "Fixed view: pitch the bird down 5 deg. Moving views: the observer lower.");
        case Id::pan_left_button:
            return QStringLiteral("Turn the bird 10 deg.");
        case Id::pan_right_button:
            return QStringLiteral("Turn the bird 10 deg the other way.");
        case Id::zoom_in_button:
            return QStringLiteral(
                "Zoom in: a narrower view (fixed view) or the observer closer to the "
                "bird; at once, also while paused or stopped.");
        case Id::zoom_out_button:
            return QStringLiteral(
                "Zoom out: a wider view (fixed view) or the observer farther from the "
                "bird; at once, also while paused or stopped.");
        case Id::upwind_option:
            return QStringLiteral("Climb into the wind, turn, dive downwind: a cycle every T_cyc.");
        case Id::downwind_option:
            return QStringLiteral(
                "Loops travelling downwind, the heading turning through full circles.");
        case Id::crosswind_option:
            return QStringLiteral("Climbs and dives across the wind.");
        case Id::circle_zoom_option:
            return QStringLiteral(
                "A circle with a zoom climb, without wind or drag: the energy stays.");
        case Id::ground_track_box:
            return QStringLiteral("Draw the track over the sea (green).");
        case Id::air_track_box:
            return QStringLiteral("Draw the track through the air (blue).");
        case Id::draw_button:
            return QStringLiteral("Draw the bird on a clear picture.");
        case Id::ok_button:
            return QStringLiteral("Set up the selected pattern (the fixed view: draw the bird).");
        case Id::reset_button:
            return QStringLiteral("The attitude boxes back to their start values.");
        case Id::fly_button:
            return QStringLiteral(
                "Start the flight set up by OK; a paused flight goes on from where it was.");
        case Id::time_box:
            return QStringLiteral("Flight time, s (of the moment shown when looking back).");
        case Id::stop_button:
            return QStringLiteral("Stop the flight where it is.");
        case Id::end_button:
            return QStringLiteral("Close the program.");
        default:
            return {};
    }
}

}  // namespace

QKeySequence control_key(Id id) {
    const auto alt = [](Qt::Key k) { return QKeySequence(Qt::ALT | k); };
    switch (id) {
        case Id::fixed_option:
            return alt(Qt::Key_X);
        case Id::upwind_option:
            return alt(Qt::Key_U);
        case Id::downwind_option:
            return alt(Qt::Key_D);
        case Id::crosswind_option:
            return alt(Qt::Key_C);
        case Id::circle_zoom_option:
            return alt(Qt::Key_Z);
        case Id::ok_button:
            return alt(Qt::Key_O);
        case Id::fly_button:
            return alt(Qt::Key_Y);
        case Id::stop_button:
            return alt(Qt::Key_T);
        case Id::end_button:
            return alt(Qt::Key_E);
        case Id::draw_button:
            return alt(Qt::Key_W);
        case Id::reset_button:
            return alt(Qt::Key_R);
        default:
            return {};
    }
}

const std::vector<Id>& keyed_controls() {
    static const std::vector<Id> ids = {
        Id::fixed_option,       Id::upwind_option, Id::downwind_option, Id::crosswind_option,
        Id::circle_zoom_option, Id::ok_button,     Id::fly_button,      Id::stop_button,
        Id::end_button,         Id::draw_button,   Id::reset_button};
    return ids;
}

QKeySequence pause_key() {
    return QKeySequence(Qt::Key_P);
}

QKeySequence pause_alt_key() {
    return QKeySequence(Qt::ALT | Qt::Key_A);
}

QString control_tip(Id id) {
    const QString tip = plain_tip(id);
    const QKeySequence key = control_key(id);
    if (tip.isEmpty() || key.isEmpty()) return tip;
    return tip + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
           QStringLiteral(")");
}

}  // namespace soar
