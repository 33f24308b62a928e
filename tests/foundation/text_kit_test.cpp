// Byte-exact cases for the text operations of TextKit, and a comparison of the fast
// search, replacement and split against a plain character-by-character scan.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "foundation/text_kit.h"

namespace qm {
namespace {

// 中 D6 D0, 文 CE C4; 丂 81 40 (trail byte "@"); 乗 81 5C (trail byte "\");
// 亅 81 7C (trail "|"); 侫 82 41 and 俛 82 61 (trail bytes "A" and "a").
const Text kZhong = "\xD6\xD0";
const Text kWen = "\xCE\xC4";
const Text kTrailAt = "\x81\x40";
const Text kTrailBackslash = "\x81\x5C";
const Text kTrailBar = "\x81\x7C";
const Text kTrailUpperA = "\x82\x41";
const Text kTrailLowerA = "\x82\x61";
const Text kFullSpace = "\xA1\xA1";

// ---- a plain implementation of the scanning rules, to compare against ----

bool lead(const Text& t, std::size_t p) {
    return static_cast<unsigned char>(t[p]) >= 0x80;
}

unsigned char folded(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}

bool match_at(const Text& t, std::size_t p, const Text& sub, bool fold) {
    for (std::size_t i = 0; i < sub.size(); ++i) {
        if (fold ? folded(t[p + i]) != folded(sub[i]) : t[p + i] != sub[i]) return false;
    }
    return true;
}

int plain_find(const Text& t, const Text& sub, int start, bool fold) {
    const long long s0 = static_cast<long long>(start) - 1;
    const std::size_t s = s0 < 0 ? 0 : static_cast<std::size_t>(s0);
    if (s >= t.size()) return -1;
    if (sub.empty()) return 1;
    for (std::size_t p = s; t.size() - p >= sub.size();) {
        if (match_at(t, p, sub, fold)) return static_cast<int>(p + 1);
        if (lead(t, p)) {
            if (p + 1 >= t.size()) break;
            p += 2;
        } else {
            p += 1;
        }
        if (p >= t.size()) break;
    }
    return -1;
}

Text plain_replace(const Text& t, const Text& find, const Text& rep, int start, int count,
                   bool case_sensitive) {
    const long long s0 = static_cast<long long>(start) - 1;
    const std::size_t s = s0 < 0 ? 0 : static_cast<std::size_t>(s0);
    if (t.empty() || find.empty() || s >= t.size() || count == 0) return t;
    Text out = t.substr(0, s);
    std::size_t p = s;
    int left = count;
    while (p < t.size() && t.size() - p >= find.size()) {
        if (match_at(t, p, find, !case_sensitive)) {
            out += rep;
            p += find.size();
            if (left > 0 && --left == 0) break;
        } else if (lead(t, p)) {
            if (p + 1 >= t.size()) return out;  // a lone last lead byte is dropped
            out += t.substr(p, 2);
            p += 2;
        } else {
            out += t[p];
            p += 1;
        }
    }
    if (p < t.size()) out += t.substr(p);
    return out;
}

TextList plain_split(const Text& t, const Text& delim) {
    if (t.empty()) return {};
    if (delim.empty()) return {t};
    TextList parts;
    std::size_t seg = 0;
    std::size_t p = 0;
    while (p < t.size() && t.size() - p >= delim.size()) {
        if (match_at(t, p, delim, false)) {
            parts.push_back(t.substr(seg, p - seg));
            p += delim.size();
            seg = p;
        } else {
            p += lead(t, p) ? 2 : 1;
        }
    }
    if (seg < t.size()) parts.push_back(t.substr(seg));
    return parts;
}

// Texts drawn from bytes that collide often: letters of both cases, ASCII bytes that
// are also trail bytes, lead bytes, the full-width space.
Text random_text(std::mt19937& rng, std::size_t max_len) {
    static const unsigned char alphabet[] = {'a', 'A',  'b',  '@',  '|',  '\\',
                                             ' ', 0x81, 0xB0, 0xA1, 0x40, 0xD6};
    std::uniform_int_distribution<std::size_t> len(0, max_len);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    Text t;
    const std::size_t n = len(rng);
    for (std::size_t i = 0; i < n; ++i) t += static_cast<char>(alphabet[pick(rng)]);
    return t;
}

TEST(TextKitScanTest, FastSearchReplaceSplitAgreeWithPlainScan) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> start(-2, 12);
    std::uniform_int_distribution<int> count(-1, 3);
    for (int i = 0; i < 30000; ++i) {
        // Long texts sometimes, so the eight-byte ASCII skipping takes part.
        const Text text = random_text(rng, i % 10 == 0 ? 80 : 12);
        const Text sub = random_text(rng, 3);
        const int s = start(rng);
        const bool fold = (i & 1) != 0;
        ASSERT_EQ(find_text(text, sub, s, fold), plain_find(text, sub, s, fold))
            << "find " << testing::PrintToString(text) << " " << testing::PrintToString(sub);
        const int c = count(rng);
        ASSERT_EQ(replace_text(text, sub, "#", s, c, fold),
                  plain_replace(text, sub, "#", s, c, fold))
            << "replace " << testing::PrintToString(text) << " " << testing::PrintToString(sub);
        ASSERT_EQ(split_text(text, sub), plain_split(text, sub))
            << "split " << testing::PrintToString(text) << " " << testing::PrintToString(sub);
    }
}

TEST(TextKitScanTest, LongAsciiRunsBeforeChineseKeepBoundaries) {
    // 37 ASCII bytes, then characters whose trail byte equals the needle's byte.
    const Text prefix(37, 'x');
    const Text text = prefix + kTrailAt + kTrailAt + "@" + kTrailUpperA + "a";
    EXPECT_EQ(find_text(text, "@"), 42);
    EXPECT_EQ(find_text(text, "a", 1, true), 45);
    EXPECT_EQ(find_text(text, "A", 1, false), -1);
    EXPECT_EQ(find_text(text, kTrailUpperA), 43);
}

// ---- byte-position operations ----

TEST(TextKitTest, BytePositionsCutAnywhere) {
    const Text t = kZhong + "ab";
    EXPECT_EQ(byte_length(t), 4);
    EXPECT_EQ(byte_length(""), 0);
    EXPECT_EQ(left_text(t, 1), "\xD6");
    EXPECT_EQ(left_text(t, 9), t);
    EXPECT_EQ(left_text(t, 0), "");
    EXPECT_EQ(left_text(t, INT_MIN), "");
    EXPECT_EQ(right_text(t, 3),
              "\xD0"
              "ab");
    EXPECT_EQ(right_text(t, INT_MAX), t);
    EXPECT_EQ(right_text(t, -1), "");
    EXPECT_EQ(mid_text(t, 2, 2),
              "\xD0"
              "a");
    EXPECT_EQ(mid_text(t, 3, INT_MAX), "ab");
    EXPECT_EQ(mid_text(t, 4, 1), "b");
    EXPECT_EQ(mid_text(t, 5, 1), "");
    EXPECT_EQ(mid_text(t, 0, 2), "");
    EXPECT_EQ(mid_text(t, INT_MIN, INT_MAX), "");
    EXPECT_EQ(mid_text(t, INT_MAX, 1), "");
    EXPECT_EQ(mid_text(t, 1, 0), "");
}

TEST(TextKitTest, SpaceAndCharTexts) {
    EXPECT_EQ(space_text(3), "   ");
    EXPECT_EQ(space_text(0), "");
    EXPECT_EQ(space_text(INT_MIN), "");
    EXPECT_EQ(char_text(65), "A");
    EXPECT_EQ(char_text(0xD6), "\xD6");
    EXPECT_EQ(char_text(0), "");
    EXPECT_EQ(char_text(256), "");  // the low byte, which is 0
    EXPECT_EQ(char_text(-1), "\xFF");
}

// ---- find_text ----

struct FindCase {
    Text text;
    Text sub;
    int start;
    bool ignore_case;
    int expected;
};

TEST(TextKitTest, FindTextCases) {
    const FindCase cases[] = {
        {"abcabc", "c", 1, false, 3},
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "c", 7, false, -1},
        {"abcabc", "", 1, false, 1},
        {"abcabc", "", 4, false, 1},  // 1, not start
        {"abcabc", "", 7, false, -1},
        {"", "", 1, false, -1},
        {"", "a", 1, false, -1},
        {"abc", "abcd", 1, false, -1},
        {"abcabc", "c", 0, false, 3},
        {"abcabc", "c", -5, false, 3},
        {"abcabc", "c", INT_MIN, false, 3},
        {"abcabc", "c", INT_MAX, false, -1},
        {kZhong + kWen, kWen, 1, false, 3},
        {kZhong + kWen, "\xD0\xCE", 1, false, -1},  // straddles two characters
        {kTrailAt, "@", 1, false, -1},
        {kTrailAt + "@", "@", 1, false, 3},
        {kTrailBackslash + "\\", "\\", 1, false, 3},
        {kTrailBar + "|", "|", 1, false, 3},
        // Starting on a trail byte makes it the start of the scan.
        {kTrailAt, "@", 2, false, 2},
        {"AbC", "abc", 1, true, 1},
        {"AbC", "abc", 1, false, -1},
        // Folding reaches trail bytes: 82 41 and 82 61 compare equal.
        {kTrailUpperA, kTrailLowerA, 1, true, 1},
        {kTrailUpperA, kTrailLowerA, 1, false, -1},
        {kTrailUpperA + "a", "A", 1, true, 3},
        // Full-width letters are not folded (A3 C1 is Ａ, A3 E1 is ａ).
        {"\xA3\xC1", "\xA3\xE1", 1, true, -1},
        // A lead byte that is the last byte can still be the whole needle.
        {"ab\xB0", "\xB0", 1, false, 3},
        {"ab\xB0",
         "\xB0"
         "c",
         1, false, -1},
        {Text("a\0b", 3), "b", 1, false, 3},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(find_text(c.text, c.sub, c.start, c.ignore_case), c.expected)
            << testing::PrintToString(c.text) << " / " << testing::PrintToString(c.sub) << " start "
            << c.start;
    }
}

