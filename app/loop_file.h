// Optimal loops kept in a file: `optimise --loop-file` writes a loop exactly
// (app/loop_cache.h's text, keyed by the problem it solves), and several such
// texts one after another make a file of loops, as the web page's build packs
// the presets' loops. A loop is taken from such a file only for the very
// problem it was solved for, so a loop is never flown in a wind or for a bird
// it was not solved for.
#pragma once

#include <optional>
#include <string>

#include "optim/loop_problem.h"
#include "optim/loop_solution.h"
#include "sim/param_set.h"

namespace soar {

// The loop `optimise --preset PRESET` poses for the flight's parameters
// `set`: the preset's own bounds (Zhao's benchmark, Sachs's travelling loop,
// the albatross's) in the flight's wind profile. Nothing, and what is wrong in
// `error`, when the parameters pose no loop.
std::optional<optim::LoopProblem> preset_loop_problem(const ParamSet& set,
                                                      const std::string& preset,
                                                      std::string& error);

// The loop among a file's loops that was solved for `problem`, at whatever
// node count it was solved; nothing when none was (or the file is damaged).
std::optional<optim::LoopSolution> loop_in_file_text(const std::string& text,
                                                     const optim::LoopProblem& problem);

}  // namespace soar
