#include "optim/loop_solution.h"

#include <algorithm>
#include <cmath>

#include "sim/energy.h"

namespace soar::optim {

namespace {

// The segment holding t and the position in it, 0..1.
int segment_of(const LoopSolution& s, double t, double& tau) {
    const int segments = int(s.t.size()) - 1;
    const double h = s.period / segments;
    int k = int(std::floor(t / h));
    k = std::clamp(k, 0, segments - 1);
    tau = (t - s.t[size_t(k)]) / h;
    return k;
}

LoopState rates(const LoopProblem& p, const LoopState& x, const LoopControl& u, double w) {
    LoopState r;
    loop_rates(p, x.data(), u.data(), w, r.data());
    return r;
}

LoopState plus(const LoopState& a, const LoopState& b, double f) {
    LoopState r;
    for (size_t i = 0; i < a.size(); ++i) r[i] = a[i] + f * b[i];
    return r;
}

// One classical Runge-Kutta step of the solved controls (interpolated as
// control_at gives them, none past t_end) from time t over dt.
void controls_step(const LoopProblem& p, const LoopSolution& s, LoopState& x, double t, double dt,
                   double t_end) {
    const LoopControl u0 = control_at(s, t), um = control_at(s, t + 0.5 * dt),
                      u1 = control_at(s, std::min(t + dt, t_end));
    const LoopState k1 = rates(p, x, u0, s.wind);
    const LoopState k2 = rates(p, plus(x, k1, 0.5 * dt), um, s.wind);
    const LoopState k3 = rates(p, plus(x, k2, 0.5 * dt), um, s.wind);
    const LoopState k4 = rates(p, plus(x, k3, dt), u1, s.wind);
    for (size_t j = 0; j < x.size(); ++j)
        x[j] += dt / 6.0 * (k1[j] + 2.0 * k2[j] + 2.0 * k3[j] + k4[j]);
}

}  // namespace

LoopControl control_at(const LoopSolution& s, double t) {
    double tau = 0;
    const int k = segment_of(s, t, tau);
    // Lagrange weights of the quadratic through tau = 0, 1/2, 1.
    const double a = 2.0 * (tau - 0.5) * (tau - 1.0);
    const double b = -4.0 * tau * (tau - 1.0);
    const double c = 2.0 * tau * (tau - 0.5);
    LoopControl u;
    for (int i = 0; i < kControls; ++i)
        u[size_t(i)] = a * s.u[size_t(k)][size_t(i)] + b * s.u_mid[size_t(k)][size_t(i)] +
                       c * s.u[size_t(k) + 1][size_t(i)];
    return u;
}

LoopState state_at(const LoopProblem& p, const LoopSolution& s, double t) {
    double tau = 0;
    const int k = segment_of(s, t, tau);
    const double h = s.period / (double(s.t.size()) - 1.0);
    const LoopState& x0 = s.x[size_t(k)];
    const LoopState& x1 = s.x[size_t(k) + 1];
    const LoopState f0 = rates(p, x0, s.u[size_t(k)], s.wind);
    const LoopState f1 = rates(p, x1, s.u[size_t(k) + 1], s.wind);
    const double t2 = tau * tau, t3 = t2 * tau;
    const double h00 = 2.0 * t3 - 3.0 * t2 + 1.0, h10 = t3 - 2.0 * t2 + tau;
    const double h01 = -2.0 * t3 + 3.0 * t2, h11 = t3 - t2;
    LoopState x;
    for (size_t i = 0; i < size_t(kStates); ++i)
        x[i] = h00 * x0[i] + h10 * h * f0[i] + h01 * x1[i] + h11 * h * f1[i];
    return x;
}

double energy_height(const LoopProblem& p, const LoopState& x) {
    return specific_energy(x[kZ], x[kV], p.g);
}

LoopState fly_controls(const LoopProblem& p, const LoopSolution& s, double t_end, int steps) {
    LoopState x = s.x.front();
    t_end = std::min(t_end, s.period);
    const double dt = t_end / steps;
    for (int i = 0; i < steps; ++i) controls_step(p, s, x, i * dt, dt, t_end);
    return x;
}

std::vector<LoopState> fly_controls_path(const LoopProblem& p, const LoopSolution& s,
                                         int substeps) {
    const int segments = int(s.t.size()) - 1;
    const int halves = 2 * segments;
    const double dt = s.period / double(halves * substeps);
    std::vector<LoopState> out{s.x.front()};
    LoopState x = s.x.front();
    for (int i = 0; i < halves * substeps; ++i) {
        controls_step(p, s, x, i * dt, dt, s.period);
        if ((i + 1) % substeps == 0) out.push_back(x);
    }
    return out;
}

}  // namespace soar::optim
