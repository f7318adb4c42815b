// Writes a whole file or nothing, through the program's one atomic writer
// (platform/atomic_file): a failure leaves any earlier file as it was and says
// why, naming the file.
#pragma once

#include <string>
#include <string_view>

namespace soar {

// True when the file holds `bytes`; otherwise false and `error` says why, e.g.
// `cannot create "/no/such/dir/f.csv": No such file or directory`.
bool save_file(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace soar
