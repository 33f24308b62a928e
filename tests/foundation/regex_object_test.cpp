#include "foundation/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

// GBK bytes used below: 中 D6 D0, 文 CE C4, full-width Ａ A3 C1 and ａ A3 E1,
// full-width space A1 A1, "#引号" 23 D2 FD BA C5.
const Text kZhong = "\xD6\xD0";
const Text kWen = "\xCE\xC4";
const Text kQuote = "#\xD2\xFD\xBA\xC5";

int countMatches(const Text& pattern, const Text& subject, bool caseSensitive = false,
                 bool multiline = true) {
    RegexObject re;
    EXPECT_TRUE(re.create(pattern, subject, caseSensitive, multiline)) << pattern;
    return re.matchCount();
}

TEST(RegexObject, BlankLinePatternJoinsLinesWithOneLineBreak) {
    RegexObject re;
    ASSERT_TRUE(re.create("\n\\s*\r", "A\r\n\r\n \t \r\nB\r\n"));
    EXPECT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.replace(""), "A\r\nB\r\n");
}

TEST(RegexObject, DotMatchesCarriageReturnButNotLineFeed) {
    EXPECT_EQ(countMatches("a.b", "a\rb"), 1);
    EXPECT_EQ(countMatches("a.b", "a\nb"), 0);

    RegexObject re;
    ASSERT_TRUE(re.create("<(.*?)>", "<one\r\ntwo> <three>"));
    ASSERT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.submatchText(1, 1), "three");
}

TEST(RegexObject, DoubleByteCharacterIsOneCharacter) {
    RegexObject re;
    ASSERT_TRUE(re.create("^(.)(.)$", kZhong + kWen));
    ASSERT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.submatchText(1, 1), kZhong);
    EXPECT_EQ(re.submatchText(1, 2), kWen);

    ASSERT_TRUE(re.create("[" + kZhong + kWen + "]+", "a" + kWen + kZhong + "b"));
    EXPECT_EQ(re.matchText(1), kWen + kZhong);
}

// Each subject holds one double-byte character whose trail byte has the value of an
// ASCII character; the pattern looks for that ASCII character and must not find it.
TEST(RegexObject, TrailBytesNeverMatchAsAscii) {
    struct Case {
        Text pattern;
        Text subject;
    };
    const std::vector<Case> cases = {
        {"@", "\x81\x40"},     {"\\\\", "\x81\x5C"}, {"\\|", "\x81\x7C"},
        {"A", "\x81\x41"},     {"a", "\x81\x41"},    {"Z", "\xB0\x5A"},
        {"[A-Z]", "\x81\x4D"}, {"\\w", "\x81\x61"},  {"m", "\x81\x6D"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(countMatches(c.pattern, c.subject), 0) << c.pattern;
        EXPECT_EQ(countMatches(c.pattern, c.subject, true), 0) << c.pattern;
    }
}

TEST(RegexObject, IgnoringCaseFoldsAsciiLettersOnly) {
    EXPECT_EQ(countMatches("title", "<TITLE>"), 1);
    EXPECT_EQ(countMatches("[a-z]+", "ABC"), 1);
    EXPECT_EQ(countMatches("title", "<TITLE>", true), 0);
    // Full-width Ａ and ａ are different characters, whatever the case option.
    EXPECT_EQ(countMatches("\xA3\xE1", "\xA3\xC1"), 0);
    EXPECT_EQ(countMatches("\xA3\xC1", "\xA3\xC1"), 1);
}

TEST(RegexObject, ClassesKnowAsciiOnly) {
    EXPECT_EQ(countMatches("\\s", " "), 1);
    EXPECT_EQ(countMatches("\\s", "\t"), 1);
    EXPECT_EQ(countMatches("\\s", "\r"), 1);
    EXPECT_EQ(countMatches("\\s", "\n"), 1);
    EXPECT_EQ(countMatches("\\s", "\v\f"), 2);
    EXPECT_EQ(countMatches("\\s", "\xA1\xA1"), 0);  // full-width space
    EXPECT_EQ(countMatches("\\d", "\xA3\xB1"), 0);  // full-width digit one
    EXPECT_EQ(countMatches("\\w", kZhong), 0);
    EXPECT_EQ(countMatches("\\u4e2d", kZhong), 1);  // ECMAScript escape for 中
    EXPECT_EQ(countMatches("\\x41", "a"), 1);
}

TEST(RegexObject, MultilineLetsAnchorsMatchAtLineFeeds) {
    EXPECT_EQ(countMatches("^b", "a\nb"), 1);
    EXPECT_EQ(countMatches("a$", "a\nb"), 1);
    EXPECT_EQ(countMatches("^b", "a\nb", false, false), 0);
    EXPECT_EQ(countMatches("a$", "a\nb", false, false), 0);
    // Without multiline "$" is the very end, as in ECMAScript.
    EXPECT_EQ(countMatches("b$", "a\nb\n", false, false), 0);
    EXPECT_EQ(countMatches("^x", "a\rx", false, true), 0);
}

TEST(RegexObject, GlobalCollectsAllMatchesOtherwiseTheFirst) {
    RegexObject re;
    ASSERT_TRUE(re.create("o", "foo boo", false, true, true));
    EXPECT_EQ(re.matchCount(), 4);
    EXPECT_EQ(re.replace("0"), "f00 b00");
    ASSERT_TRUE(re.create("o", "foo boo", false, true, false));
    EXPECT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.replace("0"), "f0o boo");
}

