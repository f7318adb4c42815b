#include "sim/names.h"

#include <cstdio>
#include <iterator>

#include "sim/wind_profile.h"

namespace soar {

namespace {

constexpr PatternName kPatterns[] = {
    {Mode::fixed, "fixed", "fixed view"},
    {Mode::upwind, "upwind", "upwind"},
    {Mode::downwind, "downwind", "downwind"},
    {Mode::crosswind, "crosswind", "crosswind"},
    {Mode::circlezoom, "circlezoom", "circle zoom"},
    {Mode::profile, "profile", "profile demo (downwind)"},
};

// In WindShape's order, which is the number the "profile" parameter keeps.
constexpr ProfileName kProfiles[] = {
    {WindShape::exponential, "exponential", "exponential", "exp"},
    {WindShape::logarithmic, "logarithmic", "log", nullptr},
    {WindShape::power, "power", "power", nullptr},
    {WindShape::linear, "linear", "linear", nullptr},
};

constexpr const char* kProfileChoices[] = {kProfiles[0].name, kProfiles[1].name, kProfiles[2].name,
                                           kProfiles[3].name, nullptr};

}  // namespace

std::span<const PatternName> pattern_names() {
    return kPatterns;
}

std::span<const PatternName> flying_pattern_names() {
    return std::span<const PatternName>(kPatterns).subspan(1);
}

const char* mode_name(Mode mode) {
    for (const PatternName& p : kPatterns)
        if (p.mode == mode) return p.name;
    return "?";
}

const char* mode_words(Mode mode) {
    for (const PatternName& p : kPatterns)
        if (p.mode == mode) return p.words;
    return "?";
}

std::optional<Mode> mode_named(std::string_view name) {
    for (const PatternName& p : kPatterns)
        if (name == p.name) return p.mode;
    return std::nullopt;
}

std::string pattern_list(bool with_fixed) {
    std::string out;
    for (const PatternName& p : with_fixed ? pattern_names() : flying_pattern_names()) {
        if (!out.empty()) out += ", ";
        out += p.name;
    }
    return out;
}

std::span<const Mode> param_table_patterns() {
    static constexpr Mode kTables[] = {Mode::upwind, Mode::downwind, Mode::crosswind,
                                       Mode::circlezoom};
    return kTables;
}

std::span<const ProfileName> profile_names() {
    return kProfiles;
}

const char* profile_name(WindShape shape) {
    for (const ProfileName& p : kProfiles)
        if (p.shape == shape) return p.name;
    return "?";
}

const char* profile_brief(WindShape shape) {
    for (const ProfileName& p : kProfiles)
        if (p.shape == shape) return p.brief;
    return "?";
}

std::optional<WindShape> profile_named(std::string_view name) {
    for (const ProfileName& p : kProfiles)
        if (name == p.name || name == p.brief || (p.alias && name == p.alias)) return p.shape;
    return std::nullopt;
}

std::string profile_list() {
    std::string out;
    constexpr size_t n = std::size(kProfiles);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) out += i + 1 == n ? " or " : ", ";
        out += kProfiles[i].name;
    }
    return out;
}

std::string profile_text(const Params& p) {
    const WindProfileShape s = profile_shape(p);
    if (has_shear_layer(s)) {
        // The gradient is steepest at the centre: U_ref / (4 delta).
        char out[192];
        std::snprintf(out, sizeof out,
                      "logistic shear layer (U_ref %g m/s above it, centred at %g m, thickness "
                      "%g m), gradient up to %.4g 1/s at its centre",
                      p.U_ref, p.shear_height, p.shear_delta,
                      double(p.U_ref) / (4.0 * s.shear_delta));
        return out;
    }
    char own[96];
    switch (s.shape) {
        case WindShape::exponential:
            std::snprintf(own, sizeof own, "U_ref %g m/s, Z_ref %g m, lam_U %g", p.U_ref, s.Z_ref,
                          s.lam_U);
            break;
        case WindShape::logarithmic:
            std::snprintf(own, sizeof own, "U_ref %g m/s at Z_ref %g m, z0 %g m", p.U_ref, s.Z_ref,
                          p.z0);
            break;
        case WindShape::power:
            std::snprintf(own, sizeof own, "U_ref %g m/s at Z_ref %g m, exponent %g", p.U_ref,
                          s.Z_ref, p.p_exp);
            break;
        case WindShape::linear:
            std::snprintf(own, sizeof own, "U_ref %g m/s at Z_ref %g m", p.U_ref, s.Z_ref);
            break;
    }
    double lo = 0, hi = 0;
    growing_range(s, lo, hi);
    // A linear wind held from the sea runs on through it (lo = -inf).
    char out[192];
    std::snprintf(out, sizeof out, "%s profile (%s), growing from %g m to %g m",
                  profile_name(s.shape), own, lo > 0.0 ? lo : 0.0, hi);
    return out;
}

const char* const* profile_choices() {
    return kProfileChoices;
}

}  // namespace soar
