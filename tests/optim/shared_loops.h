// The loops that several optimiser tests read, each solved once per test
// process on first use. ctest runs the optimiser's suites in one process
// (tests/CMakeLists.txt), so no solve is repeated for each test.
#pragma once

#include <cmath>

#include "optim/loop_solver.h"

namespace soar::optim::test {

// Zhao's glider: 20 nodes from the circle, then refined to 100 nodes.
inline const LoopSolution& zhao_coarse() {
    static const LoopSolution s = [] {
        SolveOptions o;
        o.nodes = 20;
        return solve_loop(zhao_glider(), o);
    }();
    return s;
}

inline const LoopSolution& zhao_refined() {
    static const LoopSolution s = [] {
        SolveOptions o;
        o.nodes = 100;
        o.start = &zhao_coarse();
        return solve_loop(zhao_glider(), o);
    }();
    return s;
}

// Zhao's problem with the load factor's range changed, from the refined loop.
inline LoopSolution zhao_with_load_factors(double n_min, double n_max) {
    LoopProblem p = zhao_glider();
    p.n_min = n_min;
    p.n_max = n_max;
    SolveOptions o;
    o.nodes = 100;
    o.start = &zhao_refined();
    return solve_loop(p, o);
}

// Sachs's albatross at its own glide ratio, 50 nodes, by every route.
inline const LoopSolution& sachs_loop() {
    static const LoopSolution s = [] {
        SolveOptions o;
        o.nodes = 50;
        return solve_least_wind_loop(sachs_albatross(), o);
    }();
    return s;
}

}  // namespace soar::optim::test
