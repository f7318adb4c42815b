#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

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
