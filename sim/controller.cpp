#include "sim/controller.h"

#include <algorithm>
#include <cmath>

#include "sim/constants.h"

namespace soar {

namespace {
constexpr int kSamples = 2048;
}

LoopTracker::LoopTracker(FlightPath reference, double period, const Params& p, Gains gains,
                         PilotLimits limits)
    : reference_(std::move(reference)), period_(period), p_(p), gains_(gains), limits_(limits) {
    psi0_ = reference_(0.0).psi_deg;
    turn_ = reference_(period_).psi_deg >= psi0_ ? 1.0 : -1.0;
    heading_.resize(kSamples + 1);
    double most = 0;
    for (int i = 0; i <= kSamples; ++i) {
        const double t = period_ * i / kSamples;
        // A heading that turns back for a moment keeps the furthest one.
        most = std::max(most, (double(reference_(t).psi_deg) - psi0_) * turn_);
        heading_[size_t(i)] = most;
    }
}

Command LoopTracker::command(const FlightState& s, const WindAtBird& wind) {
    const double g = p_.g;
    // Where in its cycle the loop has the bird's heading.
    const double turned = (double(s.psi_deg) - psi0_) * turn_;
    const double within = turned - 360.0 * std::floor(turned / 360.0);
    const auto it = std::lower_bound(heading_.begin(), heading_.end(), within);
    const size_t i = size_t(std::min<ptrdiff_t>(it - heading_.begin(), kSamples));
    t_ref_ = period_ * double(i) / kSamples;
    if (t_ref_ >= period_) t_ref_ = 0.0;
    const FlightState r = reference_(t_ref_);

    const double sg = std::sin(double(s.gam()));
    const double climb = double(s.V) * sg + double(wind.gust.w);
    const double climb_ref = double(r.V) * std::sin(double(r.gam()));
    height_missed_ = double(r.Z) + gains_.raise - double(s.Z);
    const double up = gains_.height * height_missed_ + gains_.climb * (climb_ref - climb);
    const double n_up = double(r.Nz) * std::cos(double(r.mu())) + up / g;
    const double n_side = double(r.Nz) * std::sin(double(r.mu()));

    // Within the wing: just below the stall's lift coefficient at this
    // airspeed, and nine tenths of the load the bird bears.
    const double V = s.V;
    const double q_wl = 0.5 * double(p_.rho) * (V * V) / (double(p_.W_S) * 16.0 / 12.25);
    const double Nz_most =
        std::min(0.9 * double(limits_.Nz_max), 0.99 * double(limits_.CL_max) * q_wl);
    const double Nz = std::clamp(std::hypot(n_up, n_side), 0.0, Nz_most);
    double mu = std::atan2(n_side, n_up) * k::r2d;
    // Low over the sea the lower wing tip hangs half_span |sin mu| below the
    // body: the bank is held to what keeps it a clearance above the water
    // half a second on (the roll takes time).
    double bank_most = limits_.bank_max;
    if (limits_.half_span > 0.0f) {
        const double Z_soon = double(s.Z) + std::min(0.0, climb) * 0.5;
        const double room = (Z_soon - gains_.tip_clearance) / double(limits_.half_span);
        bank_most = std::min(bank_most, std::asin(std::clamp(room, 0.0, 1.0)) * k::r2d);
    }
    mu = std::clamp(mu, -bank_most, bank_most);
    return {float(mu), float(Nz), LiftCommand::load_factor};
}

}  // namespace soar
