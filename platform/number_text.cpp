#include "platform/number_text.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#if !defined(__EMSCRIPTEN__)
#include <locale.h>
#endif

namespace soar {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Shortest digits of a float.
//
// A float m 2^e is read back from any decimal strictly inside the half-way
// points to its neighbours (on them too when m is even: ties go to the even
// mantissa). The bounds, scaled by 4 so that they are integers (mm < mv < mp),
// are multiplied by 10^-q for the largest q that keeps about nine digits, with
// 64-bit approximations of the powers of five that are wide enough for the 24
// mantissa bits to give the exact integer parts (Ulf Adams' method). Digits are
// then dropped while the bounds still differ after dropping one more; the last
// one kept is rounded to nearest, half to even.

__extension__ typedef unsigned __int128 u128;

constexpr int kPow5InvBits = 59;  // bits kept of 2^k / 5^q
constexpr int kPow5Bits = 61;     // bits kept of 5^i

constexpr u128 pow5(int i) {
    u128 p = 1;
    for (int k = 0; k < i; ++k) p *= 5;
    return p;
}

constexpr int bit_length(u128 v) {
    int n = 0;
    for (; v != 0; v >>= 1) ++n;
    return n;
}

struct Pow5Tables {
    uint64_t inv[31];  // ceil-ish 2^(bits(5^q) - 1 + 59) / 5^q, q = 0..30
    uint64_t pos[48];  // the leading 61 bits of 5^i, i = 0..47
};

constexpr Pow5Tables make_pow5_tables() {
    Pow5Tables t{};
    for (int q = 0; q < 31; ++q) {
        const u128 d = pow5(q);
        const int shift = bit_length(d) - 1 + kPow5InvBits;  // up to 128: halve first
        const u128 half = u128(1) << (shift - 1);
        const u128 quotient = 2 * (half / d) + (2 * (half % d) >= d ? 1 : 0);
        t.inv[q] = uint64_t(quotient) + 1;
    }
    for (int i = 0; i < 48; ++i) {
        const u128 p = pow5(i);
        const int bits = bit_length(p);
        t.pos[i] = uint64_t(bits >= kPow5Bits ? p >> (bits - kPow5Bits) : p << (kPow5Bits - bits));
    }
    return t;
}

constexpr Pow5Tables kPow5 = make_pow5_tables();

// Bits of 5^e (e >= 0), floor(log10(2^e)), floor(log10(5^e)).
int pow5_bits(int e) {
    return int((uint32_t(e) * 1217359u) >> 19) + 1;
}
int log10_pow2(int e) {
    return int((uint32_t(e) * 78913u) >> 18);
}
int log10_pow5(int e) {
    return int((uint32_t(e) * 732923u) >> 20);
}

uint32_t mul_shift(uint32_t m, uint64_t factor, int shift) {
    return uint32_t((u128(m) * factor) >> shift);
}

int pow5_factor(uint32_t v) {
    int n = 0;
    for (; v % 5 == 0; v /= 5) ++n;
    return n;
}
bool multiple_of_pow5(uint32_t v, int p) {
    return pow5_factor(v) >= p;
}
bool multiple_of_pow2(uint32_t v, int p) {
    return (v & ((1u << p) - 1)) == 0;
}

// value = digits 10^exponent, digits without trailing zeros.
struct Decimal {
    uint64_t digits;
    int exponent;
};

int digit_count(uint64_t v) {
    int n = 1;
    for (uint64_t p = 10; n < 19 && v >= p; p *= 10) ++n;
    return v >= 10000000000000000000ull ? 20 : n;
}

Decimal without_trailing_zeros(Decimal d) {
    while (d.digits != 0 && d.digits % 10 == 0) d.digits /= 10, ++d.exponent;
    return d;
}

// A finite, nonzero float's magnitude, from its exponent and mantissa fields.
Decimal shortest_decimal(uint32_t exponent_bits, uint32_t mantissa_bits) {
    int e2;
    uint32_t m2;
    if (exponent_bits == 0) {
        e2 = 1 - 127 - 23 - 2;
        m2 = mantissa_bits;
    } else {
        e2 = int(exponent_bits) - 127 - 23 - 2;
        m2 = (1u << 23) | mantissa_bits;
    }
    const bool accept_bounds = (m2 & 1) == 0;
    const uint32_t mv = 4 * m2;
    const uint32_t mp = 4 * m2 + 2;
    // The gap below is half as wide at a power of two (but the smallest normal).
    const uint32_t mm_shift = (mantissa_bits != 0 || exponent_bits <= 1) ? 1 : 0;
    const uint32_t mm = 4 * m2 - 1 - mm_shift;

    uint32_t vr, vp, vm;
    int e10;
    bool vm_trailing_zeros = false, vr_trailing_zeros = false;
    uint32_t last_removed = 0;
    if (e2 >= 0) {
        const int q = log10_pow2(e2);
        e10 = q;
        const int k = kPow5InvBits + pow5_bits(q) - 1;
        const int i = -e2 + q + k;
        vr = mul_shift(mv, kPow5.inv[q], i);
        vp = mul_shift(mp, kPow5.inv[q], i);
        vm = mul_shift(mm, kPow5.inv[q], i);
        if (q != 0 && (vp - 1) / 10 <= vm / 10) {
            // The loop below may drop no digit: the digit below vr decides its rounding.
            const int l = kPow5InvBits + pow5_bits(q - 1) - 1;
            last_removed = mul_shift(mv, kPow5.inv[q - 1], -e2 + q - 1 + l) % 10;
        }
        if (q <= 9) {
            // Only one of mp, mv, mm can be a multiple of 5.
            if (mv % 5 == 0)
                vr_trailing_zeros = multiple_of_pow5(mv, q);
            else if (accept_bounds)
                vm_trailing_zeros = multiple_of_pow5(mm, q);
            else
                vp -= multiple_of_pow5(mp, q) ? 1 : 0;
        }
    } else {
        const int q = log10_pow5(-e2);
        e10 = q + e2;
        const int i = -e2 - q;
        const int k = pow5_bits(i) - kPow5Bits;
        int j = q - k;
        vr = mul_shift(mv, kPow5.pos[i], j);
        vp = mul_shift(mp, kPow5.pos[i], j);
        vm = mul_shift(mm, kPow5.pos[i], j);
        if (q != 0 && (vp - 1) / 10 <= vm / 10) {
            j = q - 1 - (pow5_bits(i + 1) - kPow5Bits);
            last_removed = mul_shift(mv, kPow5.pos[i + 1], j) % 10;
        }
        if (q <= 1) {
            // mv has at least two trailing zero bits.
            vr_trailing_zeros = true;
            if (accept_bounds)
                vm_trailing_zeros = mm_shift == 1;  // mm = mv - 1 - mm_shift, odd then
            else
                --vp;  // mp = mv + 2 has a trailing zero too
        } else if (q < 31) {
            vr_trailing_zeros = multiple_of_pow2(mv, q - 1);
        }
    }

    int removed = 0;
    uint32_t output;
    if (vm_trailing_zeros || vr_trailing_zeros) {
        while (vp / 10 > vm / 10) {
            vm_trailing_zeros &= vm % 10 == 0;
            vr_trailing_zeros &= last_removed == 0;
            last_removed = vr % 10;
            vr /= 10, vp /= 10, vm /= 10, ++removed;
        }
        if (vm_trailing_zeros) {
            while (vm % 10 == 0) {
                vr_trailing_zeros &= last_removed == 0;
                last_removed = vr % 10;
                vr /= 10, vp /= 10, vm /= 10, ++removed;
            }
        }
        // Exactly half way: to the even digit.
        if (vr_trailing_zeros && last_removed == 5 && vr % 2 == 0) last_removed = 4;
        output =
            vr +
            (((vr == vm && (!accept_bounds || !vm_trailing_zeros)) || last_removed >= 5) ? 1 : 0);
    } else {
        while (vp / 10 > vm / 10) {
            last_removed = vr % 10;
            vr /= 10, vp /= 10, vm /= 10, ++removed;
        }
        output = vr + ((vr == vm || last_removed >= 5) ? 1 : 0);
    }
    return without_trailing_zeros({output, e10 + removed});
}

// ---------------------------------------------------------------------------
// Decimal texts through the C library, in the "C" locale whatever the
// program's: the correctly rounded reading of a decimal.

#if defined(__EMSCRIPTEN__)
// The web build's C library knows the "C" locale only.
double c_strtod(const char* text) {
    return std::strtod(text, nullptr);
}
float c_strtof(const char* text) {
    return std::strtof(text, nullptr);
}
#else
locale_t c_locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
}
double c_strtod(const char* text) {
    return strtod_l(text, nullptr, c_locale());
}
float c_strtof(const char* text) {
    return strtof_l(text, nullptr, c_locale());
}
#endif

