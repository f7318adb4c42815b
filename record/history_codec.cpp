#include "record/history_codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/number_text.h"

namespace soar::history_codec {

namespace {

enum Predictor : int { previous, line, curve, scaled, time_step, kPredictors };

// Float bits as integers in the floats' own order (-0 just below +0), and back.
int64_t ordered(uint32_t bits) {
    return (bits & 0x80000000u) ? -int64_t(bits & 0x7fffffffu) - 1 : int64_t(bits);
}
uint32_t bits_of_ordered(int64_t v) {
    return v >= 0 ? uint32_t(v) : 0x80000000u | uint32_t(-(v + 1));
}
float float_of(uint32_t bits) {
    return float_of_bits(bits);
}

// Whether predictor p applies to stream s.
bool applies(const Layout& l, int s, int p) {
    const bool is_float = s < l.floats;
    if (p == scaled) return is_float && s != l.time;
    if (p == time_step) return s == l.dt;
    return true;
}

// The value of sample k (k >= 1) of stream s as predictor p expects it, from the
// samples before it (u: the stream as integers, in its own order) and, for the
// time-scaled predictors, the block's flight times.
int64_t predict(const Layout& l, int s, int p, const int64_t* u, const uint32_t* raw,
                const uint32_t* time, int k) {
    const bool is_float = s < l.floats;
    switch (p) {
        case previous:
            break;
        case line:
            if (k >= 2) return 2 * u[k - 1] - u[k - 2];
            break;
        case curve:
            if (k >= 3) return 3 * u[k - 1] - 3 * u[k - 2] + u[k - 3];
            if (k >= 2) return 2 * u[k - 1] - u[k - 2];
            break;
        case scaled: {
            // The last step of the value, scaled by the new time step.
            if (k < 2 || !is_float) break;
            const double t0 = float_of(time[k]), t1 = float_of(time[k - 1]),
                         t2 = float_of(time[k - 2]);
            const double v1 = float_of(raw[k - 1]), v2 = float_of(raw[k - 2]);
            const double x = v1 + (v1 - v2) * ((t0 - t1) / (t1 - t2));
            if (t1 != t2 && std::fabs(x) <= double(std::numeric_limits<float>::max()))
                return ordered(float_bits(float(x)));
            break;
        }
        case time_step: {
            // dt is the difference of the flight times, rounded to a float.
            const double x = double(float_of(time[k])) - double(float_of(time[k - 1]));
            if (std::fabs(x) <= double(std::numeric_limits<float>::max()))
                return ordered(float_bits(float(x)));
            break;
        }
        default:
            break;
    }
    return u[k - 1];
}

// Rice codes: q = z >> k ones, a zero, the k low bits of z; a quotient of
// kEscape or more is kEscape ones and z's kWide bits whole.
constexpr int kEscape = 24;
constexpr int kWide = 40;  // every residual's zigzag fits: predictions stay within 2^35

uint64_t zigzag(int64_t r) {
    return (uint64_t(r) << 1) ^ uint64_t(r >> 63);
}
int64_t unzigzag(uint64_t z) {
    return int64_t(z >> 1) ^ -int64_t(z & 1);
}

int code_bits(uint64_t z, int k) {
    const uint64_t q = z >> k;
    return q < uint64_t(kEscape) ? int(q) + 1 + k : kEscape + kWide;
}

class BitWriter {
  public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void put(uint64_t v, int bits) {  // bits <= 48
        if (bits == 0) return;
        acc_ |= (v & ((uint64_t(1) << bits) - 1)) << n_;
        n_ += bits;
        while (n_ >= 8) {
            out_.push_back(uint8_t(acc_));
            acc_ >>= 8;
            n_ -= 8;
        }
    }
    void code(uint64_t z, int k) {
        const uint64_t q = z >> k;
        if (q < uint64_t(kEscape)) {
            put((uint64_t(1) << q) - 1, int(q) + 1);  // q ones, then the zero
            put(z, k);
        } else {
            put((uint64_t(1) << kEscape) - 1, kEscape);
            put(z, kWide);
        }
    }
    void end() {
        if (n_ > 0) out_.push_back(uint8_t(acc_));
        acc_ = 0;
        n_ = 0;
    }

