// Number formatting and parsing, byte arrays, rounding and arithmetic of TextKit.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "foundation/text_kit.h"

namespace qm {
namespace {

TEST(TextKitNumberTest, IntToText) {
    EXPECT_EQ(to_text(0), "0");
    EXPECT_EQ(to_text(-42), "-42");
    EXPECT_EQ(to_text(INT_MAX), "2147483647");
    EXPECT_EQ(to_text(INT_MIN), "-2147483648");
}

TEST(TextKitNumberTest, DoubleToTextUsesThirteenDigitsAndThreeExponentDigits) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {3.0, "3"},
        {0.1, "0.1"},
        {0.5, "0.5"},
        {2.25, "2.25"},
        {-2.25, "-2.25"},
        {1e15, "1e+015"},
        {1e-5, "1e-005"},
        {1.5e-7, "1.5e-007"},
        {1e100, "1e+100"},
        {1e-300, "1e-300"},
        {1e12, "1000000000000"},
        {1e13, "1e+013"},
        {0.0001, "0.0001"},
        {1.0 / 3.0, "0.3333333333333"},
        {2.0 / 3.0, "0.6666666666667"},
        {123456789.125, "123456789.125"},
        {1234567890123.4, "1234567890123"},
        {0.0, "0"},
        {-0.0, "0"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {std::numeric_limits<double>::max(), "1.797693134862e+308"},
        {std::numeric_limits<double>::denorm_min(), "4.940656458412e-324"},
    };
    for (const auto& c : cases) EXPECT_EQ(to_text(c.value), c.expected) << c.expected;
}

// Sets LC_NUMERIC to a locale whose decimal separator is ",", compiling it into a
// temporary folder with localedef when the system has none installed.
class CommaLocale {
  public:
    CommaLocale() {
        const char* old = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = old ? old : "C";
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
            active_ = true;
            return;
        }
        std::string dir = (std::filesystem::temp_directory_path() / "qm-locale-XXXXXX").string();
        if (mkdtemp(dir.data()) == nullptr) return;
        folder_ = dir;
        if (!launch_program({"localedef", "-i", "de_DE", "-f", "UTF-8", dir + "/de_DE.UTF-8"},
                            true)) {
            return;
        }
        setenv("LOCPATH", dir.c_str(), 1);
        active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, saved_.c_str());
        if (!folder_.empty()) {
            unsetenv("LOCPATH");
            std::error_code ec;
            std::filesystem::remove_all(folder_, ec);
        }
    }
    bool active() const { return active_; }

  private:
    std::string saved_;
    std::string folder_;
    bool active_ = false;
};

TEST(TextKitNumberTest, NumbersIgnoreTheLocale) {
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma available";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.2f", 2.25);
    ASSERT_STREQ(printed, "2,25");  // the locale is in effect for printf
    EXPECT_EQ(to_text(2.25), "2.25");
    EXPECT_EQ(to_text(1e-5), "1e-005");
    EXPECT_DOUBLE_EQ(to_number("2.25"), 2.25);
    EXPECT_DOUBLE_EQ(to_number("2,25"), 2);
}

TEST(TextKitNumberTest, BoolAndByteArraysToText) {
    EXPECT_EQ(to_text(true), "\xD5\xE6");   // 真
    EXPECT_EQ(to_text(false), "\xBC\xD9");  // 假
    EXPECT_EQ(to_text(ByteArray(std::string("ab\0cd", 5))), "ab");
    EXPECT_EQ(to_text(ByteArray(std::string("\0", 1))), "");
    EXPECT_EQ(to_text(ByteArray("abc")), "abc");
    EXPECT_EQ(to_text(ByteArray()), "");
    EXPECT_EQ(to_bytes("a\xD6\xD0").bytes, "a\xD6\xD0");
    EXPECT_EQ(to_bytes("").size(), 0u);
    EXPECT_EQ(zero_bytes(3).bytes, std::string(3, '\0'));
    EXPECT_TRUE(zero_bytes(0).empty());
    EXPECT_TRUE(zero_bytes(INT_MIN).empty());
}

