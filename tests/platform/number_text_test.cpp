#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace soar {
namespace {

TEST(TextValue, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"2", 2.0},  {"-3", -3.0},   {"2.5", 2.5},    {"  57", 57.0},  {"-90", -90.0},
        {".5", 0.5}, {"3.5 m", 3.5}, {"1e3", 1000.0}, {"1E-2x", 0.01}, {"2D2", 200.0},
        {"+4", 4.0}, {"7e", 7.0},    {"12abc", 12.0}, {"0.1", 0.1},    {"-0.75", -0.75},
    };
    for (const Case& c : cases) EXPECT_EQ(text_value(c.text), c.value) << '"' << c.text << '"';
}

TEST(TextValue, NoLeadingNumberReadsAsZero) {
    for (const char* text : {"", " ", "abc", "-", ".", "e5", "nan", "inf", "x12", "--3"})
        EXPECT_EQ(text_value(text), 0.0) << '"' << text << '"';
}

TEST(TextValue, DecimalPointIsAlwaysAPeriod) {
    EXPECT_EQ(text_value("2,5"), 2.0);
    EXPECT_EQ(text_value("1e999"), std::numeric_limits<double>::infinity());
}

TEST(FloatText, ShortestWithSevenSignificantDigitsAtMost) {
    struct Case {
        float value;
        const char* text;
    } cases[] = {
        {2.0f, "2"},
        {-87.5f, "-87.5"},
        {0.5f, "0.5"},
        {-0.0f, "0"},
        {0.0f, "0"},
        {1.02f, "1.02"},
        {-3.0f, "-3"},
        {45.0f, "45"},
        {0.1f, "0.1"},
        {1.0f / 3.0f, "0.3333333"},
        {123456.7f, "123456.7"},
        {1.5e8f, "1.5E+08"},
        {2.5e-6f, "2.5E-06"},
        {0.00012f, "0.00012"},
        {1234567.0f, "1234567"},
        {12345678.0f, "1.234568E+07"},
    };
    for (const Case& c : cases) EXPECT_EQ(float_text(c.value), c.text) << c.value;
}

TEST(FloatText, ReadsBackToTheSameFloatWhereSevenDigitsSuffice) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> mant(-1.0, 1.0);
    std::uniform_int_distribution<int> exp(-6, 9);
    for (int i = 0; i < 20000; ++i) {
        const float v = float(mant(rng) * std::pow(10.0, exp(rng)));
        const std::string text = float_text(v);
        const float back = float(text_value(text));
        // Seven significant digits always land within half a unit of the 7th digit.
        EXPECT_NEAR(back, v, std::fabs(v) * 6e-7) << text;
        EXPECT_EQ(text.find(' '), std::string::npos);
        EXPECT_EQ(text.find(','), std::string::npos);
    }
}

TEST(FloatText, FewerDigitsRoundTheFloatAndKeepTheForm) {
    // Rounding may carry into a new leading digit and across the switch to the
    // exponent form.
    EXPECT_EQ(float_text(8.323045f, 4), "8.323");
    EXPECT_EQ(float_text(-107.0234f, 5), "-107.02");
    EXPECT_EQ(float_text(9.99996f, 5), "10");
    EXPECT_EQ(float_text(999999.9f, 6), "1000000");
    EXPECT_EQ(float_text(9999999.0f, 6), "1E+07");
    EXPECT_EQ(float_text(-1.234568e-5f, 2), "-1.2E-05");
    EXPECT_EQ(float_text(0.5f, 1), "0.5");
    EXPECT_EQ(float_text(2.5f, 1), "2");  // the float 2.5 is exact: ties to even
    EXPECT_EQ(float_text(3.4e38f, 3), "3.4E+38");
    EXPECT_EQ(float_text(1.0f / 3.0f, 9), float_text(1.0f / 3.0f));  // seven at most
    EXPECT_EQ(float_text_exponent(1234567.0f, 2), "1.2E+06");
    EXPECT_EQ(float_text_exponent(-0.0001234567f, 3), "-1.23E-04");
    EXPECT_EQ(float_text_exponent(150.0f, 7), "1.5E+02");
    EXPECT_EQ(float_text_exponent(0.0f, 3), "0");
}

TEST(IntegerConversion, RoundsHalfToEven) {
    EXPECT_EQ(to_i32(2.5), 2);
    EXPECT_EQ(to_i32(3.5), 4);
    EXPECT_EQ(to_i32(-2.5), -2);
    EXPECT_EQ(to_i32(0.49999), 0);
    EXPECT_EQ(to_i16(10.5), 10);
    EXPECT_EQ(to_i16(11.5), 12);
    EXPECT_EQ(to_i16(1e9), 32767);
    EXPECT_EQ(to_i16(-1e9), -32768);
    EXPECT_EQ(to_i32(std::nan("")), 0);
}

// The program writes its numbers with its own conversion on every build; on
// this build the standard library's std::to_chars / from_chars are the
// reference, and each text must be the very bytes they write. The exhaustive
// run over all 2^32 floats is bench/number_text_exhaustive.cpp.