// The double correctly rounded to `precision` significant digits (1 to 17):
// printf's %e rounds the exact binary value, half to even. Only the digits and
// the exponent are taken from its text, so the locale's decimal point is of no
// concern.
Decimal rounded_decimal(double magnitude, int precision) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, magnitude);
    Decimal d{0, 0};
    const char* c = buf;
    for (; *c != 'e' && *c != 0; ++c)
        if (*c >= '0' && *c <= '9') d.digits = d.digits * 10 + uint64_t(*c - '0');
    const int exponent = *c == 'e' ? std::atoi(c + 1) : 0;
    d.exponent = exponent - (precision - 1);
    return without_trailing_zeros(d);
}

// "00" to "99": two digits per division.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the n decimal digits of v (n = digit_count(v)) at p; returns p + n.
char* put_digits(char* p, uint64_t v, int n) {
    char* c = p + n;
    while (v >= 100) {
        const uint64_t r = v % 100;
        v /= 100;
        c -= 2;
        std::memcpy(c, kDigitPairs + 2 * r, 2);
    }
    if (v >= 10)
        std::memcpy(c - 2, kDigitPairs + 2 * v, 2);
    else
        c[-1] = char('0' + v);
    return p + n;
}

char* put_digits(char* p, uint64_t v) {
    return put_digits(p, v, digit_count(v));
}

