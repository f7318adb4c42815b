#include "platform/module_path.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

// The installed module folder relative to the installed program's folder
// (CMake sets it from the install layout).
#ifndef SOAR_INSTALLED_MODULE_DIR
#define SOAR_INSTALLED_MODULE_DIR "../lib/soarcalculus"
#endif

namespace soar {

namespace {

// The folder of the program's own file, with its slash; empty when unknown.
std::string program_folder() {
    std::string self(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size());
    if (n <= 0 || size_t(n) >= self.size()) return "";
    self.resize(size_t(n));
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? std::string() : self.substr(0, slash + 1);
}

}  // namespace

std::string module_path(const std::string& name) {
    const std::string folder = program_folder();
    const std::string beside = folder + name;
    std::error_code ec;
    if (folder.empty() || std::filesystem::exists(beside, ec)) return beside;
    const std::string installed = folder + SOAR_INSTALLED_MODULE_DIR + "/" + name;
    return std::filesystem::exists(installed, ec) ? installed : beside;
}

}  // namespace soar
