// The user coordinate system of a picture box: two corners in user units mapped
// onto the surface's pixels. Shared by every Surface implementation.
#pragma once

#include <cmath>

#include "platform/surface.h"

namespace soar {

struct UserScale {
    int width_px = 833;  // 12500 x 10000 twips at 15 twips per pixel
    int height_px = 667;
    double left = 0, top = 0, right = 833, bottom = 667;  // pixels until a user scale is set
    int mode = kScalePixels;

    // False (and unchanged) for a scale with a zero or non-finite extent.
    bool set(double x1, double y1, double x2, double y2) {
        const bool ok = std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) &&
                        std::isfinite(y2) && x1 != x2 && y1 != y2;
        if (!ok) return false;
        left = x1, top = y1, right = x2, bottom = y2;
        mode = kScaleUser;
        return true;
    }
    ScaleSetting setting(bool refused) const { return {left, top, right, bottom, mode, refused}; }
    void take(const ScaleSetting& s) {
        left = s.left, top = s.top, right = s.right, bottom = s.bottom, mode = s.mode;
    }
    double px(double x) const { return (x - left) * width_px / (right - left); }
    double py(double y) const { return (y - top) * height_px / (bottom - top); }
    double extent_y_to_pixels(double extent, int from_mode) const {
        if (from_mode == kScalePixels) return extent;
        return extent * height_px / (bottom - top);
    }
    double extent_x_to_pixels(double extent, int from_mode) const {
        if (from_mode == kScalePixels) return extent;
        return extent * width_px / (right - left);
    }
};

}  // namespace soar
