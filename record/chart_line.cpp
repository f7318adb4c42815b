#include "record/chart_line.h"

#include <cmath>

namespace soar {

std::vector<std::pair<double, double>> chart_line(const FlightHistory& h, Column c, double t0,
                                                  double t1, int width) {
    std::vector<std::pair<double, double>> out;
    if (h.samples() == 0 || width < 1 || !(t1 > t0)) return out;
    out.reserve(size_t(width) * 2);
    const double w = (t1 - t0) / width;
    const double after_t1 = std::nextafter(t1, 1e300);
    constexpr size_t kBlock = size_t(history_detail::kBlock);
    const size_t first = h.block_at_or_after(t0), end = h.block_at_or_after(after_t1);
    const bool by_block = end > first && ((end - first) / size_t(width) >= 2 * kBlock ||
                                          first < h.first_decoded_sample());
    const auto index = [&](double t) {
        return by_block ? h.block_at_or_after(t) : h.index_at_or_after(t);
    };
    const auto take = [&](size_t j) { out.emplace_back(h.sample(Column::t, j), h.sample(c, j)); };
    size_t a = index(t0);
    for (int px = 0; px < width && a < h.samples(); ++px) {
        const double end_t = px + 1 == width ? after_t1 : t0 + (px + 1) * w;
        const size_t b = index(end_t);
        if (b <= a) continue;
        if (!by_block) {
            size_t lo_j = a, hi_j = a;
            float lo = h.sample(c, a), hi = lo;
            for (size_t j = a + 1; j < b; ++j) {
                const float v = h.sample(c, j);
                if (v < lo) lo = v, lo_j = j;
                if (v > hi) hi = v, hi_j = j;
            }
            // A flat column: its first and last sample.
            if (lo_j == hi_j) hi_j = b - 1;
            take(std::min(lo_j, hi_j));
            if (hi_j != lo_j) take(std::max(lo_j, hi_j));
        } else {
            const auto [lo, hi] = h.range(c, a, b);
            // The line enters a column at the end nearer the last point (the
            // first column: nearer its first sample).
            const double before = out.empty() ? double(h.sample(c, a)) : out.back().second;
            const bool rising = before <= double(lo);
            out.emplace_back(t0 + px * w, rising ? lo : hi);
            if (hi != lo) out.emplace_back(t0 + (px + 1) * w, rising ? hi : lo);
        }
        a = b;
    }
    return out;
}

}  // namespace soar