TEST(RegexObject, LinkPatternWithQuoteEscape) {
    const Text page =
        "<div class='scroll_news'><a href=\"http://x/1.shtml\" class='news'>" + kZhong +
        "</a></div>\r\n<div class='scroll_news'><a href=\"/2\" class='news'>T2</a></div>";
    const Text pattern = "<a href=" + kQuote + "(.*?)" + kQuote + " class='news'>(.*?)</a>";
    RegexObject re;
    ASSERT_TRUE(re.create(pattern, page, false, false, true, true));
    EXPECT_EQ(re.pattern(), "<a href=\"(.*?)\" class='news'>(.*?)</a>");
    ASSERT_EQ(re.matchCount(), 2);
    EXPECT_EQ(re.submatchCount(), 2);
    EXPECT_EQ(re.submatchText(1, 1), "http://x/1.shtml");
    EXPECT_EQ(re.submatchText(1, 2), kZhong);
    EXPECT_EQ(re.submatchText(2, 1), "/2");
    EXPECT_EQ(re.submatchText(2, 2), "T2");

    ASSERT_TRUE(re.create(pattern, page, false, false, true, false));
    EXPECT_EQ(re.matchCount(), 0);
    EXPECT_EQ(re.pattern(), pattern);
}

TEST(RegexObject, BadPatternGivesEmptyAnswers) {
    RegexObject re;
    ASSERT_TRUE(re.create("(a)", "a"));
    EXPECT_FALSE(re.create("(a", "a"));
    EXPECT_EQ(re.matchCount(), 0);
    EXPECT_EQ(re.submatchCount(), 0);
    EXPECT_EQ(re.matchText(1), "");
    EXPECT_EQ(re.submatchText(1, 1), "");
    EXPECT_EQ(re.replace("x"), "");
    EXPECT_EQ(re.pattern(), "");
    // A pattern that is not GBK (a lone lead byte) is refused rather than guessed at.
    EXPECT_FALSE(re.create("a\x81", "a"));
    // The object stays usable.
    EXPECT_TRUE(re.create("a", "a"));
    EXPECT_EQ(re.matchCount(), 1);
}

TEST(RegexObject, EmptyObjectAnswersEmpty) {
    RegexObject re;
    EXPECT_EQ(re.matchCount(), 0);
    EXPECT_EQ(re.matchText(1), "");
    EXPECT_EQ(re.submatchText(1, 1), "");
    EXPECT_EQ(re.submatchCount(), 0);
    EXPECT_EQ(re.pattern(), "");
    EXPECT_EQ(re.replace(""), "");
    EXPECT_FALSE(re.limitReached());
}

TEST(RegexObject, NumbersOutOfRangeGiveEmptyText) {
    RegexObject re;
    ASSERT_TRUE(re.create("(a)(x)?", "a-a"));
    ASSERT_EQ(re.matchCount(), 2);
    const std::vector<std::pair<int, int>> outside = {{0, 1}, {3, 1},  {-1, 1}, {1, 0},
                                                      {1, 3}, {1, -1}, {2, 2}};
    for (auto [number, group] : outside) {
        EXPECT_EQ(re.submatchText(number, group), "") << number << "," << group;
    }
    EXPECT_EQ(re.matchText(0), "");
    EXPECT_EQ(re.matchText(3), "");
    EXPECT_EQ(re.matchText(2), "a");
    EXPECT_EQ(re.submatchText(2, 1), "a");
}

