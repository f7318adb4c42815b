// The last solved loop kept in a file, keyed by everything the solve depends
// on (the problem's every number, the mesh size): a loop is taken from the
// file only for the very problem it was solved for. A file that is damaged,
// cut short or of another problem is ignored, never half read.
#pragma once

#include <optional>
#include <string>

#include "optim/loop_problem.h"
#include "optim/loop_solution.h"

namespace soar {

// The key: the problem's numbers and the node count, written exactly.
std::string loop_cache_key(const optim::LoopProblem& p, int nodes);

// The file's text for a converged loop, and the loop back from such a text
// when its key is `key` (nothing otherwise).
std::string loop_cache_text(const std::string& key, const optim::LoopSolution& s);
std::optional<optim::LoopSolution> loop_from_cache_text(const std::string& text,
                                                        const std::string& key);

// The same through a file; saving writes the whole file or leaves the old one
// (false and `error` when it could not be written).
std::optional<optim::LoopSolution> load_cached_loop(const std::string& path,
                                                    const std::string& key);
bool save_cached_loop(const std::string& path, const std::string& key, const optim::LoopSolution& s,
                      std::string& error);

}  // namespace soar
