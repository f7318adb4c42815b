// Point-mass equations of motion of the loop, air-relative speed and angles,
// in the flight model's axes: X downwind, Z up, heading 0 straight into the
// wind, the air-relative X velocity -V cos(gamma) cos(psi).
#pragma once

#include <cmath>

#include "optim/loop_problem.h"

namespace soar::optim {

enum StateIndex { kX = 0, kY, kZ, kV, kGamma, kPsi, kStates };
enum ControlIndex { kCL = 0, kBank, kControls };

// Lift over weight: the load factor.
template <typename T>
T load_factor(const LoopProblem& p, const T& V, const T& CL) {
    return 0.5 * p.rho * V * V * CL / p.wing_loading;
}

// Drag over weight.
template <typename T>
T drag_over_weight(const LoopProblem& p, const T& V, const T& CL) {
    return 0.5 * p.rho * V * V * (p.CD0 + p.K * CL * CL) / p.wing_loading;
}

// d(state)/dt for state x, controls u and wind scale w. The wind's change
// along the path, dU/dt = Up V sin(gamma), acts on the bird as an inertial
// force -dU/dt along X; its components along the path, normal to it in the
// vertical plane and sideways give the three wind terms.
template <typename T>
void loop_rates(const LoopProblem& p, const T* x, const T* u, const T& w, T* xdot) {
    using std::cos;
    using std::sin;
    const T& V = x[kV];
    const T sg = sin(x[kGamma]), cg = cos(x[kGamma]);
    const T sp = sin(x[kPsi]), cp = cos(x[kPsi]);
    const T sm = sin(u[kBank]), cm = cos(u[kBank]);
    T U, Up;
    wind_at(p, x[kZ], w, U, Up);
    const T n = load_factor(p, V, u[kCL]);
    const T d = drag_over_weight(p, V, u[kCL]);
    const T UpV = Up * V;
    xdot[kX] = -V * cg * cp + U;
    xdot[kY] = V * cg * sp;
    xdot[kZ] = V * sg;
    xdot[kV] = p.g * (-d - sg) + UpV * sg * cg * cp;
    xdot[kGamma] = (p.g * (n * cm - cg) - UpV * sg * sg * cp) / V;
    xdot[kPsi] = (p.g * n * sm - UpV * sg * sp) / (V * cg);
}

}  // namespace soar::optim
