// The main window as it was designed: where each control stands (twips), how
// it looks, the frames and the zoom ring drawn behind the controls, the focus
// order and the window's caption, client area and colour. The controls and
// what they show are the model's (app/window.h); this is only their place.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/window.h"

namespace soar {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;  // twips
};

// How a control looks, beyond its kind. Colours are 0xRRGGBB, -1 for the default.
struct Look {
    bool bold = false;
    bool title_font = false;  // Arial 14.25 pt italic
    int32_t fore = -1, back = -1, border = -1;
};

// The figures drawn on the window behind the controls, taking no clicks.
enum class Shape { fixed_frame, zoom_ring, zoom_handle, moving_frame, count_ };
inline constexpr int kShapeCount = static_cast<int>(Shape::count_);

struct ShapeLayout {
    Shape shape;
    std::string_view name;
    bool circle;  // else a rectangle
    Rect rect;
    Look look;
};

struct DesignedLayout {
    std::string_view caption;
    int client_width, client_height;  // twips
    int32_t background;
};

const DesignedLayout& designed_layout();
// Where control `id` stands, and how it looks.
const Rect& designed_rect(Id id);
const Look& designed_look(Id id);
// The shapes, in the order they are laid behind the controls.
const ShapeLayout& shape_layout(Shape shape);
// The focus order, first to last.
const std::vector<Id>& tab_order();
// The controls in the order a user reads the form for a flight: the view
// and the patterns, OK, FLY, STOP and END, the attitude boxes, the pan and
// zoom buttons; those the program never shows last.
const std::vector<Id>& reading_order();

}  // namespace soar
