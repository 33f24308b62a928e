#include "collect/article_pool.h"

#include <gtest/gtest.h>

#include "collect_fixture.h"
#include "foundation/gbk_codec.h"

namespace qm {
namespace {

using testing::TempRunDirectory;

const Text kZhong = "\xD6\xD0";  // 中

Text repeated(const Text& unit, int times) {
    Text text;
    for (int i = 0; i < times; ++i) text += unit;
    return text;
}

TEST(PoolFileName, KeepsEveryNameInsideThePoolFolder) {
    const struct {
        const char* what;
        Text title;
        Text name;
    } cases[] = {
        {"plain GBK title", kZhong + "abc", kZhong + "abc.txt"},
        {"slash replaced", "a/b/c", "a_b_c.txt"},
        {"parent steps defused", "../../etc/passwd", ".._.._etc_passwd.txt"},
        {"NUL replaced", Text("a\0b", 3), "a_b.txt"},
        {"slash after a damaged lead byte", "\x81/x", "\x81_x.txt"},
        {"ASCII-looking trail bytes kept", "\x81\x5C\x96\x7C\x81\x40\x8C\x53",
         "\x81\x5C\x96\x7C\x81\x40\x8C\x53.txt"},
        {"colons and backslashes are ordinary here", "a\\b", "a\\b.txt"},
        {"empty refused", "", ""},
        {"dot refused", ".", ""},
        {"dot dot refused", "..", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(poolFileName(c.title), c.name) << c.what;
    }
}

TEST(PoolFileName, CutsLongTitlesToTheNameLimitBetweenCharacters) {
    for (const Text& title : {repeated(kZhong, 200), repeated("a", 400),
                              "a" + repeated(kZhong, 200), repeated("\x81\x5C", 300)}) {
        const Text name = poolFileName(title);
        ASSERT_FALSE(name.empty());
        const std::string native = gbk_to_utf8(name);
        EXPECT_LE(native.size(), 255u - 32u);
        ASSERT_EQ(right_text(name, 4), ".txt");
        const Text stem = left_text(name, byte_length(name) - 4);
        EXPECT_EQ(stem, left_text(title, byte_length(stem)));
        // Cut between characters, and one character more would not fit.
        std::size_t boundary = 0;
        while (boundary < stem.size()) {
            boundary += static_cast<unsigned char>(title[boundary]) >= 0x80 ? 2 : 1;
        }
        EXPECT_EQ(boundary, stem.size()) << "cut inside a character";
        const std::size_t next = static_cast<unsigned char>(title[boundary]) >= 0x80 ? 2 : 1;
        const Text longer = title.substr(0, boundary + next) + ".txt";
        EXPECT_GT(gbk_to_utf8(longer).size(), 255u - 32u);
    }
}

TEST(PoolFilePath, WritesAndReadsBackUnderTheSameTitleAndStaysInThePool) {
    TempRunDirectory runDir;
    ASSERT_TRUE(make_directory(poolFolder(runDir.path())));
    const Text titles[] = {
        "../../outside" + repeated(kZhong, 10),
        "/etc/" + repeated(kZhong, 10),
        repeated(kZhong, 300),
        "\xFF\xFF/..\x81/" + repeated(kZhong, 10),
        "..",
    };
    int written = 0;
    for (const Text& title : titles) {
        const Text body = "<p>" + title + "</p>";
        if (writePoolArticle(runDir.path(), title, body)) {
            ++written;
            EXPECT_EQ(readPoolArticle(runDir.path(), title), body);
        }
    }
    EXPECT_EQ(written, 4);  // all but ".."
    EXPECT_TRUE(runDir.filesOutsidePool().empty());
    EXPECT_EQ(list_files(poolFolder(runDir.path()), "*", false).size(), 4u);  // no temp files
}

TEST(PoolFilePath, ABodyIsReplacedWholeAndAMissingPoolFailsTheWrite) {
    TempRunDirectory runDir;
    const Text title = repeated(kZhong, 12);
    EXPECT_FALSE(writePoolArticle(runDir.path(), title, "body"));
    ASSERT_TRUE(make_directory(poolFolder(runDir.path())));
    EXPECT_TRUE(writePoolArticle(runDir.path(), title, "first, the longer body"));
    EXPECT_TRUE(writePoolArticle(runDir.path(), title, "second"));
    EXPECT_EQ(readPoolArticle(runDir.path(), title), "second");
    EXPECT_EQ(poolFilePath(runDir.path(), title),
              runDir.path() + "/\xC1\xD9\xCA\xB1\xCE\xC4\xD5\xC2\xBF\xE2/" + title + ".txt");
}

}  // namespace
}  // namespace qm