// ---- replace_text ----

struct ReplaceCase {
    Text text;
    Text find;
    Text replacement;
    int start;
    int count;
    bool case_sensitive;
    Text expected;
};

TEST(TextKitTest, ReplaceTextCases) {
    const ReplaceCase cases[] = {
        {"Title TITLE title", "title", "X", 1, -1, false, "X X X"},
        {"Title TITLE title", "title", "X", 1, -1, true, "Title TITLE X"},
        {"Title TITLE title", "title", "X", 1, 1, false, "X TITLE title"},
        {"ab ab ab", "ab", "c", 7, -1, false, "ab ab c"},
        {"ab ab ab", "ab", "c", 1, 2, false, "c c ab"},
        {"ab ab ab", "ab", "c", 1, 0, false, "ab ab ab"},
        {"ab ab ab", "ab", "c", 9, -1, false, "ab ab ab"},
        {"ab ab ab", "ab", "c", INT_MAX, -1, false, "ab ab ab"},
        {"ab ab ab", "ab", "c", INT_MIN, INT_MIN, false, "c c c"},
        {"ab", "", "c", 1, -1, false, "ab"},
        {"", "a", "c", 1, -1, false, ""},
        {"aaa", "a", "aa", 1, -1, false, "aaaaaa"},  // the replacement is not rescanned
        {"aaaa", "aa", "b", 1, -1, false, "bb"},
        {"aaa", "aa", "b", 1, -1, false, "ba"},
        {"a,b", ",", "", 1, -1, false, "ab"},  // the default replacement removes
        // Trail bytes that look like the searched ASCII byte are not touched.
        {kTrailAt + "@", "@", "#", 1, -1, false, kTrailAt + "#"},
        {kTrailBackslash + "\\", "\\", "/", 1, -1, false, kTrailBackslash + "/"},
        {kTrailUpperA + "A", "a", "x", 1, -1, false, kTrailUpperA + "x"},
        {kZhong + kWen, kWen, "w", 1, -1, false, kZhong + "w"},
        {kZhong + kWen, "\xD0\xCE", "w", 1, -1, false, kZhong + kWen},
        // A scan with a one-byte find drops a lead byte that ends the text ...
        {"ab\xB0", "a", "x", 1, -1, false, "xb"},
        {"\xB0", "a", "x", 1, -1, false, ""},
        {kZhong + "\xB0", "z", "x", 1, -1, false, kZhong},
        // ... unless it is the find itself, the count ran out, or the find is longer.
        {"ab\xB0", "\xB0", "x", 1, -1, false, "abx"},
        {"ab\xB0", "a", "x", 1, 1, false, "xb\xB0"},
        {"ab\xB0", "ab", "x", 1, -1, false, "x\xB0"},
        // After a match the scan goes on from the next byte as a fresh boundary:
        // D6 matched, then D0 CE is taken as one character and C4 is a lone lead byte.
        {kZhong + kWen, "\xD6", "", 1, -1, true, "\xD0\xCE"},
    };
    for (const ReplaceCase& c : cases) {
        EXPECT_EQ(replace_text(c.text, c.find, c.replacement, c.start, c.count, c.case_sensitive),
                  c.expected)
            << testing::PrintToString(c.text) << " / " << testing::PrintToString(c.find);
    }
}

