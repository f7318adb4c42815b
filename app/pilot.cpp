#include "app/pilot.h"

#include <algorithm>
#include <cmath>

#include "sim/constants.h"
#include "view/projection.h"

namespace soar {

namespace {

// `from` moved towards `to` by at most `step`.
float moved_toward(float from, double to, double step) {
    const double d = to - double(from);
    if (d > step) return float(double(from) + step);
    if (d < -step) return float(double(from) - step);
    return float(to);
}

// The displacement of `c` times `s`.
Camera scaled_follow(const Camera& c, double s) {
    Camera f = c;
    f.dx_follow = float(double(c.dx_follow) * s);
    f.dy_follow = float(double(c.dy_follow) * s);
    f.dz_follow = float(double(c.dz_follow) * s);
    return f;
}

}  // namespace

void Stick::move(const PilotKeys& keys, double dt, const PilotLimits& limits) {
    const double roll = double(limits.bank_rate_max) * dt;
    const int bank = int(keys.bank_right) - int(keys.bank_left);
    const double bank_to = bank > 0   ? double(limits.bank_max)
                           : bank < 0 ? -double(limits.bank_max)
                                      : 0.0;
    mu_deg = moved_toward(mu_deg, bank_to, roll);

    const double pull = double(limits.CL_rate_max) * dt;
    const int lift = int(keys.more_lift) - int(keys.less_lift);
    const double CL_to = lift > 0   ? double(limits.CL_max) + double(kStickPastStall)
                         : lift < 0 ? double(limits.CL_min)
                                    : double(CL_trim);
    CL = moved_toward(CL, CL_to, pull);
}

PilotScore flight_score(const FlightRecord& r) {
    PilotScore score;
    const FlightHistory& h = r.history;
    if (h.size() > 0) {
        score.time_aloft_s = double(h.last(Column::t)) - double(h.at(Column::t, 0));
        score.energy_gained_m = double(h.last(Column::E)) - double(h.at(Column::E, 0));
    }
    for (const CycleRow& row : r.cycles.rows())
        score.cycles.push_back({row.number, row.dE, row.period});
    return score;
}

GhostPath loop_ghost(const LoopFlight& loop, int points) {
    GhostPath g;
    const double T = loop.solution.period;
    if (!(T > 0.0) || points < 2) return g;
    for (int i = 0; i < points; ++i) {
        const FlightState s = loop_state_at(loop, T * double(i) / double(points));
        g.x.push_back(s.X), g.y.push_back(s.Y), g.z.push_back(s.Z);
    }
    return g;
}

void GhostFraming::set_ghost(const GhostPath& g) {
    corners_ = {};
    if (g.empty()) return;
    const auto [x0, x1] = std::minmax_element(g.x.begin(), g.x.end());
    const auto [y0, y1] = std::minmax_element(g.y.begin(), g.y.end());
    const auto [z0, z1] = std::minmax_element(g.z.begin(), g.z.end());
    for (int k = 0; k < 8; ++k) {
        corners_.x.push_back(k & 1 ? *x1 : *x0);
        corners_.y.push_back(k & 2 ? *y1 : *y0);
        corners_.z.push_back(k & 4 ? *z1 : *z0);
    }
}

void GhostFraming::start(const Camera& c) {
    const double dx = c.dx_follow, dy = c.dy_follow, dz = c.dz_follow;
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    set_up_length_ = length > 0.0 ? length : 1.0;
    reach_ = 0.0;
}

Camera GhostFraming::follow(const Camera& c, float X, float Y, float Z) {
    if (corners_.empty()) return c;
    // The view the displacement gives, aimed at the bird.
    Camera probe = c;
    probe.x_aim = X, probe.y_aim = Y, probe.z_aim = Z;
    probe.x_eye = float(double(X) + double(c.dx_follow));
    probe.y_eye = float(double(Y) + double(c.dy_follow));
    probe.z_eye = float(double(Z) + double(c.dz_follow));
    update_view(probe);
    if (!(probe.distance > 0.0f) || !(probe.aspect > 0.0f)) return followed(c);
    // Standing back along the line of sight leaves a point's offsets across (u)
    // and up (v) as they are and adds to its depth: at distance L from the bird
    // its depth is L + a, and it lies within the picture's fill where
    // |u| <= (L + a) tan across and |v| <= (L + a) tan up.
    const double across = 1.2 * std::tan(double(probe.zoom_deg) * k::d2r) * kFill;
    const double up = across / double(probe.aspect);
    const Projector proj(probe);
    Projected p;
    double need = 0.0;  // m from the bird
    for (size_t i = 0; i < corners_.x.size(); ++i) {
        proj.project(corners_.x[i], corners_.y[i], corners_.z[i], p);
        const double a = double(p.depth) - double(probe.distance);
        // A metre before the eye at least, well past the near limit.
        need = std::max(
            {need, std::fabs(double(p.u)) / across - a, std::fabs(double(p.v)) / up - a, 1.0 - a});
    }
    // Framed from the set-up displacement's length, then scaled as the user
    // zoomed it: a zoom in or out moves the framed view in or out as well.
    const double want = std::max(1.0, need / set_up_length_);
    if (reach_ <= 0.0)
        reach_ = want;
    else
        reach_ = std::clamp(want, reach_ / (1.0 + kStep), reach_ * (1.0 + kStep));
    return followed(c);
}

Camera GhostFraming::followed(const Camera& c) const {
    return scaled_follow(c, std::max(1.0, reach_));
}

}  // namespace soar
