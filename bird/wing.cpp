#include "bird/wing.h"

#include <cmath>

#include "bird/body.h"
#include "platform/number_text.h"
#include "sim/constants.h"

// Every named quantity below is a 32-bit float: each step is evaluated in double
// from the stored floats and rounded when it is stored.

namespace soar {

WingStation wing_station(const BirdModel& m, float eta) {
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
    w.z_d = m.droop_off < 0.5 ? float(0.15 * std::pow(e, 6) - 0.35 * std::pow(e, 3)) : 0.0f;
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

WingPoint wing_root_point(BirdModel& m, float theta, float y_start) {
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
        const WingPoint p = wing_section_point(wing_station(m, float(double(y_k) / 1.4)), theta);
        // Elevation of the wing point seen from the body's centre line.
        const float phi = float(std::atan((double(p.Z) - double(z_cp)) / double(y_k)));
        const BodySection c = body_station(m, p.X);
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

void wing_sections(BirdModel& m) {
    m.n_wsec = 2;
    m.n_wpt = 39;
    m.x_wing.allocate(m.n_wsec, m.n_wpt);
    m.y_wing.allocate(m.n_wsec, m.n_wpt);
    m.z_wing.allocate(m.n_wsec, m.n_wpt);
    const int i_le = wing_le_index(m.n_wpt);
    const int i_sp = wing_spar_index(m.n_wpt);

    // Start guess for the root: the span position of the section at eta = 0.08.
    const float y_0 = wing_section_point(wing_station(m, 0.08f), 0.0f).Y;
    for (int i = 1; i <= m.n_wsec; ++i) {
        const float eta = i == 1 ? 0.08f : 0.515f;
        for (int g = 1; g <= m.n_wpt; ++g) {
            const float theta = float(k::two_pi * double(g - 1) / double(m.n_wpt - 1));
            WingPoint p;
            if (i == 1) {
                // Each root point starts its search from the previous one's span position.
                const float y_start = g == 1 ? y_0 : m.y_wing(1, g - 1);
                p = wing_root_point(m, theta, y_start);
            } else {
                p = wing_section_point(wing_station(m, eta), theta);
            }
            m.x_wing(i, g) = p.X;
            m.y_wing(i, g) = p.Y;
            m.z_wing(i, g) = p.Z;
            if (i != 1) continue;
            if (g == i_le) {
                m.x_le_root = p.X, m.y_le_root = p.Y, m.z_le_root = p.Z;
            }
            if (g == i_sp) {
                m.x_sp_root = p.X, m.y_sp_root = p.Y, m.z_sp_root = p.Z;
            }
            if (g == m.n_wpt) {
                // The section closes on itself: the trailing edge is the mean of its ends.
                m.x_te_root = float((double(m.x_wing(1, 1)) + double(m.x_wing(1, g))) / 2.0);
                m.y_te_root = float((double(m.y_wing(1, 1)) + double(m.y_wing(1, g))) / 2.0);
                m.z_te_root = float((double(m.z_wing(1, 1)) + double(m.z_wing(1, g))) / 2.0);
            }
        }
    }
}

void wing_outline(BirdModel& m) {
    m.n_wout = 30;
    m.x_wout.allocate(1, m.n_wout);
    m.y_wout.allocate(1, m.n_wout);
    m.z_wout.allocate(1, m.n_wout);
    for (int i = 1; i <= m.n_wout; ++i) {
        WingPoint p;
        if (i == 1) {
            p = {m.x_te_root, m.y_te_root, m.z_te_root};
        } else if (i == m.n_wout) {
            p = {m.x_le_root, m.y_le_root, m.z_le_root};
        } else {
            // Sine spacing crowds the points at the tip; the first half is the
            // trailing edge, the second the leading edge.
            const float a = float(k::pi * double(i - 1) / 29.0);
            const float eta = float(std::sin(double(a)));
            const float theta = a <= k::half_pi_f ? 0.0f : k::pi_f;
            p = wing_section_point(wing_station(m, eta), theta);
        }
        m.x_wout(i) = p.X;
        m.y_wout(i) = p.Y;
        m.z_wout(i) = p.Z;
    }
}

void wing_spar(BirdModel& m) {
    m.n_spar = 13;
    m.x_spar.allocate(1, m.n_spar);
    m.y_spar.allocate(1, m.n_spar);
    m.z_spar.allocate(1, m.n_spar);
    // Upper surface near 30 % chord; past the quarter turn, the lower surface.
    const float theta_up = float(3.3 / 5.0 * k::pi);
    const float theta_lo = float(6.7 / 5.0 * k::pi);
    for (int i = 1; i <= m.n_spar; ++i) {
        WingPoint p;
        if (i == 1) {
            p = {m.x_sp_root, m.y_sp_root, m.z_sp_root};
        } else {
            const float a = float(k::half_pi * double(i - 1) / 12.0);
            const double sa = std::sin(double(a));
            const float b = float(double(a) + 0.08 * (sa * sa));
            const float eta = float(std::sin(double(b)));
            p = wing_section_point(wing_station(m, eta), b <= k::half_pi_f ? theta_up : theta_lo);
        }
        m.x_spar(i) = p.X;
        m.y_spar(i) = p.Y;
        m.z_spar(i) = p.Z;
    }
}

void body_sections(BirdModel& m) {
    m.n_bsec = 6;
    m.n_bpt = 27;
    m.x_bsec.allocate(m.n_bsec, m.n_bpt);
    m.y_bsec.allocate(m.n_bsec, m.n_bpt);
    m.z_bsec.allocate(m.n_bsec, m.n_bpt);
    // Stations: ahead of the wing, head, neck, at the spar, and two on the tail.
    const double te = m.x_te_root;
    const float x_st[6] = {
        float(0.5 * double(m.x_le_root)), 0.09f, 0.3f, m.x_sp_root, float(te + 0.2 * (1.0 - te)),
        float(te + 0.6 * (1.0 - te)),
    };
    for (int i = 1; i <= m.n_bsec; ++i) {
        const float x = x_st[i - 1];
        const BodySection c = body_station(m, x);
        for (int j = 1; j <= m.n_bpt; ++j) {
            // From the belly (-pi/2) over the side (0) to the back (+pi/2).
            const float phi = float(k::pi * double(j - 1) / 26.0 - k::half_pi);
            const BodyPoint b = body_ray_point(c, phi);
            m.x_bsec(i, j) = x;
            m.y_bsec(i, j) = b.Y;
            m.z_bsec(i, j) = b.Z;
        }
    }
}

}  // namespace soar
