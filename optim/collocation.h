// The loop as a nonlinear program: Hermite-Simpson collocation on an even
// mesh over a free period, in scaled variables, with the Jacobian of every
// constraint from automatic differentiation.
//
// Variables (scaled), node k at 10 k: X, Y, Z, V, gamma, psi, CL, bank, then
// the segment's midpoint CL and bank (not after the last node); then the
// period and the wind scale. Constraints: per segment the six collocation
// defects and the load factor and both wing-tip heights at the midpoint; per
// node the load factor and the wing-tip heights; the periodicity of V, gamma,
// psi (plus a full turn) and, when the start height is free, of Z.
#pragma once

#include <vector>

#include "optim/loop_problem.h"
#include "optim/loop_solution.h"

namespace soar::optim {

class Collocation {
  public:
    Collocation(const LoopProblem& p, int nodes, const LoopSolution& scale_from);

    int variables() const { return n_; }
    int constraints() const { return m_; }
    int jacobian_entries() const { return int(jac_row_.size()); }
    int period_index() const { return 10 * (nodes_ - 1) + 8; }
    int wind_index() const { return period_index() + 1; }

    void bounds(double* x_lo, double* x_hi, double* g_lo, double* g_hi) const;
    void jacobian_structure(int* rows, int* cols) const;
    // Constraint values and (when jac is not null) the Jacobian's values in the
    // order of jacobian_structure.
    void evaluate(const double* x, double* g, double* jac) const;

    // Scaled variables from a loop on this mesh and back.
    std::vector<double> pack(const LoopSolution& s) const;
    LoopSolution unpack(const double* x) const;
    // The bounds that hold at scaled variables x with constraint values g, from
    // Ipopt's bound multipliers z_L, z_U and constraint multipliers lambda.
    std::vector<ActiveLimit> active_limits(const double* x, const double* g, const double* z_L,
                                           const double* z_U, const double* lambda) const;
    // Drag work per unit mass over the loop, J/kg (Simpson's rule per segment).
    double energy_per_cycle(const LoopSolution& s) const;

    double wind_scale() const { return w_s_; }
    double scale_of_state(int i) const;

  private:
    const LoopProblem& p_;
    int nodes_;
    int n_ = 0, m_ = 0;
    double L_s_ = 1, V_s_ = 1, T_s_ = 1, w_s_ = 1;  // scales of length, speed, period, wind
    int node_rows_start_ = 0, periodic_rows_start_ = 0, drift_rows_start_ = 0;
    std::vector<int> node_row_;   // first row of node k's path constraints
    std::vector<int> node_rows_;  // how many (1: load factor only, 3: with the tips)
    std::vector<int> jac_row_, jac_col_;
};

}  // namespace soar::optim
