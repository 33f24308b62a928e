// GBK <-> UTF-8 conversion: exact bytes, "?" for what cannot be converted, and round
// trips over every double-byte code.
#include <gtest/gtest.h>

#include <thread>

#include "foundation/gbk_codec.h"

namespace qm {
namespace {

TEST(GbkCodecTest, KnownCharactersBothWays) {
    const struct {
        std::string gbk;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"plain ASCII\r\n", "plain ASCII\r\n"},
        {"\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
        {"\x81\x40", "\xE4\xB8\x82"},                      // 丂, trail "@"
        {"\x81\x5C", "\xE4\xB9\x97"},                      // 乗, trail "\"
        {"\x81\x7C", "\xE4\xBA\x85"},                      // 亅, trail "|"
        {"\xA1\xA1", "\xE3\x80\x80"},                      // full-width space
        {"\xA3\xB1", "\xEF\xBC\x91"},                      // １
        {"\x80", "\xE2\x82\xAC"},                          // euro, as in CP936
        {"a\xD3\xD1\xC7\xE9"
         "b",
         "a\xE5\x8F\x8B\xE6\x83\x85"
         "b"},  // 友情
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gbk_to_utf8(c.gbk), c.utf8) << testing::PrintToString(c.gbk);
        EXPECT_EQ(utf8_to_gbk(c.utf8), c.gbk) << testing::PrintToString(c.utf8);
    }
}

TEST(GbkCodecTest, DamagedGbkBecomesQuestionMarks) {
    const struct {
        std::string gbk;
        std::string utf8;
    } cases[] = {
        {"\xD6", "?"},  // a lone lead byte at the end
        {"a\xD6", "a?"},
        {"\xD6\x22"
         "b",
         "?\"b"},  // a lead byte before a quote keeps the quote
        {"\xD6\x0A", "?\n"},
        {"\xFF"
         "a",
         "?a"},
        {"\xD6\x7F"
         "a",
         "?\x7F"
         "a"},  // 0x7F is never a trail byte
        {"\xD6\xD0\xD6", "\xE4\xB8\xAD?"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},  // NUL bytes pass through
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gbk_to_utf8(c.gbk), c.utf8) << testing::PrintToString(c.gbk);
    }
}

TEST(GbkCodecTest, IllFormedOrUnencodableUtf8BecomesQuestionMarks) {
    const struct {
        std::string utf8;
        std::string gbk;
    } cases[] = {
        {"\xF0\x9F\x98\x80", "?"},  // an emoji: not in GBK
        {"a\xE2\x82", "a?"},        // truncated sequence
        {"\xE4\xB8", "?"},
        {"\xFF\xFE", "??"},
        {"\xC0\xAF", "??"},       // overlong "/"
        {"\xED\xA0\x80", "???"},  // a surrogate
        {"\xE4\xB8\xAD\xFF\xE6\x96\x87", "\xD6\xD0?\xCE\xC4"},
        {"\xE4\xB8"
         "a",
         "?a"},                                      // the ASCII byte after survives
        {"\xEF\xBF\xBD", "?"},                       // U+FFFD itself
        {std::string("ab\0\xE4\xB8\xAD", 6), "ab"},  // ends at the first NUL
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8_to_gbk(c.utf8), c.gbk) << testing::PrintToString(c.utf8);
    }
}

TEST(GbkCodecTest, ValidUtf8Check) {
    EXPECT_TRUE(is_valid_utf8(""));
    EXPECT_TRUE(is_valid_utf8("abc"));
    EXPECT_TRUE(is_valid_utf8("\xE4\xB8\xAD\xF0\x9F\x98\x80"));
    EXPECT_FALSE(is_valid_utf8("\xD6\xD0"));
    EXPECT_FALSE(is_valid_utf8("\xE4\xB8"));
    EXPECT_FALSE(is_valid_utf8("\xC0\x80"));
    EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // above U+10FFFF
}

TEST(GbkCodecTest, EveryDoubleByteCodeRoundTripsOrBecomesOneQuestionMark) {
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = gbk_to_utf8(gbk);
            ASSERT_TRUE(is_valid_utf8(utf8));
            if (utf8 == "?") continue;
            ++mapped;
            EXPECT_EQ(utf8_to_gbk(utf8), gbk) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_GT(mapped, 21000);  // GBK assigns almost all of its 23940 codes
}

TEST(GbkCodecTest, EveryTruncationOfADoubleByteTextConverts) {
    const std::string gbk = "a\xD6\xD0\x81\x40|\xCE\xC4";
    for (std::size_t n = 0; n <= gbk.size(); ++n) {
        const std::string utf8 = gbk_to_utf8(gbk.substr(0, n));
        EXPECT_TRUE(is_valid_utf8(utf8)) << n;
        const bool cut = n == 2 || n == 4 || n == 7;  // ends on a lone lead byte
        EXPECT_EQ(!utf8.empty() && utf8.back() == '?', cut) << n;
    }
    const std::string utf8 = "\xE4\xB8\xAD\xF0\x9F\x98\x80";
    for (std::size_t n = 0; n <= utf8.size(); ++n) {
        const std::string out = utf8_to_gbk(utf8.substr(0, n));
        EXPECT_EQ(out, n < 3 ? (n == 0 ? "" : "?") : (n == 3 ? "\xD6\xD0" : "\xD6\xD0?")) << n;
    }
}

TEST(GbkCodecTest, ThreadsConvertIndependently) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 2000; ++i) {
                ASSERT_EQ(gbk_to_utf8("\xD6\xD0\xD6"), "\xE4\xB8\xAD?");
                ASSERT_EQ(utf8_to_gbk("\xE6\x96\x87\xFF"), "\xCE\xC4?");
            }
        });
    }
    for (auto& t : threads) t.join();
}

}  // namespace
}  // namespace qm