char* put_integer(char* p, u128 v) {
    char tmp[40];
    int n = 0;
    do tmp[n++] = char('0' + int(v % 10)), v /= 10;
    while (v != 0);
    while (n > 0) *p++ = tmp[--n];
    return p;
}

double decimal_value(Decimal d) {
    char text[48];
    char* p = put_digits(text, d.digits);
    *p++ = 'e';
    std::snprintf(p, 12, "%d", d.exponent);
    return c_strtod(text);
}

// The double's shortest digits: the fewest significant digits of a decimal that
// reads back as the same double, the correctly rounded one of them, or, just
// above a power of two where the gap below is half the gap above, the one above
// it when the rounded one falls into the narrow gap.
Decimal shortest_decimal(double magnitude) {
    for (int precision = 1; precision < 17; ++precision) {
        const Decimal d = rounded_decimal(magnitude, precision);
        const double back = decimal_value(d);
        if (back == magnitude) return d;
        if (back < magnitude) {
            Decimal up = d;
            const int zeros =
                digit_count(d.digits) < precision ? precision - digit_count(d.digits) : 0;
            for (int k = 0; k < zeros; ++k) up.digits *= 10, --up.exponent;
            up.digits += 1;
            if (decimal_value(up) == magnitude) return without_trailing_zeros(up);
        }
    }
    return rounded_decimal(magnitude, 17);
}

// "d.ddde+XX": at least two exponent digits. `n` digits.
char* put_scientific(char* p, Decimal d, int n) {
    // The digits one place on, the first then moved before the point.
    put_digits(p + 1, d.digits, n);
    p[0] = p[1];
    if (n > 1) {
        p[1] = '.';
        p += n + 1;
    } else {
        p += 1;
    }
    const int exponent = d.exponent + n - 1;
    *p++ = 'e';
    *p++ = exponent < 0 ? '-' : '+';
    const int a = std::abs(exponent);
    if (a >= 100) {
        *p++ = char('0' + a / 100);
        std::memcpy(p, kDigitPairs + 2 * (a % 100), 2);
    } else {
        std::memcpy(p, kDigitPairs + 2 * a, 2);
    }
    return p + 2;
}

// Fixed form: a whole number is written exactly (a float above 2^24 has more
// digits than its shortest text, "123456792"), others with their digits. Above
// 2^127 (doubles only) the shortest digits are followed by zeros.
char* put_fixed(char* p, Decimal d, int n, double magnitude) {
    if (d.exponent >= 0) {
        if (magnitude < 1.7e38) return put_integer(p, u128(magnitude));
        put_digits(p, d.digits, n);
        std::memset(p + n, '0', size_t(d.exponent));
        return p + n + d.exponent;
    }
    const int point = n + d.exponent;  // digits before the decimal point
    if (point > 0) {
        // The digits one place on, those before the point then moved back.
        put_digits(p + 1, d.digits, n);
        std::memmove(p, p + 1, size_t(point));
        p[point] = '.';
        return p + n + 1;
    }
    *p++ = '0';
    *p++ = '.';
    std::memset(p, '0', size_t(-point));
    return put_digits(p - point, d.digits, n);
}

int scientific_length(Decimal d, int n) {
    const int exponent = std::abs(d.exponent + n - 1);
    return n + (n > 1 ? 1 : 0) + 2 + (exponent >= 100 ? 3 : 2);
}

int fixed_length(Decimal d, int n) {
    if (d.exponent >= 0) return n + d.exponent;
    const int point = n + d.exponent;
    return point > 0 ? n + 1 : n + 2 - point;
}

