#include "sim/turbulence.h"

#include <algorithm>
#include <cmath>

namespace soar {

namespace {

constexpr double kFeet = 0.3048;  // m per ft

uint64_t splitmix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// A uniform number in (0, 1) from 53 random bits.
double uniform(uint64_t bits) {
    return (double(bits >> 11) + 0.5) * (1.0 / 9007199254740992.0);
}

// One first-order lag 1/(1 + tau s) over a step h with the input held: the
// exact discrete form.
void lag(double& x, double in, double e) {
    x = e * x + (1.0 - e) * in;
}

}  // namespace

double gust_noise(uint64_t seed, uint64_t k, unsigned component) {
    const uint64_t key = splitmix(splitmix(seed) ^ (k * 4 + component));
    const double u1 = uniform(splitmix(key)), u2 = uniform(splitmix(key ^ 0x5851f42d4c957f2dull));
    // Box-Muller.
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
}

Turbulence::Scales Turbulence::scales_at(double Z) const {
    const double h = std::clamp(Z / kFeet, 10.0, 1000.0);  // ft
    const double f = 0.177 + 0.000823 * h;
    Scales s;
    s.L_w = h * kFeet;
    s.L_u = h / std::pow(f, 1.2) * kFeet;
    s.sigma_w = sigma_w_;
    s.sigma_u = sigma_w_ / std::pow(f, 0.4);
    return s;
}

Gust Turbulence::advance(double dt, double Z, double V) {
    if (!active() || !(dt > 0.0)) return gust_;
    const Scales sc = scales_at(Z);
    const double v = std::max(V, 1.0);  // the frozen field passes at the airspeed
    const double tau_u = sc.L_u / v, tau_w = sc.L_w / v;
    // White noise of unit intensity held over the step: variance 1/dt.
    const double n = 1.0 / std::sqrt(dt);
    const double nu = gust_noise(seed_, k_, 0) * n, nv = gust_noise(seed_, k_, 1) * n,
                 nw = gust_noise(seed_, k_, 2) * n;
    ++k_;

    const double eu = std::exp(-dt / tau_u), ew = std::exp(-dt / tau_w);
    lag(xu_, nu, eu);
    // The second-order filters: two lags in series, the output a blend of both
    // (1 + sqrt(3) tau s)/(1 + tau s)^2 = sqrt(3) x1 + (1 - sqrt(3)) x2.
    const double sqrt3 = std::sqrt(3.0);
    const double x2v = eu * xv2_ + (dt / tau_u) * eu * xv1_ + (1.0 - eu - (dt / tau_u) * eu) * nv;
    lag(xv1_, nv, eu);
    xv2_ = x2v;
    const double x2w = ew * xw2_ + (dt / tau_w) * ew * xw1_ + (1.0 - ew - (dt / tau_w) * ew) * nw;
    lag(xw1_, nw, ew);
    xw2_ = x2w;

    gust_.u = float(sc.sigma_u * std::sqrt(2.0 * tau_u) * xu_);
    gust_.v = float(sc.sigma_u * std::sqrt(tau_u) * (sqrt3 * xv1_ + (1.0 - sqrt3) * xv2_));
    gust_.w = float(sc.sigma_w * std::sqrt(tau_w) * (sqrt3 * xw1_ + (1.0 - sqrt3) * xw2_));
    return gust_;
}

}  // namespace soar