  private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int n_ = 0;
};

class BitReader {
  public:
    BitReader(const uint8_t* p, const uint8_t* end) : p_(p), end_(end) {}
    uint64_t get(int bits) {
        if (bits == 0) return 0;
        fill();
        const uint64_t v = acc_ & ((uint64_t(1) << bits) - 1);
        acc_ >>= bits;
        n_ -= bits;
        return v;
    }
    uint64_t code(int k) {
        fill();
        const int q = std::min(std::countr_one(acc_), kEscape);
        if (q >= kEscape) {
            get(kEscape);
            return get(kWide);
        }
        get(q + 1);
        return (uint64_t(q) << k) | get(k);
    }

  private:
    void fill() {
        while (n_ <= 56) {
            const uint64_t b = p_ < end_ ? *p_++ : 0;
            acc_ |= b << n_;
            n_ += 8;
        }
    }
    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t acc_ = 0;
    int n_ = 0;
};

int64_t as_integer(const Layout& l, int s, uint32_t v) {
    return s < l.floats ? ordered(v) : int64_t(v);
}
uint32_t from_integer(const Layout& l, int s, int64_t v) {
    return s < l.floats ? bits_of_ordered(v) : uint32_t(v);
}

}  // namespace

void encode_block(const Layout& l, const uint32_t* const* values, std::vector<uint8_t>& bytes,
                  std::vector<uint32_t>& starts) {
    const uint32_t* time = values[l.time];
    int64_t u[kBlock];
    uint64_t z[kPredictors][kBlock];
    for (int s = 0; s < l.streams(); ++s) {
        const uint32_t* raw = values[s];
        for (int k = 0; k < kBlock; ++k) u[k] = as_integer(l, s, raw[k]);
        // The predictor and Rice parameter that code this block shortest.
        int best_p = previous, best_k = 0;
        long best_bits = std::numeric_limits<long>::max();
        for (int p = 0; p < kPredictors; ++p) {
            if (!applies(l, s, p)) continue;
            uint64_t sum = 0;
            for (int k = 1; k < kBlock; ++k) {
                z[p][k] = zigzag(u[k] - predict(l, s, p, u, raw, time, k));
                sum += std::min<uint64_t>(z[p][k], uint64_t(1) << 40);
            }
            const uint64_t mean = sum / (kBlock - 1);
            const int k0 = mean > 0 ? std::bit_width(mean) - 1 : 0;
            for (int rk = std::max(0, k0 - 1); rk <= std::min(31, k0 + 1); ++rk) {
                long bits = 0;
                for (int k = 1; k < kBlock; ++k) bits += code_bits(z[p][k], rk);
                if (bits < best_bits) best_bits = bits, best_p = p, best_k = rk;
            }
        }
        starts.push_back(uint32_t(bytes.size()));
        BitWriter w(bytes);
        w.put(uint64_t(best_p) | uint64_t(best_k) << 3, 8);
        w.put(raw[0], 32);
        for (int k = 1; k < kBlock; ++k) w.code(z[best_p][k], best_k);
        w.end();
    }
}

void decode_stream(const Layout& l, int s, const uint8_t* begin, const uint8_t* end,
                   const uint32_t* time, uint32_t* out) {
    BitReader r(begin, end);
    const uint64_t head = r.get(8);
    const int p = int(head & 7), rk = int(head >> 3);
    int64_t u[kBlock];
    out[0] = uint32_t(r.get(32));
    u[0] = as_integer(l, s, out[0]);
    // The flight time's own stream is its own time.
    if (s == l.time) time = out;
    for (int k = 1; k < kBlock; ++k) {
        u[k] = predict(l, s, p, u, out, time, k) + unzigzag(r.code(rk));
        out[k] = from_integer(l, s, u[k]);
    }
}

}  // namespace soar::history_codec