enum class Form { shortest, fixed, general };

// Zero, infinities and NaN as std::to_chars writes them; the others by their
// shortest digits.
template <class T>
char* put_number(char* p, T value, Form form) {
    if (std::signbit(value)) *p++ = '-';
    if (std::isnan(value)) {
        std::memcpy(p, "nan", 3);
        return p + 3;
    }
    if (std::isinf(value)) {
        std::memcpy(p, "inf", 3);
        return p + 3;
    }
    const T magnitude = std::fabs(value);
    if (magnitude == T(0)) {
        *p++ = '0';
        return p;
    }
    Decimal d;
    if constexpr (sizeof(T) == 4) {
        const uint32_t bits = float_bits(magnitude);
        d = shortest_decimal(bits >> 23, bits & ((1u << 23) - 1));
    } else {
        d = shortest_decimal(double(magnitude));
    }
    const int n = digit_count(d.digits);
    bool fixed = false;
    switch (form) {
        case Form::shortest:
            fixed = fixed_length(d, n) <= scientific_length(d, n);
            break;
        case Form::fixed:
            fixed = true;
            break;
        case Form::general: {
            // As printf's %g with its six digits decides: fixed for exponents -4 to 5.
            const int exponent = d.exponent + n - 1;
            fixed = exponent >= -4 && exponent < 6;
            break;
        }
    }
    return fixed ? put_fixed(p, d, n, double(magnitude)) : put_scientific(p, d, n);
}

bool same_letters(const char* first, const char* last, const char* word) {
    for (; *word != 0; ++first, ++word)
        if (first == last || (*first | 0x20) != *word) return false;
    return true;
}

