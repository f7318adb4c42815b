// Gusts: turbulence on top of the mean wind profile, by the Dryden spectra of
// the low-altitude model (MIL-F-8785C, MIL-HDBK-1797), seeded and
// deterministic. Heights in the model's metres; the standard's scales are in
// feet and are converted.
//
// With h the height in feet (held to at least 10 ft, the standard's floor,
// and to at most 1000 ft):
//   L_w = h,  L_u = L_v = h / (0.177 + 0.000823 h)^1.2          (scale lengths)
//   sigma_u = sigma_v = sigma_w / (0.177 + 0.000823 h)^0.4       (intensities)
// and the components, along the mean wind (+X), across it (+Y) and up (+Z),
// are white noise through the forming filters (tau = L / V, V the airspeed)
//   u: sigma_u sqrt(2 tau) / (1 + tau s)
//   v, w: sigma sqrt(tau) (1 + sqrt(3) tau s) / (1 + tau s)^2
// whose outputs have the variances sigma^2 and the spectra
//   Phi_u ~ 1 / (1 + (L w / V)^2),  Phi_v,w ~ (1 + 3 (L w / V)^2) / (1 + (L w / V)^2)^2.
// sigma_w (m/s) is the intensity the user gives: about 0.8 m/s in light
// turbulence, 1.5 moderate, 2.3 severe (0.1 times the wind at 20 ft).
//
// The noise of step k and component c is a function of (seed, k, c) alone, so
// the gusts of a flight are the same on any machine and in any thread.
#pragma once

#include <cstdint>

namespace soar {

struct Gust {
    float u = 0, v = 0, w = 0;  // gust wind along +X, +Y and up, m/s
    friend bool operator==(const Gust&, const Gust&) = default;
};

class Turbulence {
  public:
    Turbulence() = default;
    // sigma_w: the vertical intensity, m/s (0: calm, no gusts).
    Turbulence(float sigma_w, uint64_t seed) : sigma_w_(sigma_w), seed_(seed) {}

    // Advances the field by dt (s) along the path of a bird at height Z (m)
    // flying at airspeed V (m/s), and returns the gust there.
    Gust advance(double dt, double Z, double V);
    const Gust& gust() const { return gust_; }
    float intensity() const { return sigma_w_; }
    uint64_t seed() const { return seed_; }
    uint64_t steps() const { return k_; }
    bool active() const { return sigma_w_ > 0.0f; }

    // The standard's scale lengths (m) and intensities (m/s) at height Z (m).
    struct Scales {
        double L_u, L_w, sigma_u, sigma_w;
    };
    Scales scales_at(double Z) const;

  private:
    float sigma_w_ = 0;
    uint64_t seed_ = 0;
    uint64_t k_ = 0;  // steps taken
    // The filters' states: u's one, then v's and w's two each.
    double xu_ = 0, xv1_ = 0, xv2_ = 0, xw1_ = 0, xw2_ = 0;
    Gust gust_;
};

// A standard normal number from (seed, k, component) alone.
double gust_noise(uint64_t seed, uint64_t k, unsigned component);

}  // namespace soar
