// Numbers in text boxes, and the integer conversions of the program.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace soar {

// The value of the text's leading number: optional blanks, sign, digits with "."
// as decimal separator, optional exponent (E or D). 0 when there is none.
double text_value(std::string_view text);

// A number as the user types one for a value: on the command line, in a
// parameter file, in the Parameters dialog. The whole text is an optional sign,
// decimal digits with an optional "." and an optional exponent ("12", "-0.5",
// "3e-2", ".5"). No blank, no hexadecimal, no "inf" or "nan", nothing after the
// number, nothing beyond the range of a double: any of those is not a number.
std::optional<double> decimal_number(std::string_view text);

// General text form of a 32-bit float: the shortest decimal with at most seven
// significant digits that reads back as the same float, e.g. "2", "-87.5", "0.5",
// "1.5E+08". No leading blank; negative zero is written "0".
std::string float_text(float value);
// The number a box that shows float_text(value) holds: `value` rounded to at
// most seven significant digits (negative zero and anything that is not a
// number as the box's text reads: 0).
float shown_value(float value);
// The same form with at most `max_digits` (1 to 7) significant digits, the
// float's value rounded to nearest: float_text(8.323045f, 4) is "8.323".
std::string float_text(float value, int max_digits);
// The same number always in the exponent form: float_text_exponent(1234567, 2)
// is "1.2E+06", where float_text(1234567, 2) is "1200000".
std::string float_text_exponent(float value, int max_digits);

// Round to nearest, ties to even, into 16- and 32-bit integers. Values outside
// the range (and NaN) saturate; callers that must not saturate check first.
int16_t to_i16(double value);
int32_t to_i32(double value);

// Shortest text that reads back as the same float (for CSV output).
std::string shortest_float(float value);
// Shortest text that reads back as the same double ("0.30000000000000004",
// "1e-300"): what a file writes so that it reads back to the bit.
std::string shortest_double(double value);
// The whole text as a 32-bit float, in decimal_number's form, rounded once
// from the decimal (the float a shortest_float text was written from).
std::optional<float> decimal_float(std::string_view text);
// The whole text as a whole number: an optional "-" and decimal digits, within
// the range of a long long.
std::optional<long long> whole_number(std::string_view text);

// The shortest texts that read back as the very same number, written at
// `first` in the form of std::to_chars without a format ("0.5", "-87.5",
// "1e+10", "123456792", "nan", "-inf"); the end of the text is returned. Every
// build writes them with this module's own conversion, so a flight's numbers
// read the same whichever compiler and library built the program.
// At most 15 characters for a float, 24 for a double.
char* put_shortest(char* first, float value);
char* put_shortest(char* first, double value);
// The double's shortest digits always in the fixed form ("0.000001",
// "86400"), as std::to_chars with chars_format::fixed; for |value| < 1e15.
char* put_shortest_fixed(char* first, double value);
// The double's shortest digits in the form printf's %g chooses ("86400",
// "1e+15", "1e-06"), as std::to_chars with chars_format::general.
char* put_shortest_general(char* first, double value);

// Reads a decimal number at the start of [first, last) as std::from_chars does
// with the general format: an optional "-", digits with an optional "." and an
// optional exponent, or "inf", "infinity", "nan", "nan(...)" in any case; no
// blank, no "+", no hexadecimal. The value is the nearest double (float) to the
// decimal; `ptr` is the end of what was read. A number too large for the type,
// or so small that it would be 0, leaves `value` as it was and reports
// std::errc::result_out_of_range; no number at all, std::errc::invalid_argument.
// Independent of the C locale (a window may have set a comma).
std::from_chars_result read_number(const char* first, const char* last, double& value);
std::from_chars_result read_number(const char* first, const char* last, float& value);

// The bits of a float and the float of bits.
inline uint32_t float_bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
inline float float_of_bits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace soar
