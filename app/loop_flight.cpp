#include "app/loop_flight.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "optim/loop_dynamics.h"
#include "optim/loop_playback.h"
#include "sim/constants.h"
#include "sim/param_fields.h"

namespace soar {

namespace {

constexpr double kR2D = k::exact_r2d;

}  // namespace

LoopFlight make_loop_flight(const Params& flight, const optim::LoopProblem& problem,
                            const optim::LoopSolution& solution) {
    LoopFlight f{problem, solution, flight};
    // The loop's wind scale is the profile's U_ref, except the linear
    // profile's, which is its gradient.
    const bool gradient = problem.profile == optim::WindProfile::linear;
    f.params.U_ref = float(gradient ? solution.wind * problem.Z_ref : solution.wind);
    f.params.T_cyc = float(solution.period);
    // The shear layer the loop was solved in is the one the picture and the
    // energy read.
    f.params.shear_delta = float(problem.shear_delta);
    f.params.shear_height = float(problem.shear_height);
    return f;
}

FlightState loop_state_at(const LoopFlight& f, double t) {
    FlightState s;
    using namespace optim;
    const LoopPoint q = loop_point(f.problem, f.solution, t);
    LoopState rate;
    loop_rates(f.problem, q.x.data(), q.u.data(), f.solution.wind, rate.data());
    const double V = q.x[kV], gam = q.x[kGamma], psi = q.x[kPsi], mu = q.u[kBank];
    const double CL = q.u[kCL], g = f.problem.g;
    s.t = float(t);
    s.X = float(q.x[kX]);
    s.Y = float(q.x[kY]);
    s.Z = float(q.x[kZ]);
    s.V = float(V);
    s.gam_deg = float(gam * kR2D);
    s.gam_dot = float(rate[kGamma] * kR2D);
    s.psi_deg = float(psi * kR2D);
    s.psi_dot = float(rate[kPsi] * kR2D);
    s.mu_deg = float(mu * kR2D);
    s.U = float(q.U);
    s.Up = float(q.Up);
    s.Up_V_g = float(q.Up * V / g);
    s.CL = float(CL);
    s.CD = float(q.CD);
    // D/L times Nz is the drag over the weight; at zero lift D/L alone has no
    // value, so it is taken at a lift coefficient just above zero.
    s.D_L = float(q.CD / std::max(CL, 1e-6));
    s.Nz = float(q.n);
    s.Nx = float(rate[kV] / g);
    s.Xdot_air = float(-V * std::cos(gam) * std::cos(psi));
    s.Xdot = float(rate[kX]);
    s.Ydot = float(rate[kY]);
    // The attitude the flight model gives the bird: body axis at the angle of
    // attack above the flight path, tilted by the bank.
    s.alpha = float(CL / double(f.params.CL_alpha) - double(f.params.alpha_off));
    const double alpha = s.alpha;
    s.attitude.roll = -s.mu_deg;
    s.attitude.pitch = float(alpha * std::cos(mu) + double(s.gam_deg));
    s.attitude.yaw = float(-double(s.psi_deg) - alpha * std::sin(mu));
    return s;
}

std::string loop_flight_label(const LoopFlight& f, const ParamSet& chosen) {
    // Its own least wind, not "own values": the rest is the user's set.
    char label[96];
    std::snprintf(label, sizeof label, "the optimal loop at its least wind, U_ref %.3g m/s",
                  double(f.params.U_ref));
    Params rest = f.params;
    rest.U_ref = chosen.upwind.U_ref, rest.T_cyc = chosen.upwind.T_cyc;
    const std::string base = params_note(rest, kLoopView);
    return std::string(label) + (base.empty() ? "" : " (" + base + ")");
}

}  // namespace soar
