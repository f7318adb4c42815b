#include "app/loop_file.h"

#include <string_view>

#include "app/loop_cache.h"
#include "app/loop_params.h"
#include "platform/number_text.h"
#include "sim/param_fields.h"

namespace soar {

std::optional<optim::LoopProblem> preset_loop_problem(const ParamSet& set,
                                                      const std::string& preset,
                                                      std::string& error) {
    const std::optional<ParamSet> preset_params = preset_set(preset);
    if (!preset_params) {
        error = "no preset is called \"" + preset + "\"";
        return std::nullopt;
    }
    optim::WindProfile profile = optim::WindProfile::exponential;
    error = loop_profile(set.upwind, preset_params->upwind, std::nullopt, profile);
    if (!error.empty()) return std::nullopt;
    optim::LoopProblem p = loop_problem_for(set.upwind, profile, loop_bounds_of(preset));
    error = loop_problem_error(p);
    if (!error.empty()) return std::nullopt;
    return p;
}

std::optional<optim::LoopSolution> loop_in_file_text(const std::string& text,
                                                     const optim::LoopProblem& problem) {
    // Each loop's text ends with a line "end"; its second line is its key,
    // which starts with the node count the loop was solved at.
    constexpr std::string_view kEnd = "\nend\n";
    constexpr std::string_view kNodes = "\nkey nodes ";
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find(kEnd, from);
        const std::string one = text.substr(
            from, end == std::string::npos ? std::string::npos : end + kEnd.size() - from);
        from = end == std::string::npos ? text.size() : end + kEnd.size();
        const size_t at = one.find(kNodes);
        if (at == std::string::npos) continue;
        const size_t digits = at + kNodes.size();
        const std::optional<long long> nodes =
            whole_number(std::string_view(one).substr(digits, one.find(' ', digits) - digits));
        if (!nodes || *nodes < 2 || *nodes > 100000) continue;
        if (auto loop = loop_from_cache_text(one, loop_cache_key(problem, int(*nodes))))
            return loop;
    }
    return std::nullopt;
}

}  // namespace soar
