#include "optim/collocation.h"

#include <algorithm>
#include <cmath>

#include "optim/autodiff.h"
#include "optim/loop_dynamics.h"

namespace soar::optim {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kInf = 2e19;     // Ipopt reads |bound| >= 1e19 as none
constexpr int kPerNode = 10;      // state, node controls, midpoint controls
constexpr int kSegmentRows = 9;   // six defects, load factor, two wing tips
constexpr int kSegmentVars = 20;  // two nodes with the midpoint controls, period, wind

}  // namespace

double Collocation::scale_of_state(int i) const {
    if (i <= kZ) return L_s_;
    if (i == kV) return V_s_;
    return 1.0;
}

Collocation::Collocation(const LoopProblem& p, int nodes, const LoopSolution& scale_from)
    : p_(p), nodes_(nodes) {
    // Scales from the starting loop: its mean speed, its size and period, its wind.
    double v_sum = 0, r_max = 0;
    for (const auto& x : scale_from.x) {
        v_sum += x[kV];
        r_max = std::max({r_max, std::abs(x[kX]), std::abs(x[kY]), std::abs(x[kZ])});
    }
    V_s_ = v_sum / double(scale_from.x.size());
    L_s_ = std::max(r_max, 1.0);
    T_s_ = scale_from.period;
    w_s_ = scale_from.wind;

    n_ = kPerNode * (nodes_ - 1) + 8 + 2;
    const int segments = nodes_ - 1;
    node_rows_start_ = kSegmentRows * segments;
    int row = node_rows_start_;
    for (int k = 0; k < nodes_; ++k) {
        // An end node whose height is given needs no height row when the
        // body itself is the lowest point: the row would be a constant.
        const bool end = k == 0 || k == nodes_ - 1;
        const int rows = (end && p_.start_height_fixed && p_.half_span == 0.0) ? 1 : 3;
        node_row_.push_back(row);
        node_rows_.push_back(rows);
        row += rows;
    }
    periodic_rows_start_ = row;
    m_ = row + 3 + (p_.start_height_fixed ? 0 : 1);
    // The drift held to a heading: no drift across it, none against it.
    drift_rows_start_ = m_;
    if (p_.travel && p_.drift_heading_fixed) m_ += 2;

    for (int k = 0; k < segments; ++k)
        for (int r = 0; r < kSegmentRows; ++r) {
            for (int j = 0; j < 18; ++j) {
                jac_row_.push_back(kSegmentRows * k + r);
                jac_col_.push_back(kPerNode * k + j);
            }
            jac_row_.push_back(kSegmentRows * k + r);
            jac_col_.push_back(period_index());
            jac_row_.push_back(kSegmentRows * k + r);
            jac_col_.push_back(wind_index());
        }
    for (int k = 0; k < nodes_; ++k)
        for (int r = 0; r < node_rows_[size_t(k)]; ++r)
            for (int j = 0; j < 8; ++j) {
                jac_row_.push_back(node_row_[size_t(k)] + r);
                jac_col_.push_back(kPerNode * k + j);
            }
    const int last = kPerNode * (nodes_ - 1);
    int prow = periodic_rows_start_;
    for (const int i : {int(kV), int(kGamma), int(kPsi), int(kZ)}) {
        if (i == kZ && p_.start_height_fixed) continue;
        jac_row_.push_back(prow);
        jac_col_.push_back(last + i);
        jac_row_.push_back(prow);
        jac_col_.push_back(i);
        ++prow;
    }
    if (m_ > drift_rows_start_)
        for (int r = 0; r < 2; ++r)
            for (const int i : {int(kX), int(kY), -1}) {
                jac_row_.push_back(drift_rows_start_ + r);
                jac_col_.push_back(i < 0 ? period_index() : last + i);
            }
}