template <class T>
std::from_chars_result read_number_as(const char* first, const char* last, T& value) {
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    if (same_letters(p, last, "inf")) {
        p += same_letters(p, last, "infinity") ? 8 : 3;
        value = negative ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::infinity();
        return {p, std::errc()};
    }
    if (same_letters(p, last, "nan")) {
        p += 3;
        if (p != last && *p == '(') {
            const char* q = p + 1;
            while (q != last &&
                   (is_digit(*q) || ((*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') || *q == '_'))
                ++q;
            if (q != last && *q == ')') p = q + 1;
        }
        value =
            negative ? -std::numeric_limits<T>::quiet_NaN() : std::numeric_limits<T>::quiet_NaN();
        return {p, std::errc()};
    }
    // The decimal in the C library's own form, so that it reads exactly this.
    std::string text;
    size_t digits = 0;
    bool nonzero = false;
    for (; p != last && is_digit(*p); ++p) text += *p, ++digits, nonzero |= *p != '0';
    if (p != last && *p == '.') {
        text += '.';
        for (++p; p != last && is_digit(*p); ++p) text += *p, ++digits, nonzero |= *p != '0';
    }
    if (digits == 0) return {first, std::errc::invalid_argument};
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        std::string exponent = "e";
        if (q != last && (*q == '+' || *q == '-')) exponent += *q++;
        const char* exponent_digits = q;
        while (q != last && is_digit(*q)) exponent += *q++;
        if (q != exponent_digits) {
            text += exponent;
            p = q;
        }
    }
    T v;
    if constexpr (sizeof(T) == 4)
        v = c_strtof(text.c_str());
    else
        v = c_strtod(text.c_str());
    if (std::isinf(v) || (v == T(0) && nonzero)) return {p, std::errc::result_out_of_range};
    value = negative ? -v : v;
    return {p, std::errc()};
}

}  // namespace

std::from_chars_result read_number(const char* first, const char* last, double& value) {
    return read_number_as(first, last, value);
}

std::from_chars_result read_number(const char* first, const char* last, float& value) {
    return read_number_as(first, last, value);
}

char* put_shortest(char* first, float value) {
    return put_number(first, value, Form::shortest);
}

char* put_shortest(char* first, double value) {
    return put_number(first, value, Form::shortest);
}

char* put_shortest_fixed(char* first, double value) {
    return put_number(first, value, Form::fixed);
}

char* put_shortest_general(char* first, double value) {
    return put_number(first, value, Form::general);
}

namespace {

// The first character of text's number for read_number (which takes a leading
// "-" but not a "+"), or null when the whole text is not a decimal number.
const char* decimal_start(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return nullptr;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exp_digits = 0;
        while (i < text.size() && is_digit(text[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return nullptr;
    }
    if (i != text.size()) return nullptr;
    return text.data() + (text[0] == '-' ? 0 : start);
}

}  // namespace

std::optional<double> decimal_number(std::string_view text) {
    const char* first = decimal_start(text);
    if (first == nullptr) return std::nullopt;
    double value = 0.0;
    const auto res = read_number(first, text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double text_value(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    // Collect the leading number into a plain "[-]digits[.digits][e[-]digits]" form
    // that read_number reads independently of the locale.
    std::string num;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') num += '-';
        ++i;
    }
    size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) num += text[i++], ++digits;
    if (i < text.size() && text[i] == '.') {
        num += '.';
        ++i;
        while (i < text.size() && is_digit(text[i])) num += text[i++], ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exp += text[j++];
        size_t exp_digits = 0;
        while (j < text.size() && is_digit(text[j])) exp += text[j++], ++exp_digits;
        if (exp_digits > 0) num += exp;
    }
    double value = 0.0;
    const auto res = read_number(num.data(), num.data() + num.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large: infinite with the number's sign; too small: zero.
        const bool negative = num[0] == '-';
        const bool tiny = num.find("e-") != std::string::npos;
        if (tiny) return negative ? -0.0 : 0.0;
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    return value;
}

namespace {

// exponent_form: "1.5E+02" where the general form is "150".
std::string general_text(float value, int max_digits, bool exponent_form) {
    max_digits = std::clamp(max_digits, 1, 7);
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0.0f) return "0";
    // The shortest decimal that reads back as the same float is also the shortest
    // correctly rounded one; a float that needs more digits than allowed is rounded.
    const bool negative = std::signbit(value);
    const float magnitude = std::fabs(value);
    const uint32_t bits = float_bits(magnitude);
    Decimal d = shortest_decimal(bits >> 23, bits & ((1u << 23) - 1));
    if (digit_count(d.digits) > max_digits) d = rounded_decimal(double(magnitude), max_digits);
    char digits[24];
    const std::string mantissa(digits, put_digits(digits, d.digits));  // significant digits only
    const int exponent = d.exponent + int(mantissa.size()) - 1;

    std::string out = negative ? "-" : "";
    if (!exponent_form && exponent >= -4 && exponent <= 6) {
        const int n = static_cast<int>(mantissa.size());
        if (exponent >= 0) {
            if (n <= exponent + 1) {
                out += mantissa;
                out.append(static_cast<size_t>(exponent + 1 - n), '0');
            } else {
                out.append(mantissa, 0, static_cast<size_t>(exponent + 1));
                out += '.';
                out.append(mantissa, static_cast<size_t>(exponent + 1));
            }
        } else {
            out += "0.";
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += mantissa;
        }
        return out;
    }
    out += mantissa.substr(0, 1);
    if (mantissa.size() > 1) {
        out += '.';
        out.append(mantissa, 1);
    }
    char exp_buf[16];
    std::snprintf(exp_buf, sizeof exp_buf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + exp_buf;
}

}  // namespace

std::string float_text(float value) {
    return general_text(value, 7, false);
}

float shown_value(float value) {
    return float(text_value(float_text(value)));
}

std::string float_text(float value, int max_digits) {
    return general_text(value, max_digits, false);
}

std::string float_text_exponent(float value, int max_digits) {
    return general_text(value, max_digits, true);
}

int16_t to_i16(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::nearbyint(value);  // default rounding: nearest, ties to even
    if (r > 32767.0) return 32767;
    if (r < -32768.0) return -32768;
    return static_cast<int16_t>(r);
}

int32_t to_i32(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::nearbyint(value);
    if (r > 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (r < -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

std::string shortest_float(float value) {
    char buf[32];
    return std::string(buf, put_shortest(buf, value));
}

std::string shortest_double(double value) {
    char buf[40];
    return std::string(buf, put_shortest(buf, value));
}

std::optional<float> decimal_float(std::string_view text) {
    const char* first = decimal_start(text);
    if (first == nullptr) return std::nullopt;
    float value = 0.0f;
    const auto res = read_number(first, text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> whole_number(std::string_view text) {
    const size_t digits_at = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits_at || text.size() - digits_at > 19) return std::nullopt;
    long long value = 0;
    for (size_t i = digits_at; i < text.size(); ++i) {
        if (!is_digit(text[i])) return std::nullopt;
        const int d = text[i] - '0';
        // Accumulated negatively: the range's least value has no positive twin.
        if (value < (std::numeric_limits<long long>::min() + d) / 10) return std::nullopt;
        value = value * 10 - d;
    }
    if (digits_at == 0) {
        if (value == std::numeric_limits<long long>::min()) return std::nullopt;
        value = -value;
    }
    return value;
}

}  // namespace soar
