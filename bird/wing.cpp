#include "bird/wing.h"

#include <cmath>

#include "bird/body.h"
#include "platform/number_text.h"
#include "sim/constants.h"

// Every named quantity below is a 32-bit float: each step is evaluated in double
// from the stored floats and rounded when it is stored.

namespace soar {

WingStation wing_station(const State& s, float eta) {
    // Inner-wing chord: 11.2 / (16 pi) body lengths.
    const float c_0 = float(11.2 / 50.26544);
    const double e = eta;
    WingStation w{};
    w.frac = 0.5f;
    w.y = float(1.4 * e);
    if (eta < 0.55f) {
        // Constant chord; the wing bows forward a little at mid inner wing.
        w.ch = c_0;
        w.x_ref = float(0.48 - 0.05 * e + 0.03 * std::sin(k::pi * e / 0.55));
    } else {
        // Outer wing: the chord closes elliptically to 0 at the tip and the
        // reference point sweeps back.
        const float g = float((e - 0.55) / 0.45);
        const double gd = g;
        w.ch = float(double(c_0) * std::pow(1.0 - gd * gd, 0.7));
        w.x_ref = float(0.48 + 0.07 * gd);
    }
    w.z_d = s.droop_off < 0.5 ? float(0.15 * std::pow(e, 6) - 0.35 * std::pow(e, 3)) : 0.0f;
    return w;
}

WingPoint wing_section_point(const WingStation& w, float theta) {
    const double ch = w.ch;
    const float x_le = float(double(w.x_ref) - double(w.frac) * ch);
    const float x_mid = float(double(x_le) + ch / 2.0);
    const float X = float(double(x_mid) + (ch / 2.0) * std::cos(double(theta)));
    // Chord fraction from the leading edge. Near theta = pi the rounding of X can put
    // it a hair ahead of the leading edge (f just below 0): no thickness there.
    const float f = float((double(X) - double(x_le)) / ch);
    const double fd = f;
    float m = 0.0f;  // camber, 10 % of the chord at most
    if (f > 0.0f && f < 1.0f)
        m = float(ch / 0.4 * 0.04 * std::sin(k::pi * std::pow(1.0 - fd, 1.5)));
    float t = 0.0f;  // half-thickness, 3.5 % of the chord at most
    if (f > 0.0f) t = float(0.035 * ch * std::sin(k::pi * std::sqrt(fd)));
    const double zm = double(w.z_d) + double(m);
    const float Z = theta <= k::pi_f ? float(zm + double(t)) : float(zm - double(t));
    return {X, w.y, Z};
}

WingPoint wing_root_point(State& s, float theta, float y_start) {
    float y_prev = 0.0f, l_prev = 0.0f;
    float slope = 0.0f;  // of the body's reach l against the trial span position
    float z_cp = 0.0f;   // body centre height found in the previous pass
    WingPoint out{};
    for (int k = 1; k <= 3; ++k) {
        float y_k;
        if (k == 1) {
            y_k = y_start;
        } else if (k == 2) {
            y_k = float(double(y_prev) + 0.005);
        } else {
            // Fixed point l(y) = y of the secant line.
            y_k = float((double(l_prev) - double(slope) * double(y_prev)) / (1.0 - double(slope)));
        }
        const WingPoint p = wing_section_point(wing_station(s, float(double(y_k) / 1.4)), theta);
        // Elevation of the wing point seen from the body's centre line.
        const float phi = float(std::atan((double(p.Z) - double(z_cp)) / double(y_k)));
        const BodySection c = body_station(s, p.X);
        z_cp = c.z_c;
        const BodyPoint b = body_ray_point(c, phi);
        const float l = b.Y;
        if (k >= 2 && y_k != y_prev)
            slope = float((double(l) - double(l_prev)) / (double(y_k) - double(y_prev)));
        y_prev = y_k;
        l_prev = l;
        out = {p.X, b.Y, b.Z};
    }
    return out;
}

int wing_le_index(int n_wpt) {
    return to_i16(double(n_wpt + 1) / 2.0);
}

int wing_spar_index(int n_wpt) {
    const int i_le = wing_le_index(n_wpt);
    return to_i16(double(i_le) - double(i_le) / 3.0);
}

void wing_sections(State& s) {
    s.n_wsec = 2;
    s.n_wpt = 39;
    s.x_wing.allocate(s.n_wsec, s.n_wpt);
    s.y_wing.allocate(s.n_wsec, s.n_wpt);
    s.z_wing.allocate(s.n_wsec, s.n_wpt);
    const int i_le = wing_le_index(s.n_wpt);
    const int i_sp = wing_spar_index(s.n_wpt);

    // Start guess for the root: the span position of the section at eta = 0.08.
    const float y_0 = wing_section_point(wing_station(s, 0.08f), 0.0f).Y;
    for (int i = 1; i <= s.n_wsec; ++i) {
        const float eta = i == 1 ? 0.08f : 0.515f;
        for (int g = 1; g <= s.n_wpt; ++g) {
            const float theta = float(k::two_pi * double(g - 1) / double(s.n_wpt - 1));
            WingPoint p;
            if (i == 1) {
                // Each root point starts its search from the previous one's span position.
                const float y_start = g == 1 ? y_0 : s.y_wing(1, g - 1);
                p = wing_root_point(s, theta, y_start);
            } else {
                p = wing_section_point(wing_station(s, eta), theta);
            }
            s.x_wing(i, g) = p.X;
            s.y_wing(i, g) = p.Y;
            s.z_wing(i, g) = p.Z;
            if (i != 1) continue;
            if (g == i_le) {
                s.x_le_root = p.X, s.y_le_root = p.Y, s.z_le_root = p.Z;
            }
            if (g == i_sp) {
                s.x_sp_root = p.X, s.y_sp_root = p.Y, s.z_sp_root = p.Z;
            }
            if (g == s.n_wpt) {
                // The section closes on itself: the trailing edge is the mean of its ends.
                s.x_te_root = float((double(s.x_wing(1, 1)) + double(s.x_wing(1, g))) / 2.0);
                s.y_te_root = float((double(s.y_wing(1, 1)) + double(s.y_wing(1, g))) / 2.0);
                s.z_te_root = float((double(s.z_wing(1, 1)) + double(s.z_wing(1, g))) / 2.0);
            }
        }
    }
}

void wing_outline(State& s) {
    s.n_wout = 30;
    s.x_wout.allocate(1, s.n_wout);
    s.y_wout.allocate(1, s.n_wout);
    s.z_wout.allocate(1, s.n_wout);
    for (int i = 1; i <= s.n_wout; ++i) {
        WingPoint p;
        if (i == 1) {
            p = {s.x_te_root, s.y_te_root, s.z_te_root};
        } else if (i == s.n_wout) {
            p = {s.x_le_root, s.y_le_root, s.z_le_root};
        } else {
            // Sine spacing crowds the points at the tip; the first half is the
            // trailing edge, the second the leading edge.
            const float a = float(k::pi * double(i - 1) / 29.0);
            const float eta = float(std::sin(double(a)));
            const float theta = a <= k::half_pi_f ? 0.0f : k::pi_f;
            p = wing_section_point(wing_station(s, eta), theta);
        }
        s.x_wout(i) = p.X;
        s.y_wout(i) = p.Y;
        s.z_wout(i) = p.Z;
    }
}

void wing_spar(State& s) {
    s.n_spar = 13;
    s.x_spar.allocate(1, s.n_spar);
    s.y_spar.allocate(1, s.n_spar);
    s.z_spar.allocate(1, s.n_spar);
    // Upper surface near 30 % chord; past the quarter turn, the lower surface.
    const float theta_up = float(3.3 / 5.0 * k::pi);
    const float theta_lo = float(6.7 / 5.0 * k::pi);
    for (int i = 1; i <= s.n_spar; ++i) {
        WingPoint p;
        if (i == 1) {
            p = {s.x_sp_root, s.y_sp_root, s.z_sp_root};
        } else {
            const float a = float(k::half_pi * double(i - 1) / 12.0);
            const double sa = std::sin(double(a));
            const float m = float(double(a) + 0.08 * (sa * sa));
            const float eta = float(std::sin(double(m)));
            p = wing_section_point(wing_station(s, eta), m <= k::half_pi_f ? theta_up : theta_lo);
        }
        s.x_spar(i) = p.X;
        s.y_spar(i) = p.Y;
        s.z_spar(i) = p.Z;
    }
}

void body_sections(State& s) {
    s.n_bsec = 6;
    s.n_bpt = 27;
    s.x_bsec.allocate(s.n_bsec, s.n_bpt);
    s.y_bsec.allocate(s.n_bsec, s.n_bpt);
    s.z_bsec.allocate(s.n_bsec, s.n_bpt);
    // Stations: ahead of the wing, head, neck, at the spar, and two on the tail.
    const double te = s.x_te_root;
    const float x_st[6] = {
        float(0.5 * double(s.x_le_root)), 0.09f, 0.3f, s.x_sp_root, float(te + 0.2 * (1.0 - te)),
        float(te + 0.6 * (1.0 - te)),
    };
    for (int i = 1; i <= s.n_bsec; ++i) {
        const float x = x_st[i - 1];
        const BodySection c = body_station(s, x);
        for (int j = 1; j <= s.n_bpt; ++j) {
            // From the belly (-pi/2) over the side (0) to the back (+pi/2).
            const float phi = float(k::pi * double(j - 1) / 26.0 - k::half_pi);
            const BodyPoint b = body_ray_point(c, phi);
            s.x_bsec(i, j) = x;
            s.y_bsec(i, j) = b.Y;
            s.z_bsec(i, j) = b.Z;
        }
    }
}

}  // namespace soar