void Collocation::bounds(double* xl, double* xu, double* gl, double* gu) const {
    for (int k = 0; k < nodes_; ++k) {
        double* lo = xl + kPerNode * k;
        double* hi = xu + kPerNode * k;
        const bool end = k == 0 || k == nodes_ - 1;
        for (int i = kX; i <= kY; ++i) {
            const bool fixed = k == 0 || (end && !p_.travel);
            lo[i] = fixed ? 0.0 : -kInf;
            hi[i] = fixed ? 0.0 : kInf;
        }
        lo[kZ] = (end && p_.start_height_fixed) ? p_.Z_start / L_s_ : -kInf;
        hi[kZ] = (end && p_.start_height_fixed) ? p_.Z_start / L_s_ : kInf;
        lo[kV] = p_.V_min / V_s_;
        hi[kV] = p_.V_max / V_s_;
        lo[kGamma] = -p_.gamma_max;
        hi[kGamma] = p_.gamma_max;
        lo[kPsi] = -3.0 * kTwoPi;
        hi[kPsi] = 3.0 * kTwoPi;
        const int controls = k < nodes_ - 1 ? 2 : 1;
        for (int c = 0; c < controls; ++c) {
            lo[6 + 2 * c] = p_.CL_min;
            hi[6 + 2 * c] = p_.CL_max;
            lo[7 + 2 * c] = -p_.bank_max;
            hi[7 + 2 * c] = p_.bank_max;
        }
    }
    xl[period_index()] = p_.T_min / T_s_;
    xu[period_index()] = p_.T_max / T_s_;
    xl[wind_index()] = p_.wind_min / w_s_;
    xu[wind_index()] = p_.wind_max / w_s_;

    auto path = [&](int row, int rows) {
        gl[row] = p_.n_min;
        gu[row] = p_.n_max;
        for (int r = 1; r < rows; ++r) {
            gl[row + r] = p_.tip_min / L_s_;
            gu[row + r] = kInf;
        }
    };
    for (int k = 0; k < nodes_ - 1; ++k) {
        for (int r = 0; r < kStates; ++r) gl[kSegmentRows * k + r] = gu[kSegmentRows * k + r] = 0;
        path(kSegmentRows * k + kStates, 3);
        if (!p_.midpoint_limits)
            for (int r = kStates; r < kSegmentRows; ++r) {
                gl[kSegmentRows * k + r] = -kInf;
                gu[kSegmentRows * k + r] = kInf;
            }
    }
    for (int k = 0; k < nodes_; ++k) path(node_row_[size_t(k)], node_rows_[size_t(k)]);
    for (int r = periodic_rows_start_; r < drift_rows_start_; ++r) gl[r] = gu[r] = 0;
    if (m_ > drift_rows_start_) {
        gl[drift_rows_start_] = gu[drift_rows_start_] = 0;
        gl[drift_rows_start_ + 1] = 0;
        gu[drift_rows_start_ + 1] = kInf;
    }
}

void Collocation::jacobian_structure(int* rows, int* cols) const {
    std::copy(jac_row_.begin(), jac_row_.end(), rows);
    std::copy(jac_col_.begin(), jac_col_.end(), cols);
}

namespace {

// Load factor and the two wing-tip heights (scaled by L) at one point.
template <typename T>
void path_rows(const LoopProblem& p, const T* x, const T* u, double L, T* out) {
    using std::sin;
    out[0] = load_factor(p, x[kV], u[kCL]);
    const T drop = p.half_span * sin(u[kBank]);
    out[1] = (x[kZ] - drop) / L;
    out[2] = (x[kZ] + drop) / L;
}

}  // namespace