TEST(TextKitTest, ReplaceTextDefaultsIgnoreCase) {
    EXPECT_EQ(replace_text("Aa", "a"), "");
    EXPECT_EQ(replace_text("Aa", "a", "b"), "bb");
}

// ---- split_text ----

TEST(TextKitTest, SplitTextCases) {
    const struct {
        Text text;
        Text delimiter;
        TextList expected;
    } cases[] = {
        {"a||b||", "||", {"a", "b"}},
        {"a,,b", ",", {"a", "", "b"}},
        {",a", ",", {"", "a"}},
        {"a,b,", ",", {"a", "b"}},
        {",", ",", {""}},
        {",,", ",", {"", ""}},
        {"", ",", {}},
        {"abc", "", {"abc"}},
        {"abc", "x", {"abc"}},
        {"a\r\nb\r\n\r\nc\r\n", "\r\n", {"a", "b", "", "c"}},
        {"aXbxc", "x", {"aXb", "c"}},  // case matters
        // The delimiter "|" does not split at the trail byte of 81 7C.
        {kTrailBar + "|" + kZhong, "|", {kTrailBar, kZhong}},
        {kTrailAt + "@" + kTrailAt, "@", {kTrailAt, kTrailAt}},
        {"\xB0", "|", {"\xB0"}},
        {"a|\xB0", "|", {"a", "\xB0"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(split_text(c.text, c.delimiter), c.expected)
            << testing::PrintToString(c.text) << " / " << testing::PrintToString(c.delimiter);
    }
}

// ---- trim_text and remove_spaces ----

TEST(TextKitTest, TrimRemovesOnlyAsciiAndFullWidthSpaces) {
    EXPECT_EQ(trim_text(" " + kFullSpace + "  a b " + kFullSpace + " " + kFullSpace), "a b");
    EXPECT_EQ(trim_text("\ta b\t"), "\ta b\t");
    EXPECT_EQ(trim_text("\r\nab\r\n"), "\r\nab\r\n");
    EXPECT_EQ(trim_text("   "), "");
    EXPECT_EQ(trim_text(kFullSpace + kFullSpace), "");
    EXPECT_EQ(trim_text(""), "");
    EXPECT_EQ(trim_text(" " + kZhong + " "), kZhong);
    // B0 A1 is one character, so the A1 after it starts A1 20, not a full-width space.
    EXPECT_EQ(trim_text("\xB0\xA1\xA1 "), "\xB0\xA1\xA1 ");
    EXPECT_EQ(trim_text("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
    // A lone lead byte at the end is kept; a lone A1 is not a space.
    EXPECT_EQ(trim_text(" a\xB0"), "a\xB0");
    EXPECT_EQ(trim_text("\xA1"), "\xA1");
}

TEST(TextKitTest, RemoveSpacesKeepsCharactersWhole) {
    EXPECT_EQ(remove_spaces(" a " + kFullSpace + "b\t" + kZhong + " "), "ab\t" + kZhong);
    EXPECT_EQ(remove_spaces("\xB0\xA1\xA1\xA1 "), "\xB0\xA1");
    EXPECT_EQ(remove_spaces("\xB0\xA1\xA1 x"), "\xB0\xA1\xA1 x");
    EXPECT_EQ(remove_spaces(""), "");
    EXPECT_EQ(remove_spaces("a\xA1"), "a\xA1");
}

// ---- text_between ----

TEST(TextKitTest, TextBetweenReadsProfileFields) {
    const Text domain = "\xD3\xF2\xC3\xFB";  // 域名
    const Text title = "\xB1\xEA\xCC\xE2";   // 标题
    const Text profile = domain + "=a.com||" + title + "=T||";
    EXPECT_EQ(text_between(profile, title + "=", "||"), "T");
    EXPECT_EQ(text_between(profile, domain + "=", "||"), "a.com");
    EXPECT_EQ(text_between(profile, "x=", "||"), "");
    EXPECT_EQ(text_between("T||" + title + "=", title + "=", "||"), "");
    EXPECT_EQ(text_between(profile, title + "=", "||", 12), "T");
    EXPECT_EQ(text_between(profile, title + "=", "||", INT_MAX), "");
    EXPECT_EQ(text_between(profile, title + "=", "||", INT_MIN), "T");
    EXPECT_EQ(text_between("a=1;b=2;", "B=", ";", 1, true), "2");
    EXPECT_EQ(text_between("a=1;b=2;", "B=", ";", 1, false), "");
    EXPECT_EQ(text_between("k=v", "k=", "||"), "");
    EXPECT_EQ(text_between("k=", "k=", ""), "");
    EXPECT_EQ(text_between("", "", ""), "");
}

TEST(TextKitTest, TextBetweenQuoteMarker) {
    const Text quote = "#\xD2\xFD\xBA\xC5";  // #引号
    EXPECT_EQ(text_between("<a href=\"x.html\">", "href=" + quote, quote), "x.html");
    EXPECT_EQ(text_between("<a href=\"x.html\">", "href=\"", quote + ">"), "x.html");
    EXPECT_EQ(text_between("a" + quote + "b" + quote, "a" + quote, quote), "");
}

// ---- line_count ----

TEST(TextKitTest, LineCountCountsLineFeeds) {
    EXPECT_EQ(line_count("a\nb"), 2);
    EXPECT_EQ(line_count("a\n"), 1);
    EXPECT_EQ(line_count(""), 0);
    EXPECT_EQ(line_count("a\r\nb"), 2);
    EXPECT_EQ(line_count("a\r\n"), 1);
    EXPECT_EQ(line_count("\n"), 1);
    EXPECT_EQ(line_count("\n\n"), 2);
    EXPECT_EQ(line_count("a\rb"), 1);
    EXPECT_EQ(line_count(kTrailAt), 1);
}

// ---- truncated double-byte characters ----

TEST(TextKitTest, EveryTruncationOfADoubleByteTextIsSafe) {
    const Text full = "a" + kZhong + kTrailAt + "|" + kTrailBar + kFullSpace + "b";
    for (std::size_t n = 0; n <= full.size(); ++n) {
        const Text t = full.substr(0, n);
        EXPECT_EQ(find_text(t, "|"), plain_find(t, "|", 1, false)) << n;
        EXPECT_EQ(find_text(t, "@"), plain_find(t, "@", 1, false)) << n;
        EXPECT_EQ(replace_text(t, "|", "/"), plain_replace(t, "|", "/", 1, -1, false)) << n;
        EXPECT_EQ(split_text(t, "|"), plain_split(t, "|")) << n;
        const Text trimmed = trim_text(t);
        EXPECT_LE(trimmed.size(), t.size());
        EXPECT_EQ(remove_spaces(t).find(' '), Text::npos) << n;
        EXPECT_EQ(text_between(t, "a", "b"), n == full.size() ? full.substr(1, n - 2) : "");
        EXPECT_GE(line_count(t), n == 0 ? 0 : 1);
    }
}

}  // namespace
}  // namespace qm
