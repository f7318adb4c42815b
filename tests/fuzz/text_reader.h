// The hook for a fuzz target of a file the program reads: the fuzzer's bytes as
// the file's text, handed to `reader` (any callable taking std::string_view).
// A reader may refuse the text in any way it reports (a result, an exception of
// its own); it must not crash, hang, leak or read out of bounds.
//
//   SOAR_FUZZ_TEXT_READER(soar::read_params_text)
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

#define SOAR_FUZZ_TEXT_READER(reader)                                           \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {   \
        const std::string_view text(reinterpret_cast<const char*>(data), size); \
        try {                                                                   \
            (void)(reader)(text);                                               \
        } catch (const std::exception&) {                                       \
        }                                                                       \
        return 0;                                                               \
    }