void Collocation::evaluate(const double* xv, double* g, double* jac) const {
    using J20 = Jet<kSegmentVars>;
    using J8 = Jet<8>;
    const double unit[kPerNode] = {L_s_, L_s_, L_s_, V_s_, 1, 1, 1, 1, 1, 1};
    size_t e = 0;  // next Jacobian entry

    // The period and the wind scale, in physical units, with their
    // derivatives with respect to the scaled variables.
    J20 Tp(T_s_ * xv[period_index()]);
    Tp.v[18] = T_s_;
    J20 wp(w_s_ * xv[wind_index()]);
    wp.v[19] = w_s_;
    const J20 h = Tp / double(nodes_ - 1);

    for (int k = 0; k < nodes_ - 1; ++k) {
        const double* base = xv + kPerNode * k;
        J20 v[18];
        for (int j = 0; j < 18; ++j) {
            v[j] = J20(0.0);
            v[j].a = unit[j % kPerNode] * base[j];
            v[j].v[j] = unit[j % kPerNode];
        }
        const J20* x0 = v;
        const J20* u0 = v + 6;
        const J20* um = v + 8;
        const J20* x1 = v + 10;
        const J20* u1 = v + 16;
        J20 f0[kStates], f1[kStates], fm[kStates], xm[kStates];
        loop_rates(p_, x0, u0, wp, f0);
        loop_rates(p_, x1, u1, wp, f1);
        for (int i = 0; i < kStates; ++i) xm[i] = 0.5 * (x0[i] + x1[i]) + h * (f0[i] - f1[i]) / 8.0;
        loop_rates(p_, xm, um, wp, fm);
        J20 rows[kSegmentRows];
        for (int i = 0; i < kStates; ++i)
            rows[i] = (x1[i] - x0[i] - h * (f0[i] + 4.0 * fm[i] + f1[i]) / 6.0) / scale_of_state(i);
        path_rows(p_, xm, um, L_s_, rows + kStates);
        for (int r = 0; r < kSegmentRows; ++r) {
            g[kSegmentRows * k + r] = rows[r].a;
            if (jac)
                for (int j = 0; j < kSegmentVars; ++j) jac[e++] = rows[r].v[j];
        }
    }
    for (int k = 0; k < nodes_; ++k) {
        const double* base = xv + kPerNode * k;
        J8 v[8];
        for (int j = 0; j < 8; ++j) {
            v[j] = J8(0.0);
            v[j].a = unit[j] * base[j];
            v[j].v[j] = unit[j];
        }
        J8 rows[3];
        path_rows(p_, v, v + 6, L_s_, rows);
        for (int r = 0; r < node_rows_[size_t(k)]; ++r) {
            g[node_row_[size_t(k)] + r] = rows[r].a;
            if (jac)
                for (int j = 0; j < 8; ++j) jac[e++] = rows[r].v[j];
        }
    }
    const int last = kPerNode * (nodes_ - 1);
    int prow = periodic_rows_start_;
    for (const int i : {int(kV), int(kGamma), int(kPsi), int(kZ)}) {
        if (i == kZ && p_.start_height_fixed) continue;
        const double turn = i == kPsi ? kTwoPi * p_.turn : 0.0;
        g[prow++] = xv[last + i] - xv[i] - turn;
        if (jac) {
            jac[e++] = 1.0;
            jac[e++] = -1.0;
        }
    }
    if (m_ > drift_rows_start_) {
        // The end over the ground (-X, Y) along (cos h, sin h): across it 0,
        // along it at least drift_speed times the period (scaled lengths).
        const double sh = std::sin(p_.drift_heading), ch = std::cos(p_.drift_heading);
        const double X = xv[last + kX], Y = xv[last + kY];
        const double per = p_.drift_speed * T_s_ / L_s_;  // scaled length per scaled period
        g[drift_rows_start_] = -X * sh - Y * ch;
        g[drift_rows_start_ + 1] = -X * ch + Y * sh - per * xv[period_index()];
        if (jac) {
            jac[e++] = -sh;
            jac[e++] = -ch;
            jac[e++] = 0.0;
            jac[e++] = -ch;
            jac[e++] = sh;
            jac[e++] = -per;
        }
    }
}

std::vector<double> Collocation::pack(const LoopSolution& s) const {
    std::vector<double> x(size_t(n_), 0.0);
    for (int k = 0; k < nodes_; ++k) {
        double* b = x.data() + kPerNode * k;
        for (int i = 0; i < kStates; ++i) b[i] = s.x[size_t(k)][size_t(i)] / scale_of_state(i);
        b[6] = s.u[size_t(k)][kCL];
        b[7] = s.u[size_t(k)][kBank];
        if (k < nodes_ - 1) {
            b[8] = s.u_mid[size_t(k)][kCL];
            b[9] = s.u_mid[size_t(k)][kBank];
        }
    }
    x[size_t(period_index())] = s.period / T_s_;
    x[size_t(wind_index())] = s.wind / w_s_;
    return x;
}

LoopSolution Collocation::unpack(const double* xv) const {
    LoopSolution s;
    s.period = xv[period_index()] * T_s_;
    s.wind = xv[wind_index()] * w_s_;
    for (int k = 0; k < nodes_; ++k) {
        const double* b = xv + kPerNode * k;
        LoopState x;
        for (int i = 0; i < kStates; ++i) x[size_t(i)] = b[i] * scale_of_state(i);
        s.x.push_back(x);
        s.u.push_back({b[6], b[7]});
        if (k < nodes_ - 1) s.u_mid.push_back({b[8], b[9]});
        s.t.push_back(s.period * k / double(nodes_ - 1));
    }
    return s;
}

