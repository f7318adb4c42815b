#include "bird/body.h"

#include <cmath>

#include "platform/number_text.h"
#include "sim/constants.h"

// Every named quantity below is a 32-bit float: each step is evaluated in double
// from the stored floats and rounded when it is stored, so the model's points do
// not depend on how the compiler keeps intermediates.

namespace soar {

namespace {

// Polynomial half-width of the trunk at station t.
double trunk_width(double t) {
    return 2.2798 * (t * t) + 0.068403 * t - 5.1163 * std::pow(t, 3) + 2.9562 * std::pow(t, 4);
}

// The tail closes to a point in plan view over its last 4 % of body length. The
// length of that stretch is taken in float arithmetic (0.04000002).
constexpr float kTailCloseStart = 0.96f;
constexpr float kTailCloseLength = 1.0f - kTailCloseStart;

}  // namespace

BodySection body_station(BirdModel& m, float x) {
    m.x_bill = 0.14f;
    m.x_tailc = 0.8f;
    const double xd = x;
    const double xb = m.x_bill;
    const float d = float(1.0 - xd);       // distance from the tail end
    const float k_h = float(17.0 / 21.0);  // height factor
    const float k_w = float(22.0 / 30.0);  // width factor
    const double dd = d;

    // Back line, with a gentle hump over the shoulders at x = 0.44.
    const double xs = xd - 0.44;
    float z_top = float(0.47 * (dd * dd) + 0.003 - 0.57 * std::pow(dd, 3) +
                        0.01 * std::exp(-100.0 * (xs * xs)));
    // Centre line, lowered towards the bill.
    float z_c = float(-0.14 * std::pow(dd, 10));

    // Bill: the back drops in front of the forehead, the culmen rises again to the
    // tip, and the centre line hooks down.
    if (x < m.x_bill) {
        const double e = xb - xd;
        z_top = float(double(z_top) - 0.08 * (1.0 - std::exp(-300.0 * (e * e))));
        z_top = float(double(z_top) + 0.03 * std::sin(k::pi * std::pow(xd / xb, 0.3)));
        z_c = float(double(z_c) - 0.04 * (1.0 - std::exp(-700.0 * (e * e))));
    }

    // Belly line.
    float z_bot =
        float(0.028 / std::exp(6.0 * std::sqrt(xd)) + 0.05 * std::sin(k::pi * std::pow(xd, 4)) -
              0.003 - 0.2 * (1.0 - std::pow(xd, 3)) + 0.06 * std::sin(k::pi * std::pow(dd, 5)));

    z_top = float(double(z_top) * double(k_h));
    z_c = float(double(z_c) * double(k_h));
    z_bot = float(double(z_bot) * double(k_h));

    // Half-width: a polynomial trunk with a bulge at the head (x = 0.16) and a
    // rounded bill; behind x_tailc the tail fans out linearly.
    float w;
    if (x >= m.x_tailc) {
        w = float(trunk_width(double(m.x_tailc)) + 0.17 * (xd - double(m.x_tailc)));
    } else {
        const double h = xd - 0.16;
        w = float(trunk_width(xd) + 0.017 / std::exp(800.0 * (h * h)));
        if (x < m.x_bill) w = float(double(w) + 0.013 * std::sin(k::pi * std::pow(xd / xb, 0.4)));
    }
    if (x >= kTailCloseStart)
        w = float(double(w) * std::sqrt((1.0 - xd) / double(kTailCloseLength)));
    // Wing-root fairing at x = 0.68.
    const double r = xd - 0.68;
    w = float((double(w) + 0.015 * std::exp(-150.0 * (r * r))) * double(k_w));

    return {w, z_c, z_top, z_bot};
}

BodyPoint body_ray_point(const BodySection& c, float phi) {
    const float a_up = float(double(c.z_top) - double(c.z_c));
    const float a_lo = float(double(c.z_c) - double(c.z_bot));
    const float T = float(std::tan(double(phi)));
    const double t = T;
    const double w = c.w;
    // Intersection of the line Z - z_c = T Y with the half-ellipse of semi-axes
    // (w, a): Y = w / sqrt(1 + T^2 (w/a)^2).
    float Y, Z;
    if (phi > 0.0f) {
        const double q = w / double(a_up);
        Y = float(w / std::sqrt(1.0 + (t * t) * (q * q)));
        const double y = double(Y) / w;
        Z = float(double(c.z_c) + double(a_up) * std::sqrt(1.0 - y * y));
    } else {
        const double q = w / double(a_lo);
        Y = float(w / std::sqrt(1.0 + (t * t) * (q * q)));
        const double y = double(Y) / w;
        Z = float(double(c.z_c) - double(a_lo) * std::sqrt(1.0 - y * y));
    }
    return {Y, Z};
}

void body_profile(BirdModel& m) {
    m.n_prof = 130;
    m.x_prof.allocate(1, m.n_prof);
    m.y_prof.allocate(1, m.n_prof);
    m.z_prof.allocate(1, m.n_prof);
    for (int i = 1; i <= m.n_prof; ++i) {
        // One turn of psi runs the station out to the tail and back, cosine-spaced.
        const float psi = float(k::two_pi * double(i - 1) / 129.0);
        const float x = float((1.0 - std::cos(double(psi))) / 2.0);
        const BodySection c = body_station(m, x);
        m.x_prof(i) = x;
        m.y_prof(i) = 0.0f;
        m.z_prof(i) = psi <= k::pi_f ? c.z_top : c.z_bot;
    }
}

void body_plan(BirdModel& m) {
    m.n_plan = 130;
    m.x_plan.allocate(1, m.n_plan);
    m.y_plan.allocate(1, m.n_plan);
    m.z_plan.allocate(1, m.n_plan);
    for (int i = 1; i <= m.n_plan; ++i) {
        const float x = float((1.0 - std::cos(k::pi * double(i - 1) / 129.0)) / 2.0);
        const BodySection c = body_station(m, x);
        m.x_plan(i) = x;
        m.y_plan(i) = c.w;
        m.z_plan(i) = c.z_c;
    }
}

void bird_eye(BirdModel& m) {
    m.x_eye_c = 0.14f;
    m.z_eye_c = -0.045f;
    m.r_eye = 0.008f;
    m.n_eye = 30;
    m.x_eye.allocate(1, m.n_eye);
    m.y_eye.allocate(1, m.n_eye);
    m.z_eye.allocate(1, m.n_eye);
    const int i_a = to_i16(double(m.n_eye) / 3.0);
    const int i_b = to_i16(2.0 * double(m.n_eye) / 3.0);
    // The eye sits on the lower half of the head, 10 degrees below its centre line.
    const float phi_e = float(-(10.0 / 90.0) * k::half_pi);
    for (int i = 1; i <= m.n_eye; ++i) {
        float r;
        if (i <= i_a) {
            r = m.r_eye;
        } else if (i < i_b) {
            r = float(2.0 * double(m.r_eye) / 3.0);
        } else {
            r = float(double(m.r_eye) / 3.0);
        }
        // Three turns (6 pi) over n_eye - 2 steps: the spiral closes each ring with
        // a little overlap.
        const float psi = float(18.849539999999998 * double(i - 1) / double(m.n_eye - 2));
        m.x_eye(i) = float(double(m.x_eye_c) + double(r) * std::cos(double(psi)));
        m.z_eye(i) = float(double(m.z_eye_c) + double(r) * std::sin(double(psi)));
        const BodySection c = body_station(m, m.x_eye(i));
        // The eye lies flat on the head's side: y from the surface, z from the ring.
        m.y_eye(i) = body_ray_point(c, phi_e).Y;
    }
}

}  // namespace soar