TEST(RegexObject, EmptyMatchesAdvanceByOneCharacter) {
    RegexObject re;
    ASSERT_TRUE(re.create("x*", "ab"));
    EXPECT_EQ(re.matchCount(), 3);
    EXPECT_EQ(re.replace("-"), "-a-b-");

    ASSERT_TRUE(re.create("", kZhong + kWen));
    EXPECT_EQ(re.matchCount(), 3);
    EXPECT_EQ(re.replace("|"), "|" + kZhong + "|" + kWen + "|");

    ASSERT_TRUE(re.create("\\s*", "a  b"));
    EXPECT_EQ(re.replace("_"), "_a__b_");
    ASSERT_TRUE(re.create("^", "a\nb\n"));
    EXPECT_EQ(re.matchCount(), 3);
}

TEST(RegexObject, ReplacementReferencesGroups) {
    RegexObject re;
    ASSERT_TRUE(re.create("(\\w+)@(\\w+)", "mail: joe@host, ann@web"));
    EXPECT_EQ(re.replace("$2/$1"), "mail: host/joe, web/ann");
    EXPECT_EQ(re.replace("[$&]"), "mail: [joe@host], [ann@web]");
    EXPECT_EQ(re.replace("$$1 $0 $3 $x $"), "mail: $1 $0 $3 $x $, $1 $0 $3 $x $");
    // "$10" with two groups is group 1 followed by "0"; "$02" is group 2.
    EXPECT_EQ(re.replace("$10$02"), "mail: joe0host, ann0web");

    ASSERT_TRUE(re.create("(a)|(b)", "ab"));
    EXPECT_EQ(re.replace("<$1$2>"), "<a><b>");
    ASSERT_TRUE(re.create(kZhong, "a" + kZhong + "b"));
    EXPECT_EQ(re.replace(kWen + "$&"), "a" + kWen + kZhong + "b");
}

TEST(RegexObject, InvalidGbkInSubjectReadsAsQuestionMark) {
    RegexObject re;
    // 0x81 followed by 0x20 is no GBK character; the codec turns it into "?".
    ASSERT_TRUE(re.create("b(.)", "ab\x81 c" + kZhong));
    ASSERT_EQ(re.matchCount(), 1);
    EXPECT_EQ(re.submatchText(1, 1), "?");
    ASSERT_TRUE(re.create("c.", "ab\x81 c" + kZhong + "\xFF"));
    EXPECT_EQ(re.matchText(1), "c" + kZhong);
    ASSERT_TRUE(re.create("x", "a\x81"));
    EXPECT_EQ(re.matchCount(), 0);
}

TEST(RegexObject, CatastrophicBacktrackingEndsTheSearch) {
    RegexObject re;
    const Text subject = "ok ok " + Text(40, 'a') + "!";
    ASSERT_TRUE(re.create("ok|(a+)+$", subject, false, false));
    EXPECT_TRUE(re.limitReached());
    // The matches found before the limit are kept.
    EXPECT_EQ(re.matchCount(), 2);
    ASSERT_TRUE(re.create("ok", subject));
    EXPECT_FALSE(re.limitReached());
}

TEST(RegexObject, CloneSharesMatchesAndOutlivesTheOriginal) {
    RegexObject re;
    ASSERT_TRUE(re.create("(\\d+)", "a1 b22 c333"));
    RegexObject copy = re.clone();
    re.destroy();
    EXPECT_EQ(re.matchCount(), 0);
    ASSERT_EQ(copy.matchCount(), 3);
    EXPECT_EQ(copy.submatchText(3, 1), "333");
    EXPECT_EQ(copy.pattern(), "(\\d+)");
    EXPECT_EQ(copy.replace("#"), "a# b# c#");

    RegexObject moved = std::move(copy);
    EXPECT_EQ(moved.matchText(2), "22");
    ASSERT_TRUE(moved.create("c", "abc"));
    EXPECT_EQ(moved.matchCount(), 1);
}

}  // namespace
}  // namespace qm
