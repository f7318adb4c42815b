// Writes a whole file or nothing: the bytes go to a temporary file beside the
// target, which is flushed to disk and then renamed over the target. A failure
// leaves any earlier file as it was and says why.
#pragma once

#include <string>

namespace soar {

// True when the file holds `bytes`; otherwise false and `error` says why.
bool save_file(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace soar
