#include "bird/pose.h"

#include <cmath>
#include <cstring>

#include "sim/constants.h"

namespace soar {

namespace {

// The neck, where the roll blends in, in metres from mid-body. Its length is
// taken in float arithmetic.
constexpr float kNeckStart = -0.4f;
constexpr float kNeckEnd = -0.2f;
constexpr float kNeckLength = kNeckEnd - kNeckStart;

}  // namespace

void bird_scale_point(float scale, float& x, float& y, float& z) {
    // One body length is 3.5 / 2.8 = 1.25 m (a 3.5 m span, 2.8 body lengths) at
    // scale 1.
    const float b = float(double(scale) * 3.5 / 2.8);
    // Origin at mid-length, 0.04 body lengths below the centre line.
    x = float((double(x) - 0.5) * double(b));
    y = float(double(y) * double(b));
    z = float((double(z) + 0.04) * double(b));
}

double bird_graded_roll(float roll_deg, float x) {
    const double xd = x;
    const double roll = roll_deg;
    if (xd <= -0.4) return 0.0;
    if (xd <= -0.2) return roll * 0.5 * (1.0 - std::cos((xd + 0.4) * k::pi / double(kNeckLength)));
    if (xd <= 0.2) return roll;
    const double u = xd - 0.2;
    return roll * (0.6 * std::exp(-20.0 * (u * u)) + 0.4);
}

BirdAttitude::BirdAttitude(const Attitude& a) : roll_(a.roll) {
    const double th = double(a.pitch) * k::d2r;
    const double ps = double(a.yaw) * k::d2r;
    cos_p_ = std::cos(th), sin_p_ = std::sin(th);
    cos_y_ = std::cos(ps), sin_y_ = std::sin(ps);
}

Rotated BirdAttitude::rotate(float x, float y, float z) const {
    const double a = bird_graded_roll(roll_, x) * k::d2r;
    if (std::memcmp(&a, &last_a_, sizeof a) != 0) {
        last_a_ = a;
        cos_a_ = std::cos(a);
        sin_a_ = std::sin(a);
    }
    const double ca = cos_a_, sa = sin_a_;
    const double xd = x, yd = y, zd = z;
    // Roll about x, pitch about y, yaw about z.
    const double y1 = yd * ca - zd * sa;
    const double z1 = zd * ca + yd * sa;
    const double x2 = xd * cos_p_ + z1 * sin_p_;
    const double z2 = z1 * cos_p_ - xd * sin_p_;
    return {float(x2 * cos_y_ - y1 * sin_y_), float(x2 * sin_y_ + y1 * cos_y_), float(z2)};
}

}  // namespace soar
