// Command lines through the real parsing of every command: the bytes, split at
// NUL or newline, are the arguments after the program's name. A check must end
// in 0 (valid) or 2 (refused with a message) and never fly or write anything.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args = {"soarcalculus"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        const char c = char(data[i]);
        if (c == '\0' || c == '\n') {
            args.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (size > 0) args.push_back(current);
    if (args.size() > 64) return 0;
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int status = soar::cli_check(int(args.size()), argv.data());
    if (status != 0 && status != 2) std::abort();
    return 0;
}
