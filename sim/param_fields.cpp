#include "sim/param_fields.h"

#include <cmath>
#include <limits>

#include "platform/number_text.h"
#include "sim/names.h"

namespace soar {

namespace {

constexpr unsigned bit(Mode m) {
    return 1u << unsigned(m);
}
constexpr unsigned kUp = bit(Mode::upwind), kCross = bit(Mode::crosswind),
                   kDown = bit(Mode::downwind) | bit(Mode::profile), kZoom = bit(Mode::circlezoom);
constexpr unsigned kTimed = kUp | kCross, kHeading = kDown | kZoom;
constexpr unsigned kFlying = kTimed | kHeading;

bool zoom_own(const ParamField& f) {
    return f.member == &Params::CD0 || f.member == &Params::K_ind || f.member == &Params::U_ref;
}

}  // namespace

const std::vector<ParamField>& param_fields() {
    using G = ParamGroup;
    static const std::vector<ParamField> fields = {
        {"g", G::air, "m/s^2", "gravitational acceleration", 1, 25, &Params::g, 0},
        {"rho", G::air, "kg/m^3", "air density", 0.1f, 2, &Params::rho, 0},
        {"W_S", G::bird, "N/m^2", "wing-loading parameter", 10, 500, &Params::W_S, 0},
        {"CD0", G::bird, "-", "zero-lift drag coefficient", 0, 0.2f, &Params::CD0, 0},
        {"K_ind", G::bird, "-", "induced-drag factor", 0, 0.2f, &Params::K_ind, 0},
        {"CL_alpha", G::bird, "1/deg", "lift-curve slope", 0.01f, 0.5f, &Params::CL_alpha, 0},
        {"alpha_off", G::bird, "deg", "angle-of-attack offset", -10, 10, &Params::alpha_off, 0},
        {"U_ref", G::wind, "m/s", "reference wind speed", 0, 40, &Params::U_ref, 0},
        {"Z_ref", G::wind, "m", "reference height", 1, 200, &Params::Z_ref, 0},
        {"lam_U", G::wind, "-", "profile shape exponent", 0, 20, &Params::lam_U, 0},
        {"zeta_min", G::wind, "-", "lower clamp of Z/Z_ref", 0, 0.5f, &Params::zeta_min, 0},
        {"zeta_max", G::wind, "-", "upper clamp of Z/Z_ref", 0.5f, 100, &Params::zeta_max, 0},
        {"profile", G::wind, "-", "the profile's shape", 0, 3, &Params::profile, 0,
         profile_choices()},
        {"z0", G::wind, "m", "roughness length (logarithmic)", 0.0001f, 0.5f, &Params::z0, 0},
        {"p_exp", G::wind, "-", "exponent (power law)", 0.01f, 1, &Params::p_exp, 0},
        {"shear_delta", G::wind, "m", "shear layer's thickness (0: none)", 0, 100,
         &Params::shear_delta, 0},
        {"shear_height", G::wind, "m", "shear layer's centre height", 0, 500, &Params::shear_height,
         0},
        {"Z_start", G::pattern, "m", "start height", 0.1f, 100, &Params::Z_start, kFlying},
        {"T_cyc", G::pattern, "s", "cycle period", 1, 60, &Params::T_cyc, kTimed},
        // |c_warp| below 1/pi keeps the warped phase rising through the cycle.
        {"c_warp", G::pattern, "-", "phase-warp coefficient", -0.3f, 0.3f, &Params::c_warp, kTimed},
        {"gam_A", G::pattern, "deg", "path-angle amplitude (sin)", -60, 60, &Params::gam_A,
         kFlying},
        {"gam_B", G::pattern, "deg", "path-angle term (sin^2)", -60, 60, &Params::gam_B, kFlying},
        {"mu_max", G::pattern, "deg", "bank amplitude", 0, 85, &Params::mu_max, kUp},
        {"mu_ph", G::pattern, "cycles", "bank phase shift", -1, 1, &Params::mu_ph, kUp},
        {"psi_A", G::pattern, "deg", "heading amplitude (sin)", -180, 180, &Params::psi_A, kCross},
        {"psi_B", G::pattern, "deg", "heading term (sin^2)", -180, 180, &Params::psi_B, kCross},
        {"R_0", G::pattern, "m", "mean turn radius", 5, 500, &Params::R_0, kHeading},
        {"R_A", G::pattern, "m", "turn-radius amplitude", -250, 250, &Params::R_A, kHeading},
        {"R_ph", G::pattern, "rad", "turn-radius phase", -6.3f, 6.3f, &Params::R_ph, kHeading},
    };
    return fields;
}

const ParamField* param_field(std::string_view name) {
    for (const ParamField& f : param_fields())
        if (name == f.name) return &f;
    return nullptr;
}

bool param_used(const ParamField& f, Mode mode) {
    return f.patterns == 0 || (f.patterns & bit(mode)) != 0;
}

bool param_written(const ParamField& f, const Params& p) {
    const bool shear = f.member == &Params::shear_delta || f.member == &Params::shear_height;
    if (!shear) return true;
    const Params none;
    return !(p.shear_delta == none.shear_delta && p.shear_height == none.shear_height);
}

bool param_in_range(const ParamField& f, double v) {
    // The bounds are floats, as the values are kept: a value is in range when the
    // float it is kept as is, so the stated bound itself ("0.1", the float 0.1f,
    // a little above the double 0.1) is taken.
    if (!(std::fabs(v) <= double(std::numeric_limits<float>::max()))) return false;
    const float kept = float(v);
    if (f.choices && kept != std::floor(kept)) return false;  // a choice is a whole number
    return kept >= f.lo && kept <= f.hi;
}

std::optional<double> param_value(const ParamField& f, std::string_view text) {
    if (f.choices) {
        for (int i = 0; f.choices[i]; ++i)
            if (text == f.choices[i]) return double(i);
        return std::nullopt;
    }
    return decimal_number(text);
}

std::string param_value_text(const ParamField& f, float v) {
    if (f.choices) {
        for (int i = 0; f.choices[i]; ++i)
            if (v == float(i)) return f.choices[i];
    }
    return shortest_float(v);
}

std::string param_range_text(const ParamField& f) {
    if (f.choices) {
        std::string names;
        for (int i = 0; f.choices[i]; ++i) names += std::string(i ? ", " : "") + f.choices[i];
        return std::string(f.name) + " (" + f.meaning + ") must be one of " + names;
    }
    std::string unit = std::string(f.unit) == "-" ? "" : std::string(" ") + f.unit;
    return std::string(f.name) + " (" + f.meaning + ") must be a number from " + float_text(f.lo) +
           " to " + float_text(f.hi) + unit;
}

std::string param_names(Mode mode) {
    std::string out;
    for (const ParamField& f : param_fields()) {
        if (!param_used(f, mode)) continue;
        if (!out.empty()) out += ", ";
        out += f.name;
    }
    return out;
}

void set_param(ParamSet& set, Mode mode, const ParamField& f, float v) {
    if (f.patterns != 0) {
        set.of(mode).*f.member = v;
        return;
    }
    const bool in_zoom = mode == Mode::circlezoom;
    for (Params* p : {&set.upwind, &set.downwind, &set.crosswind, &set.circlezoom}) {
        const bool is_zoom = p == &set.circlezoom;
        if (zoom_own(f) && is_zoom != in_zoom) continue;
        p->*f.member = v;
    }
}

const std::vector<Preset>& presets() {
    static const std::vector<Preset> list = {
        {"design-albatross", "Design albatross"},
        {"heavier-albatross", "Heavier albatross"},   // wing loading +20 %
        {"light-wind", "Light wind"},                 // reference wind -30 %
        {"draggy-wing", "Draggy wing"},               // zero-lift drag doubled
        {"zhao-glider", "Zhao glider"},               // Zhao's (2004) 5.6-slug glider
        {"sachs-2005-albatross", "Sachs albatross"},  // Sachs's (2005) 8.5-kg albatross
    };
    return list;
}

namespace {

// Zhao's (2004) benchmark glider, from its imperial figures: 5.6 slug,
// S = 45.09703 ft^2, rho = 0.002378 slug/ft^3, g = 32.2 ft/s^2, CD = 0.00873 +
// 0.045 CL^2, in a linear wind that grows from the sea to 10 km, far above
// any loop (its loops climb past 200 m; U_ref at 100 m: 7 m/s is a gradient
// of 0.07 1/s). The circle zoom keeps its
// drag-free polar.
void set_zhao_glider(ParamSet& set) {
    constexpr double slug = 14.5939029372;  // kg
    constexpr double ft = 0.3048;           // m
    const double g = 32.2 * ft;
    const double wing_loading = 5.6 * slug * g / (45.09703 * ft * ft);  // N/m^2
    for (Params* p : {&set.upwind, &set.downwind, &set.crosswind, &set.circlezoom}) {
        p->g = float(g);
        p->rho = float(0.002378 * slug / (ft * ft * ft));
        // The lift coefficient reads the loading as W_S 16/3.5^2.
        p->W_S = float(wing_loading * (3.5 * 3.5) / 16.0);
        p->profile = float(int(WindShape::linear));
        p->Z_ref = 100.0f;
        p->zeta_min = 0.0f;
        p->zeta_max = 100.0f;
        if (p == &set.circlezoom) continue;
        p->CD0 = 0.00873f;
        p->K_ind = 0.045f;
    }
}

// The wandering albatross of Sachs (2005), from its public figures: 8.5 kg,
// wing area 0.65 m^2, span 3.4 m (aspect ratio 17.8), best glide ratio about
// 20: K = 0.019 (span efficiency 0.94) and CD0 = 0.033 give 1/(2 sqrt(CD0 K))
// = 19.97. Sea-level air; the logarithmic wind (z0 0.03 m) given at 10 m and
// growing far above any loop. The circle zoom keeps its drag-free polar.
void set_sachs_albatross(ParamSet& set) {
    const double g = 9.81;
    const double wing_loading = 8.5 * g / 0.65;  // N/m^2
    for (Params* p : {&set.upwind, &set.downwind, &set.crosswind, &set.circlezoom}) {
        p->g = float(g);
        p->rho = 1.225f;
        p->W_S = float(wing_loading * (3.5 * 3.5) / 16.0);
        p->profile = float(int(WindShape::logarithmic));
        p->Z_ref = 10.0f;
        p->zeta_max = 100.0f;
        if (p == &set.circlezoom) continue;
        p->CD0 = 0.033f;
        p->K_ind = 0.019f;
    }
}

}  // namespace

bool apply_preset(ParamSet& set, std::string_view name) {
    float Params::*member = nullptr;
    double factor = 1.0;
    if (name == "design-albatross") return true;
    if (name == "zhao-glider") {
        set_zhao_glider(set);
        return true;
    }
    if (name == "sachs-2005-albatross") {
        set_sachs_albatross(set);
        return true;
    }
    if (name == "heavier-albatross") member = &Params::W_S, factor = 1.2;
    if (name == "light-wind") member = &Params::U_ref, factor = 0.7;
    if (name == "draggy-wing") member = &Params::CD0, factor = 2.0;
    if (!member) return false;
    for (Params* p : {&set.upwind, &set.downwind, &set.crosswind, &set.circlezoom})
        p->*member = float(double(p->*member) * factor);
    return true;
}

std::optional<ParamSet> preset_set(std::string_view name) {
    ParamSet set;
    if (!apply_preset(set, name)) return std::nullopt;
    return set;
}

std::string preset_names() {
    std::string out;
    for (const Preset& p : presets()) out += (out.empty() ? "" : ", ") + std::string(p.name);
    return out;
}

std::string params_note(const ParamSet& set) {
    if (set == ParamSet{}) return "";
    for (const Preset& p : presets()) {
        if (preset_set(p.name) == set) {
            std::string label = p.label;
            label[0] = char(label[0] - 'A' + 'a');
            return label;
        }
    }
    return "own values";
}

bool same_flight(const Params& a, const Params& b, Mode mode) {
    for (const ParamField& f : param_fields())
        if (param_used(f, mode) && !(a.*f.member == b.*f.member)) return false;
    return true;
}

std::string params_note(const Params& p, Mode mode) {
    if (same_flight(p, ParamSet{}.of(mode), mode)) return "";
    for (const Preset& preset : presets()) {
        if (same_flight(p, preset_set(preset.name)->of(mode), mode)) {
            std::string label = preset.label;
            label[0] = char(label[0] - 'A' + 'a');
            return label;
        }
    }
    return "own values";
}

}  // namespace soar
