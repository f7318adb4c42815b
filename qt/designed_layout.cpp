#include "qt/designed_layout.h"

#include <array>
#include <iterator>

namespace soar {

namespace {

constexpr int kBlue192 = 0x0000C0;

struct Place {
    Id id;
    Rect rect;  // left, top, width, height, twips
};

constexpr Place kPlaces[] = {
    {Id::picture, {2640, 720, 12500, 10000}},
    {Id::title, {5760, 120, 5055, 375}},
    {Id::grid_box, {240, 120, 615, 255}},
    {Id::write_files_box, {1080, 120, 1335, 255}},
    {Id::profile_option, {360, 360, 1335, 255}},
    {Id::depression_label, {240, 600, 975, 255}},
    {Id::depression_box, {1320, 600, 615, 285}},
    {Id::azimuth_label, {240, 840, 975, 255}},
    {Id::azimuth_box, {1320, 840, 615, 285}},
    {Id::observer_x_label, {240, 1080, 975, 255}},
    {Id::observer_x_box, {1320, 1080, 615, 285}},
    {Id::observer_y_label, {240, 1320, 975, 255}},
    {Id::observer_y_box, {1320, 1320, 615, 285}},
    {Id::observer_z_label, {240, 1560, 975, 255}},
    {Id::observer_z_box, {1320, 1560, 615, 285}},
    {Id::step_label, {240, 1800, 975, 255}},
    {Id::step_box, {1320, 1800, 615, 285}},
    {Id::calc_label, {240, 2040, 975, 255}},
    {Id::calc_box, {1320, 2040, 615, 285}},
    {Id::bird_scale_label, {240, 2280, 975, 255}},
    {Id::bird_scale_box, {1320, 2280, 615, 285}},
    {Id::fixed_option, {720, 3000, 1335, 255}},
    {Id::roll_label, {480, 3480, 975, 255}},
    {Id::roll_box, {1560, 3480, 615, 285}},
    {Id::pitch_label, {480, 3840, 975, 255}},
    {Id::pitch_box, {1560, 3840, 615, 285}},
    {Id::yaw_label, {480, 4200, 975, 255}},
    {Id::yaw_box, {1560, 4200, 615, 285}},
    {Id::pan_up_button, {720, 4800, 255, 255}},
    {Id::pan_left_button, {480, 5040, 255, 255}},
    {Id::pan_right_button, {960, 5040, 255, 255}},
    {Id::pan_down_button, {720, 5280, 255, 255}},
    {Id::zoom_in_button, {1560, 4920, 255, 255}},
    {Id::zoom_out_button, {1800, 4920, 255, 255}},
    {Id::moving_label, {840, 5880, 1095, 255}},
    {Id::upwind_option, {600, 6120, 1335, 255}},
    {Id::downwind_option, {600, 6360, 1335, 255}},
    {Id::crosswind_option, {600, 6600, 1335, 255}},
    {Id::circle_zoom_option, {600, 6840, 1575, 255}},
    {Id::ground_track_box, {600, 7200, 1335, 255}},
    {Id::air_track_box, {600, 7440, 1335, 255}},
    {Id::draw_button, {360, 7920, 855, 255}},
    {Id::ok_button, {1320, 8040, 735, 255}},
    {Id::reset_button, {360, 8160, 855, 255}},
    {Id::fly_button, {1320, 8400, 735, 255}},
    {Id::time_box, {480, 8520, 615, 285}},
    {Id::stop_button, {1320, 8760, 735, 255}},
    {Id::time_label, {600, 8880, 495, 255}},
    {Id::end_button, {1320, 9120, 735, 255}},
};
static_assert(std::size(kPlaces) == kControlCount, "one place per control");
constexpr bool in_id_order() {
    for (size_t i = 0; i < std::size(kPlaces); ++i)
        if (static_cast<size_t>(kPlaces[i].id) != i) return false;
    return true;
}
static_assert(in_id_order(), "places in the order of the controls");

constexpr Id kTabOrder[] = {
    Id::draw_button,      Id::end_button,       Id::pitch_box,          Id::step_box,
    Id::step_label,       Id::stop_button,      Id::fly_button,         Id::zoom_in_button,
    Id::pan_left_button,  Id::pan_right_button, Id::pan_up_button,      Id::pan_down_button,
    Id::zoom_out_button,  Id::pitch_label,      Id::roll_label,         Id::roll_box,
    Id::yaw_label,        Id::yaw_box,          Id::observer_y_box,     Id::observer_y_label,
    Id::ok_button,        Id::write_files_box,  Id::time_box,           Id::time_label,
    Id::observer_x_label, Id::observer_z_label, Id::observer_x_box,     Id::observer_z_box,
    Id::depression_label, Id::depression_box,   Id::azimuth_label,      Id::azimuth_box,
    Id::bird_scale_label, Id::bird_scale_box,   Id::reset_button,       Id::ground_track_box,
    Id::air_track_box,    Id::profile_option,   Id::downwind_option,    Id::calc_box,
    Id::calc_label,       Id::fixed_option,     Id::grid_box,           Id::crosswind_option,
    Id::upwind_option,    Id::picture,          Id::circle_zoom_option, Id::title,
    Id::moving_label,
};

constexpr Id kReadingOrder[] = {
    Id::fixed_option,       Id::upwind_option,    Id::downwind_option, Id::crosswind_option,
    Id::circle_zoom_option, Id::ground_track_box, Id::air_track_box,   Id::ok_button,
    Id::fly_button,         Id::stop_button,      Id::end_button,      Id::roll_box,
    Id::pitch_box,          Id::yaw_box,          Id::pan_up_button,   Id::pan_left_button,
    Id::pan_right_button,   Id::pan_down_button,  Id::zoom_in_button,  Id::zoom_out_button,
    Id::time_box,           Id::grid_box,         Id::write_files_box, Id::profile_option,
    Id::depression_box,     Id::azimuth_box,      Id::observer_x_box,  Id::observer_y_box,
    Id::observer_z_box,     Id::step_box,         Id::calc_box,        Id::bird_scale_box,
    Id::draw_button,        Id::reset_button,
};

std::array<Look, kControlCount> designed_looks() {
    std::array<Look, kControlCount> looks{};
    const auto look = [&looks](Id id) -> Look& { return looks[static_cast<size_t>(id)]; };
    look(Id::picture).back = 0x8080FF;
    look(Id::title) = Look{false, true, 0x000080, -1, -1};
    look(Id::time_box).back = 0xFFFFFF;
    look(Id::fixed_option).bold = true;
    look(Id::moving_label).bold = true;
    return looks;
}

const ShapeLayout kShapes[] = {
    {Shape::fixed_frame,
     "fixed_frame",
     false,
     {360, 2880, 1935, 1695},
     Look{false, false, -1, -1, kBlue192}},
    {Shape::zoom_ring, "zoom_ring", true, {1500, 4755, 615, 615}, Look{}},
    {Shape::zoom_handle,
     "zoom_handle",
     false,
     {1710, 5320, 200, 375},
     Look{false, false, -1, 0x808080, -1}},
    {Shape::moving_frame,
     "moving_frame",
     false,
     {360, 5760, 1935, 2055},
     Look{false, false, -1, -1, kBlue192}},
};
static_assert(std::size(kShapes) == kShapeCount, "one row per shape");

}  // namespace

const DesignedLayout& designed_layout() {
    static const DesignedLayout layout{
        "SOARCALCULUS  -  after the flight mechanics of albatross dynamic soaring", 14025, 9495,
        0xE0E0E0};
    return layout;
}

const Rect& designed_rect(Id id) {
    return kPlaces[static_cast<size_t>(id)].rect;
}

const Look& designed_look(Id id) {
    static const std::array<Look, kControlCount> looks = designed_looks();
    return looks.at(static_cast<size_t>(id));
}

const ShapeLayout& shape_layout(Shape shape) {
    return kShapes[static_cast<size_t>(shape)];
}

const std::vector<Id>& tab_order() {
    static const std::vector<Id> order(std::begin(kTabOrder), std::end(kTabOrder));
    return order;
}

const std::vector<Id>& reading_order() {
    static const std::vector<Id> order(std::begin(kReadingOrder), std::end(kReadingOrder));
    return order;
}

}  // namespace soar
