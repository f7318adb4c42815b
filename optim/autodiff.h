// Forward-mode automatic differentiation: a value with N first derivatives.
#pragma once

#pragma GCC system_header  // ceres and Eigen do not build warning-free under -Wpedantic
#include <ceres/jet.h>

namespace soar::optim {

template <int N>
using Jet = ceres::Jet<double, N>;

}  // namespace soar::optim
