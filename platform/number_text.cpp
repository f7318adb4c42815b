#include "platform/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace soar {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<double> decimal_number(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exp_digits = 0;
        while (i < text.size() && is_digit(text[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    // from_chars takes a leading "-" but not a "+"; the form is checked above.
    const char* first = text.data() + (text[0] == '-' ? 0 : start);
    double value = 0.0;
    const auto res = std::from_chars(first, text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double text_value(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    // Collect the leading number into a plain "[-]digits[.digits][e[-]digits]" form
    // that from_chars reads independently of the locale.
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
    const auto res = std::from_chars(num.data(), num.data() + num.size(), value);
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
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    int digits = 0;
    for (const char* c = buf; c < r.ptr && *c != 'e'; ++c) digits += is_digit(*c);
    if (digits > max_digits)
        r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                          max_digits - 1);
    const std::string sci(buf, r.ptr);  // e.g. "-8.75e+01"
    const size_t e_pos = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + e_pos + 1);
    const bool negative = sci[0] == '-';
    std::string mantissa;  // significant digits only
    for (size_t k = negative ? 1 : 0; k < e_pos; ++k)
        if (is_digit(sci[k])) mantissa += sci[k];
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

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
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace soar