std::vector<ActiveLimit> Collocation::active_limits(const double* x, const double* g,
                                                    const double* z_L, const double* z_U,
                                                    const double* lambda) const {
    std::vector<double> xl(static_cast<size_t>(n_)), xu(static_cast<size_t>(n_));
    std::vector<double> gl(static_cast<size_t>(m_)), gu(static_cast<size_t>(m_));
    bounds(xl.data(), xu.data(), gl.data(), gu.data());
    // A bound holds where the value lies within this of it (scaled units).
    constexpr double kNear = 1e-5;
    struct Sum {
        const char* name;
        const char* unit;
        double value;
        int points = 0;
        double d = 0;  // d(least wind)/d(bound), scaled objective per the bound's unit
    };
    Sum sums[] = {
        {"n_max", "-", p_.n_max},     {"n_min", "-", p_.n_min},
        {"tip_min", "m", p_.tip_min}, {"CL_max", "-", p_.CL_max},
        {"CL_min", "-", p_.CL_min},   {"bank_max", "deg", p_.bank_max / (k::exact_pi / 180.0)},
        {"T_max", "s", p_.T_max},     {"T_min", "s", p_.T_min}};
    enum { nMax, nMin, tipMin, clMax, clMin, bankMax, tMax, tMin };
    // A moved bound changes the least objective by -lambda (rows) or by
    // -z_U (upper) and +z_L (lower) (variables) per unit of the scaled bound.
    const auto row = [&](int r, int kind) {
        const bool upper = g[r] >= gu[size_t(r)] - kNear && gu[size_t(r)] < kInf;
        const bool lower = g[r] <= gl[size_t(r)] + kNear && gl[size_t(r)] > -kInf;
        if (kind == 0 && upper) ++sums[nMax].points, sums[nMax].d -= lambda[r];
        if (kind == 0 && lower) ++sums[nMin].points, sums[nMin].d -= lambda[r];
        if (kind == 1 && lower) ++sums[tipMin].points, sums[tipMin].d -= lambda[r] / L_s_;
    };
    for (int k = 0; k < nodes_ - 1; ++k) {
        if (!p_.midpoint_limits) break;
        const int r0 = kSegmentRows * k + kStates;
        row(r0, 0);
        row(r0 + 1, 1);
        row(r0 + 2, 1);
    }
    for (int k = 0; k < nodes_; ++k) {
        const int r0 = node_row_[size_t(k)];
        row(r0, 0);
        for (int r = 1; r < node_rows_[size_t(k)]; ++r) row(r0 + r, 1);
    }
    const auto var = [&](int i, int upper_kind, int lower_kind, double unit) {
        const size_t j = size_t(i);
        const bool fixed = xl[j] == xu[j];
        if (fixed) return;
        if (x[i] >= xu[j] - kNear && upper_kind >= 0)
            ++sums[upper_kind].points, sums[upper_kind].d -= z_U[i] / unit;
        if (x[i] <= xl[j] + kNear && lower_kind >= 0) {
            ++sums[lower_kind].points;
            // The bank's lower bound is -bank_max: raising bank_max lowers it.
            sums[lower_kind].d += (lower_kind == bankMax ? -z_L[i] : z_L[i]) / unit;
        }
    };
    const double per_deg = 1.0 / (k::exact_pi / 180.0);
    for (int k = 0; k < nodes_; ++k) {
        const int b = kPerNode * k;
        const int controls = k < nodes_ - 1 ? 2 : 1;
        for (int c = 0; c < controls; ++c) {
            var(b + 6 + 2 * c, clMax, clMin, 1.0);
            var(b + 7 + 2 * c, bankMax, bankMax, per_deg);
        }
    }
    var(period_index(), tMax, tMin, T_s_);
    std::vector<ActiveLimit> out;
    for (const Sum& s : sums) {
        if (s.points == 0) continue;
        ActiveLimit a;
        a.name = s.name;
        a.unit = s.unit;
        a.points = s.points;
        a.value = s.value;
        a.d_wind = s.d * w_s_;
        const double wind = x[wind_index()] * w_s_;
        a.relative = wind != 0.0 ? s.value / wind * a.d_wind : 0.0;
        out.push_back(a);
    }
    std::stable_sort(out.begin(), out.end(), [](const ActiveLimit& a, const ActiveLimit& b) {
        return std::fabs(a.relative) > std::fabs(b.relative);
    });
    return out;
}

double Collocation::energy_per_cycle(const LoopSolution& s) const {
    const double h = s.period / double(nodes_ - 1);
    auto power = [&](const LoopState& x, const LoopControl& u) {
        return p_.g * drag_over_weight(p_, x[kV], u[kCL]) * x[kV];  // W/kg
    };
    double sum = 0;
    for (int k = 0; k < nodes_ - 1; ++k) {
        const LoopState& x0 = s.x[size_t(k)];
        const LoopState& x1 = s.x[size_t(k) + 1];
        LoopState f0, f1, xm;
        loop_rates(p_, x0.data(), s.u[size_t(k)].data(), s.wind, f0.data());
        loop_rates(p_, x1.data(), s.u[size_t(k) + 1].data(), s.wind, f1.data());
        for (size_t i = 0; i < xm.size(); ++i)
            xm[i] = 0.5 * (x0[i] + x1[i]) + h * (f0[i] - f1[i]) / 8.0;
        sum += h / 6.0 *
               (power(x0, s.u[size_t(k)]) + 4.0 * power(xm, s.u_mid[size_t(k)]) +
                power(x1, s.u[size_t(k) + 1]));
    }
    return sum;
}

}  // namespace soar::optim
