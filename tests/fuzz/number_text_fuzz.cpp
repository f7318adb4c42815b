// The text-box number reader and writer: any text reads without fault, the
// read-out text of any float reads back as a finite number, and the CSV text of
// every finite float reads back as the same float.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double v = soar::text_value(text);
    (void)soar::to_i16(v);
    (void)soar::to_i32(v);
    if (size >= 4) {
        float f;
        std::memcpy(&f, data, sizeof f);
        if (std::isfinite(f)) {
            if (!std::isfinite(soar::text_value(soar::float_text(f)))) std::abort();
            if (float(std::strtod(soar::shortest_float(f).c_str(), nullptr)) != f) std::abort();
        }
    }
    return 0;
}