std::string standard_text(float v) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// Every exponent, both signs, the mantissas at the ends of each binade (the
// narrower gap below a power of two, the last mantissa before the next one) and
// a spread of others.
std::vector<uint32_t> float_classes() {
    std::vector<uint32_t> out;
    std::mt19937 rng(29);
    for (uint32_t sign = 0; sign < 2; ++sign)
        for (uint32_t exponent = 0; exponent < 256; ++exponent) {
            std::vector<uint32_t> mantissas = {0,        1,        2,        3,       5,
                                               0x400000, 0x7FFFFE, 0x7FFFFF, 0x555555};
            for (int k = 0; k < 1000; ++k) mantissas.push_back(rng() & 0x7FFFFF);
            for (uint32_t m : mantissas) out.push_back(sign << 31 | exponent << 23 | m);
        }
    // Whole numbers around 2^24 and the powers of ten, where the fixed and the
    // exponent forms meet.
    for (float v = 16777000.0f; v < 16778000.0f; v = std::nextafter(v, 1e30f))
        out.push_back(float_bits(v));
    for (float p = 1e-12f; p < 1e20f; p *= 10.0f)
        for (float v = std::nextafter(p, 0.0f), k = 0; k < 5; ++k, v = std::nextafter(v, 1e30f))
            out.push_back(float_bits(v));
    return out;
}

TEST(ShortestText, EveryClassOfFloatReadsAsTheStandardLibraryWritesIt) {
    size_t differing = 0;
    for (uint32_t b : float_classes()) {
        const float v = float_of_bits(b);
        char buf[64];
        const std::string ours(buf, put_shortest(buf, v));
        const std::string reference = standard_text(v);
        if (ours != reference && ++differing < 10)
            ADD_FAILURE() << std::hex << b << ": " << ours << " where to_chars writes "
                          << reference;
        if (std::isnan(v)) continue;
        float back = 0;
        const auto r = read_number(ours.data(), ours.data() + ours.size(), back);
        EXPECT_TRUE(r.ec == std::errc() && float_bits(back) == b) << ours;
    }
    EXPECT_EQ(differing, 0u);
}

TEST(ShortestText, DoublesInTheShortestFixedAndGeneralForms) {
    std::mt19937_64 rng(7);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.1,
                                  86400.0,
                                  1e-6,
                                  1e15,
                                  1e37,
                                  1e300,
                                  5e-324,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::infinity()};
    for (int k = 0; k < 4000; ++k) {
        uint64_t b = rng();
        if (k % 2)
            b &= 0xFFF0000000000000ull;  // powers of two: the gap below is half the gap above
        double v;
        std::memcpy(&v, &b, sizeof v);
        values.push_back(v);
    }
    for (double v : values) {
        char ours[400], ref[400];
        EXPECT_EQ(std::string(ours, put_shortest(ours, v)),
                  std::string(ref, std::to_chars(ref, ref + sizeof ref, v).ptr));
        EXPECT_EQ(
            std::string(ours, put_shortest_general(ours, v)),
            std::string(ref,
                        std::to_chars(ref, ref + sizeof ref, v, std::chars_format::general).ptr));
        if (std::fabs(v) < 1e15) {
            EXPECT_EQ(
                std::string(ours, put_shortest_fixed(ours, v)),
                std::string(ref,
                            std::to_chars(ref, ref + sizeof ref, v, std::chars_format::fixed).ptr));
        }
    }
}

template <class T>
void expect_read_as_standard(const std::string& t) {
    T ours = T(-7), reference = T(-7);
    const auto a = read_number(t.data(), t.data() + t.size(), ours);
    const auto b = std::from_chars(t.data(), t.data() + t.size(), reference);
    EXPECT_TRUE(a.ptr == b.ptr && a.ec == b.ec && std::memcmp(&ours, &reference, sizeof ours) == 0)
        << '"' << t << "\" as " << sizeof(T) * 8 << "-bit: read " << a.ptr - t.data() << " chars, "
        << ours << "; from_chars " << b.ptr - t.data() << ", " << reference;
}

TEST(ReadNumber, ReadsWhatFromCharsReadsWithTheSameRoundingAndRangeErrors) {
    std::vector<std::string> texts = {"1e-310",
                                      "1e-400",
                                      "1e400",
                                      "4.9e-324",
                                      "2e-324",
                                      "2.4703282292062328e-324",
                                      "1e-45",
                                      "7e-46",
                                      "7.1e-46",
                                      "3.4028236e38",
                                      "3.40282356e38",
                                      "3.40282357e38",
                                      "0e999999",
                                      "-0",
                                      "-",
                                      "-.",
                                      "1.e5",
                                      "1e",
                                      "1e+",
                                      "1e-5x",
                                      "+1",
                                      " 1",
                                      "0x1p3",
                                      "Inf",
                                      "-INFINITY",
                                      "infin",
                                      "nan(abc)",
                                      "nan(",
                                      "NaN(1_2)",
                                      "-nan",
                                      ".5",
                                      "00012",
                                      "1e99999999999999999999",
                                      "0.30000000000000004441",
                                      "123456789012345678901234567890"};
    // Half-way points between neighbouring floats, written long: the rounding of
    // the last place.
    std::mt19937 rng(5);
    for (int k = 0; k < 3000; ++k) {
        const float v = float_of_bits(rng() & 0x7F7FFFFF);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.25e", (double(v) + double(std::nextafter(v, 1e30f))) / 2);
        texts.push_back(buf);
    }
    const char letters[] = "0123456789.eE+-infatyINF()x_";
    for (int k = 0; k < 20000; ++k) {
        std::string t;
        for (int n = 1 + int(rng() % 9); n > 0; --n) t += letters[rng() % (sizeof letters - 1)];
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        expect_read_as_standard<double>(t);
        expect_read_as_standard<float>(t);
    }
}

TEST(ShortestFloat, RoundTripsEveryFloat) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 20000; ++i) {
        uint32_t b = bits(rng);
        float v;
        std::memcpy(&v, &b, sizeof v);
        if (!std::isfinite(v)) continue;
        const std::string text = shortest_float(v);
        float back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
    }
}

}  // namespace
}  // namespace soar
