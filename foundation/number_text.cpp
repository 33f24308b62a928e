// TextKit: numbers to text and back, byte arrays, rounding and arithmetic.
//
// Conversions are locale-independent (std::to_chars, strtod_l in "C"), so a window
// toolkit that sets LC_NUMERIC cannot change how numbers are written into pages.
#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "foundation/text_kit.h"
#include "foundation/text_kit_scan.h"

namespace qm {
namespace {

using text_scan::byte_at;

// Replaces the full-width forms of ASCII characters and a few look-alikes by their
// ASCII bytes, stepping over GBK characters as units; everything else stays.
Text normalise_digits(const Text& text) {
    Text out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t p = 0; p < n;) {
        const unsigned char b = byte_at(text, p);
        if (b < 0x80 || p + 1 >= n) {
            out += static_cast<char>(b);
            ++p;
            continue;
        }
        const unsigned char t = byte_at(text, p + 1);
        if (b == 0xA3 && t >= 0xA1 && t <= 0xFE) {
            out += static_cast<char>(t - 0x80);
        } else if (b == 0xA1 && t == 0xA1) {
            out += ' ';
        } else if (b == 0xA1 && t == 0xAB) {
            out += '~';
        } else if (b == 0xA1 && (t == 0xEE || t == 0xEF)) {
            out += '*';
        } else {
            out += static_cast<char>(b);
            out += static_cast<char>(t);
        }
        p += 2;
    }
    return out;
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skip_spaces(const Text& s, std::size_t p) {
    while (p < s.size() && is_space(s[p])) ++p;
    return p;
}

// Skips the leading white space and an optional sign at p, leaving p on the first
// digit (or whatever follows); true for a minus sign.
bool read_sign(const Text& s, std::size_t& p) {
    p = skip_spaces(s, p);
    if (p >= s.size() || (s[p] != '+' && s[p] != '-')) return false;
    return s[p++] == '-';
}

// "%.13g" writes the exponent with at least two digits; the stored format has three.
Text widen_exponent(Text s) {
    const std::size_t e = s.find('e');
    if (e == Text::npos || e + 1 >= s.size()) return s;
    const std::size_t digits = e + 2;  // after the sign
    const std::size_t count = s.size() - digits;
    if (count < 3) s.insert(digits, 3 - count, '0');
    return s;
}

}  // namespace

Text to_text(int value) {
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return Text(buf, res.ptr);
}

Text to_text(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    if (value == 0) return "0";  // also for -0.0, which would print as "-0"
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 13);
    return widen_exponent(Text(buf, res.ptr));
}

Text to_text(bool value) {
    return value ? "\xD5\xE6" : "\xBC\xD9";
}  // 真 / 假

Text to_text(const ByteArray& bytes) {
    const std::size_t nul = bytes.bytes.find('\0');
    return nul == std::string::npos ? bytes.bytes : bytes.bytes.substr(0, nul);
}

int to_int(const Text& text) {
    const Text s = normalise_digits(text);
    std::size_t p = 0;
    const bool negative = read_sign(s, p);
    // Accumulate as a negative number so INT_MIN fits; saturate beyond the int range.
    std::int64_t value = 0;
    for (; p < s.size() && is_digit(s[p]); ++p) {
        value = value * 10 - (s[p] - '0');
        if (value < -static_cast<std::int64_t>(INT_MAX) - 1) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) return static_cast<int>(value);
    return value < -static_cast<std::int64_t>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

int to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT_MAX;
    if (value <= -2147483648.0) return INT_MIN;
    return static_cast<int>(value);
}

double to_number(const Text& text) {
    const Text s = normalise_digits(text);
    std::size_t p = 0;
    const bool negative = read_sign(s, p);
    const std::size_t begin = p;
    std::size_t digits = 0;
    for (; p < s.size() && is_digit(s[p]); ++p) ++digits;
    if (p < s.size() && s[p] == '.') {
        ++p;
        for (; p < s.size() && is_digit(s[p]); ++p) ++digits;
    }
    if (digits == 0) return 0;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
        if (q < s.size() && is_digit(s[q])) {
            while (q < s.size() && is_digit(s[q])) ++q;
            p = q;
        }
    }
    // The grammar is checked above; strtod_l in the "C" locale does the exact
    // conversion (infinity on overflow, 0 on underflow).
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::string digitsText = s.substr(begin, p - begin);
    const double value = cLocale ? strtod_l(digitsText.c_str(), nullptr, cLocale)
                                 : strtod(digitsText.c_str(), nullptr);
    return negative ? -value : value;
}

ByteArray to_bytes(const Text& text) {
    return ByteArray(text);
}

ByteArray zero_bytes(int n) {
    return n <= 0 ? ByteArray() : ByteArray(std::string(static_cast<std::size_t>(n), '\0'));
}

double round_number(double x, int digits) {
    if (x == 0) return 0;
    if (!std::isfinite(x)) return x;
    // Beyond 400 digits either way every double is already exact or rounds to 0.
    const int d = digits > 400 ? 400 : (digits < -400 ? -400 : digits);
    const double scale = std::pow(10.0, d < 0 ? -d : d);
    const double ax = std::fabs(x);
    double y = ax;
    if (d > 0) y = ax * scale;
    if (d < 0) y = ax / scale;
    if (!std::isfinite(y)) return x;  // more digits than a double holds
    double whole = 0;
    const double fraction = std::modf(y + 1e-12, &whole);
    const double r = fraction >= 0.5 ? whole + 1 : whole;
    if (r == 0) return 0;
    double result = r;
    if (d > 0) result = r / scale;
    if (d < 0) result = r * scale;
    return std::copysign(result, x);
}

double int_divide(double a, double b) {
    if (b == 0) return 0;  // no quotient exists; callers never divide by zero
    return std::trunc(a / b);
}

double modulo(double a, double b) {
    if (b == 0) return 0;
    return std::fmod(a, b);  // exact a - b * trunc(a / b), sign of a
}

double abs_number(double x) {
    return std::fabs(x);
}

}  // namespace qm
