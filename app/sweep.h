// Parameter sweeps: one question asked at every point of a Cartesian grid of
// parameter values. The questions are those of the commands: the energy-neutral
// wind of a pattern (min-wind), the least-wind loop (optimise), and the summary
// of a flight (fly). Every point is a pure function of the sweep and its
// number, so a sweep split over threads, processes or machines gives the same
// rows as one run, point for point.
//
//   sweep_grid.h    the question, the axes and the points they make
//   sweep_point.h   one point's parameters and its computation
//   sweep_file.h    the sweep's text and its file of rows
//   sweep_pool.h    the points run here or in worker processes
#pragma once

#include "app/sweep_file.h"
#include "app/sweep_grid.h"
#include "app/sweep_point.h"
#include "app/sweep_pool.h"
