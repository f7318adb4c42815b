#include "optim/loop_playback.h"

#include <algorithm>
#include <cmath>

#include "optim/loop_dynamics.h"
#include "sim/constants.h"

namespace soar::optim {

LoopPoint loop_point(const LoopProblem& p, const LoopSolution& s, double t) {
    LoopPoint r;
    r.t = t;
    const double T = s.period;
    // floor, not fmod: a negative time belongs to the cycle before.
    const double cycles = std::floor(t / T);
    double tau = t - cycles * T;
    tau = std::clamp(tau, 0.0, T);  // rounding may land a hair outside
    r.x = state_at(p, s, tau);
    r.u = control_at(s, tau);
    // Between two nodes the quadratic may overshoot a bound the nodes keep.
    r.u[kCL] = std::clamp(r.u[kCL], p.CL_min, p.CL_max);
    r.u[kBank] = std::clamp(r.u[kBank], -p.bank_max, p.bank_max);
    // The heading gains a turn per cycle; the other states come back.
    r.x[kPsi] += cycles * 2.0 * k::exact_pi * p.turn;
    wind_at(p, r.x[kZ], s.wind, r.U, r.Up);
    r.n = load_factor(p, r.x[kV], r.u[kCL]);
    r.CD = p.CD0 + p.K * r.u[kCL] * r.u[kCL];
    return r;
}

}  // namespace soar::optim
