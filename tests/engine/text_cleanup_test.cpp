#include "engine/text_cleanup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qm {
namespace {

const Text kZhong = "\xD6\xD0";  // 中
const Text kWen = "\xCE\xC4";    // 文

TEST(CountOccurrences, CountsNonOverlappingHitsIgnoringAsciiCaseByDefault) {
    const Text meta = "<meta http-equiv=Content-Type content=\"text/html; charset=UTF-8\">";
    EXPECT_EQ(countOccurrences(meta, "utf"), 1);
    EXPECT_EQ(countOccurrences(meta, "utf", true), 0);
    EXPECT_EQ(countOccurrences(meta, "UTF", true), 1);
    EXPECT_EQ(countOccurrences("aaaa", "aa"), 2);
    EXPECT_EQ(countOccurrences("aaa", "aa"), 1);
    EXPECT_EQ(
        countOccurrences("media_span_url('http x MEDIA_SPAN_URL('HTTP", "media_span_url('http"), 2);
    EXPECT_EQ(countOccurrences("", "a"), 0);
    EXPECT_EQ(countOccurrences("a", ""), 0);
    // Trail bytes 0x40 and 0x41 are no "@" or "a": only the real characters count.
    EXPECT_EQ(countOccurrences("\x81\x40@\x81\x41", "@"), 1);
    EXPECT_EQ(countOccurrences("\x81\x41"
                               "a",
                               "a"),
              1);
    EXPECT_EQ(countOccurrences(kZhong + kWen + kZhong, kZhong), 2);
}

TEST(CleanBlankLines, RemovesEmptyAndBlankLinesAndTrimsTheVariable) {
    struct Case {
        Text input;
        Text trimmed;  // the caller's variable afterwards
        Text result;
    };
    const std::vector<Case> cases = {
        {"A\r\n\r\n   \r\nB", "A\r\n\r\n   \r\nB", "A\r\nB"},
        {"A\r\n\t\r\n\r\nB\r\nC", "A\r\n\t\r\n\r\nB\r\nC", "A\r\nB\r\nC"},
        {"A\r\nB\r\n\r\n", "A\r\nB\r\n", "A\r\nB\r\n"},
        {"A\r\nB\r\n", "A\r\nB", "A\r\nB"},
        {"\r\nA", "A", "A"},
        // Only one leading CR LF goes; the second leading empty line stays.
        {"\r\n\r\nA", "\r\nA", "\r\nA"},
        // White space after the last line break is no blank line.
        {"A\r\n  ", "A\r\n  ", "A\r\n  "},
        {"\r\n", "", ""},
        {"", "", ""},
        {kZhong + "\r\n\r\n" + kWen, kZhong + "\r\n\r\n" + kWen, kZhong + "\r\n" + kWen},
        // A profile line whose characters end in trail bytes "\\" and "|" stays whole.
        {"a=\x81\x5C||\r\n\r\nb=\x81\x7C||", "a=\x81\x5C||\r\n\r\nb=\x81\x7C||",
         "a=\x81\x5C||\r\nb=\x81\x7C||"},
    };
    for (const Case& c : cases) {
        Text text = c.input;
        EXPECT_EQ(cleanBlankLines(text), c.result) << testing::PrintToString(c.input);
        EXPECT_EQ(text, c.trimmed) << testing::PrintToString(c.input);
    }
}

TEST(CleanBlankLines, LeavesTextWithoutBlankLinesByteForByte) {
    // Bytes that are not GBK would read as "?" inside the matcher; a text that needs
    // no change comes back untouched.
    Text text = "a\x81 b\r\nc\xFF";
    EXPECT_EQ(cleanBlankLines(text), "a\x81 b\r\nc\xFF");
}

TEST(PickLine, CutsAtCrLf) {
    const Text profile = "domain=a.com||title=T||\r\nsecond=1||";
    EXPECT_EQ(pickLine(profile, 1), "domain=a.com||title=T||");
    EXPECT_EQ(pickLine(profile, 2), "second=1||");
    EXPECT_EQ(pickLine(profile, 3), "");
    EXPECT_EQ(pickLine(profile, 0), "");
    EXPECT_EQ(pickLine(profile, -1), "");
    EXPECT_EQ(pickLine("a\r\n", 1), "a");
    EXPECT_EQ(pickLine("a\r\n", 2), "");
    EXPECT_EQ(pickLine("a\r\n\r\nc", 2), "");
    EXPECT_EQ(pickLine("a\r\n\r\nc", 3), "c");
    EXPECT_EQ(pickLine("a\nb", 1), "a\nb");
    EXPECT_EQ(pickLine("", 1), "");
}

class TextCleanupFiles : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::path(QUILLMOOR_BUILD_DIR) / "text_cleanup_test" /
               testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // The GBK path of a file of size bytes (its name is UTF-8 on disk).
    Text makeFile(const std::string& utf8Name, std::size_t size) {
        std::ofstream(dir_ / utf8Name, std::ios::binary) << std::string(size, 'x');
        return gbkPath(utf8Name);
    }
    Text gbkPath(const std::string& utf8Name) const {
        return text_path((dir_ / utf8Name).string());
    }

    std::filesystem::path dir_;
};

TEST_F(TextCleanupFiles, FileSizeKbRoundsUp) {
    EXPECT_EQ(fileSizeKb(makeFile("empty.txt", 0)), 0);
    EXPECT_EQ(fileSizeKb(makeFile("one.txt", 1)), 1);
    EXPECT_EQ(fileSizeKb(makeFile("kilo.txt", 1024)), 1);
    EXPECT_EQ(fileSizeKb(makeFile("more.txt", 1025)), 2);
    EXPECT_EQ(fileSizeKb(makeFile("\xE4\xB8\xAD\xE6\x96\x87.txt", 51 * 1024)), 51);  // 中文.txt
    EXPECT_EQ(fileSizeKb(gbkPath("missing.txt")), -1);
}

TEST_F(TextCleanupFiles, PathExistsTakesThePathExactly) {
    const Text file = makeFile("\xE4\xB8\xAD.txt", 3);  // 中.txt
    EXPECT_EQ(file.substr(file.size() - 6), kZhong + ".txt");
    EXPECT_TRUE(pathExists(file));
    EXPECT_TRUE(pathExists(text_path(dir_.string())));
    EXPECT_FALSE(pathExists(gbkPath("missing.txt")));
    EXPECT_FALSE(pathExists(gbkPath("*.txt")));
    EXPECT_FALSE(pathExists(gbkPath("?.txt")));
    EXPECT_FALSE(pathExists(""));
}

TEST(Utf8ToGbk, ConvertsAndMarksWhatItCannot) {
    EXPECT_EQ(utf8ToGbk("<p>\xE4\xB8\xAD\xE6\x96\x87</p>"), "<p>\xD6\xD0\xCE\xC4</p>");
    EXPECT_EQ(utf8ToGbk(""), "");
    EXPECT_EQ(utf8ToGbk("a\xFF"
                        "b"),
              "a?b");
    EXPECT_EQ(utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
              "a?b");  // an emoji GBK lacks
    EXPECT_EQ(utf8ToGbk(std::string("ab\0cd", 5)), "ab");
}

}  // namespace
}  // namespace qm