TEST(TextKitNumberTest, ToIntNormalisesFullWidthForms) {
    const struct {
        Text text;
        int expected;
    } cases[] = {
        {" 42abc", 42},
        {"\xA3\xB1\xA3\xB2\xA3\xB3", 123},  // １２３
        {"\xA3\xAD\xA3\xB5", -5},           // －５
        {"\xA3\xAB"
         "7",
         7},  // ＋7
        {"\xA1\xA1"
         "8",
         8},  // full-width space, then 8
        {"3.9", 3},
        {"-3.9", -3},
        {"abc", 0},
        {"", 0},
        {"+", 0},
        {"-", 0},
        {"\t\r\n\v\f 12", 12},
        {"- 1", 0},
        {"007", 7},
        {"12 34", 12},
        {"\xA3\xB1"
         "2\xA3\xB3",
         123},
        {"\xD6\xD0"
         "1",
         0},          // a Chinese character first: nothing readable
        {"\xA3", 0},  // a lone lead byte
        {"1\xA3", 1},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},  // beyond the range: saturated
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_int(c.text), c.expected) << testing::PrintToString(c.text);
    }
}

TEST(TextKitNumberTest, ToIntOfDoubleTruncatesAndSaturates) {
    EXPECT_EQ(to_int(-3.9), -3);
    EXPECT_EQ(to_int(3.9), 3);
    EXPECT_EQ(to_int(-0.5), 0);
    EXPECT_EQ(to_int(2147483647.9), INT_MAX);
    EXPECT_EQ(to_int(-2147483648.9), INT_MIN);
    EXPECT_EQ(to_int(1e300), INT_MAX);
    EXPECT_EQ(to_int(-1e300), INT_MIN);
    EXPECT_EQ(to_int(std::numeric_limits<double>::infinity()), INT_MAX);
    EXPECT_EQ(to_int(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(TextKitNumberTest, ToNumberReadsSignDigitsFractionExponent) {
    const struct {
        Text text;
        double expected;
    } cases[] = {
        {"1.5", 1.5},   {" -2.5e2x", -250},
        {"+.5", 0.5},   {"5.", 5},
        {"1e", 1},      {"1e+", 1},
        {"1E-2", 0.01}, {"\xA3\xB1\xA3\xAE\xA3\xB5", 1.5},  // １．５
        {"abc", 0},     {"", 0},
        {".", 0},       {"-", 0},
        {"0x10", 0},    {"inf", 0},
        {"nan", 0},     {"1e-400", 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(to_number(c.text), c.expected) << testing::PrintToString(c.text);
    }
    EXPECT_TRUE(std::isinf(to_number("1e400")));
    EXPECT_TRUE(std::isinf(to_number("-1e400")));
    EXPECT_LT(to_number("-1e400"), 0);
    EXPECT_TRUE(std::isinf(to_number(Text(400, '9'))));
    EXPECT_DOUBLE_EQ(to_number("0." + Text(400, '0') + "1"), 0);
}

TEST(TextKitNumberTest, RoundNumberHalfAwayFromZero) {
    const struct {
        double x;
        int digits;
        double expected;
    } cases[] = {
        {2.345, 2, 2.35},   {-2.5, 0, -3},       {2.5, 0, 3},      {2.4999, 0, 2},
        {-2.345, 2, -2.35}, {1234.5, -2, 1200},  {1250, -2, 1300}, {0, 3, 0},
        {0.0004, 3, 0},     {1.005, 2, 1.01},     // 100.49999999999999 is nudged over one half
        {7, 0, 7},          {1e300, 400, 1e300},  // more digits than the value holds
        {1e300, -400, 0},   {5, INT_MAX, 5},     {5, INT_MIN, 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(round_number(c.x, c.digits), c.expected) << c.x << " " << c.digits;
    }
    EXPECT_FALSE(std::signbit(round_number(-0.4)));  // never "-0"
    EXPECT_TRUE(std::isnan(round_number(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_TRUE(std::isinf(round_number(-std::numeric_limits<double>::infinity(), 2)));
}

TEST(TextKitNumberTest, DivisionAndRemainder) {
    EXPECT_DOUBLE_EQ(int_divide(7, 2), 3);
    EXPECT_DOUBLE_EQ(int_divide(-7, 2), -3);
    EXPECT_DOUBLE_EQ(int_divide(7.9, 1), 7);
    EXPECT_DOUBLE_EQ(modulo(7, 3), 1);
    EXPECT_DOUBLE_EQ(modulo(-7, 3), -1);
    EXPECT_DOUBLE_EQ(modulo(7, -3), 1);
    EXPECT_DOUBLE_EQ(modulo(5.5, 2), 1.5);
    // No quotient exists for a zero divisor: both give 0.
    EXPECT_DOUBLE_EQ(int_divide(7, 0), 0);
    EXPECT_DOUBLE_EQ(modulo(7, 0), 0);
    EXPECT_DOUBLE_EQ(abs_number(-2.5), 2.5);
    EXPECT_DOUBLE_EQ(abs_number(2.5), 2.5);
}

}  // namespace
}  // namespace qm
