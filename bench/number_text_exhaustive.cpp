// Every one of the 2^32 floats: the program's shortest text against the
// standard library's std::to_chars, and the text read back to the same bits.
// About four minutes on one core; run by hand (make number-text-exhaustive).
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/number_text.h"

int main() {
    uint64_t differing = 0, unread = 0;
    for (uint64_t b = 0; b < (uint64_t(1) << 32); ++b) {
        const float v = soar::float_of_bits(uint32_t(b));
        char ours[32], reference[32];
        char* end = soar::put_shortest(ours, v);
        const char* ref_end = std::to_chars(reference, reference + sizeof reference, v).ptr;
        if (end - ours != ref_end - reference ||
            std::memcmp(ours, reference, size_t(end - ours)) != 0) {
            if (++differing <= 20)
                std::printf("%08llx: %.*s where to_chars writes %.*s\n", (unsigned long long)b,
                            int(end - ours), ours, int(ref_end - reference), reference);
        }
        float back = 0;
        if (!std::isnan(v) &&
            (soar::read_number(ours, end, back).ec != std::errc() || soar::float_bits(back) != b))
            ++unread;
        if ((b & 0x0FFFFFFF) == 0x0FFFFFFF)
            std::fprintf(stderr, "%llu/16 done\n", (unsigned long long)(b >> 28) + 1);
    }
    std::printf("4294967296 floats: %llu texts differ from to_chars, %llu do not read back\n",
                (unsigned long long)differing, (unsigned long long)unread);
    return differing == 0 && unread == 0 ? 0 : 1;
}
