// The site profile file on a real run directory: the exact bytes written, reading
// back, completeness, and domains that must never reach the file system.
#include "engine/site_profile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/gbk_literals.h"
#include "engine/text_cleanup.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string repeat(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

class ProfileTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qm-profile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        runDir_ = text_path(root_);
        listDir_ = root_ / "\xE6\x95\xB0\xE6\x8D\xAE\xE5\xBA\x93" / "list";  // 数据库/list
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    std::string fileBytes(const std::string& nativeName) const {
        std::ifstream in(listDir_ / nativeName, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void putFile(const std::string& nativeName, const std::string& bytes) const {
        fs::create_directories(listDir_);
        std::ofstream(listDir_ / nativeName, std::ios::binary) << bytes;
    }
    // Every file anywhere below the run directory.
    std::vector<std::string> allFiles() const {
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(root_))
            if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root_).string());
        return files;
    }

    static SiteSettings exampleSettings() {
        SiteSettings s;
        s.domain = "site1";
        s.ip = "192.0.2.1";
        s.installFolder = "D:\\web";
        s.templateName = "t1";
        s.title = "T";
        s.keywords = "K";
        s.description = "D";
        s.columns = "C1,C2";
        return s;
    }

    fs::path root_;
    fs::path listDir_;
    Text runDir_;
};

TEST_F(ProfileTest, FreshFormWritesTheExampleFileByteForByte) {
    ASSERT_TRUE(writeProfile(runDir_, exampleSettings()));
    const std::string expected =
        "site1||192.0.2.1||D:\\web||t1||T||K||D||C1,C2\r\n" +
        gbk("选择框6=真||选择框5=假||选择框1=假||选择框2=假||插入关键词=假||插入关键词数=1||"
            "编辑框8=||编辑框12=||长尾词调用数=3||内链调用数=2||生成数量=20||间隔时间=60||"
            "组合框1=||");
    EXPECT_EQ(fileBytes("site1.txt"), expected);
    // The keys are GBK on disk: 选择框6 is D1 A1 D4 F1 BF F2 36.
    EXPECT_NE(fileBytes("site1.txt").find("\xD1\xA1\xD4\xF1\xBF\xF2\x36=\xD5\xE6||"),
              std::string::npos);

    SiteSettings withCombo = exampleSettings();
    withCombo.comboText = "x";
    EXPECT_NE(profileText(withCombo).find(gbk("组合框1=x||")), std::string::npos);
}

TEST_F(ProfileTest, EverySettingRoundTripsIncludingAsciiLookingTrailBytes) {
    SiteSettings s;
    s.domain = "\xD6\xD0\xCE\xC4.example";  // 中文.example
    s.ip = "10.0.0.7";
    s.installFolder = "/srv/\x95\x5C\x81\x40web";  // trail bytes 5C and 40
    s.templateName = "\xC4\xAC\xC8\xCF";           // 默认
    s.title = "\x95\x7C";                          // trail byte 7C right before "||"
    s.keywords = "\x81\x7C,\xB1\x41";              // 7C and 41 ("A") as trail bytes
    s.description = "d e s c";
    s.columns = "\xD0\xC2\xCE\xC5,\xCC\xE5\xD3\xFD";  // 新闻,体育
    s.news = false;
    s.longTail = true;
    s.internalLinks = true;
    s.keywordLinks = true;
    s.keywordLinkCount = "4";
    s.customFolder = "/lib/\x95\x7C";
    s.longTailFolder = "/words";
    s.longTailCount = "7";
    s.internalLinkCount = "0";
    s.generateCount = "abc";  // stored as typed, never checked
    s.comboText = "http://news";
    ASSERT_TRUE(writeProfile(runDir_, s));

    const SiteProfile p = readProfile(runDir_, s.domain);
    EXPECT_EQ(p.partCount(), kCompleteProfileParts);
    EXPECT_TRUE(p.isComplete());
    ASSERT_EQ(p.fields.size(), 8u);
    EXPECT_EQ(p.fields[4], s.title);
    EXPECT_EQ(settingsFromProfile(p), s);  // the interval keeps the fresh "60"
    EXPECT_EQ(p.profileValue(profile_key::kCustom), kTextTrue);  // opposite of 选择框6
    EXPECT_EQ(p.profileValue(profile_key::kGenerateCount), "abc");

    // The generation pass's reading of the same file agrees.
    const SiteProfile pass = parseProfile(p.text);
    EXPECT_EQ(pass.line1, p.line1);
    EXPECT_EQ(pass.line2, p.line2);
    EXPECT_EQ(profileValueIn(p.text, profile_key::kLongTailCount), "7");
}

TEST_F(ProfileTest, UncheckingNewsWritesCustomTrue) {
    SiteSettings s = exampleSettings();
    s.news = false;
    const Text text = profileText(s);
    EXPECT_NE(text.find(gbk("选择框6=假||选择框5=真||")), Text::npos);
}

TEST_F(ProfileTest, ValuesAreFoundByTheirExactKey) {
    SiteSettings s = exampleSettings();
    s.keywordLinks = true;
    s.keywordLinkCount = "9";
    const SiteProfile p = parseProfile(profileText(s));
    EXPECT_EQ(p.profileValue(profile_key::kKeywordLinks), kTextTrue);  // not the count
    EXPECT_EQ(p.profileValue(profile_key::kKeywordLinkCount), "9");
    EXPECT_TRUE(p.flag(profile_key::kKeywordLinks));
    EXPECT_EQ(p.profileValue(gbk("选择框9")), "");
    EXPECT_FALSE(p.flag(gbk("选择框9")));
    EXPECT_EQ(p.profileValue(""), "");
}

TEST_F(ProfileTest, CompletenessCountsThePieces) {
    const Text full = profileText(exampleSettings());
    const Text line1 = pickLine(full, 1);
    Text line2 = pickLine(full, 2);
    struct Case {
        const char* what;
        Text text;
        int parts;
    };
    const Text withoutInterval = replace_text(line2, gbk("间隔时间=60||"), "", 1, -1, true);
    SiteSettings noColumns = exampleSettings();
    noColumns.columns.clear();
    const std::vector<Case> cases = {
        {"as written", full, 21},
        {"one pair missing", line1 + "\r\n" + withoutInterval, 20},
        {"line 1 only", line1, 8},
        {"line 1 only with its line break", line1 + "\r\n", 8},
        {"empty column text", profileText(noColumns), 20},
        {"empty file", "", 0},
    };
    for (const Case& c : cases) {
        const SiteProfile p = parseProfile(c.text);
        EXPECT_EQ(p.partCount(), c.parts) << c.what;
        EXPECT_EQ(p.isComplete(), c.parts >= 21) << c.what;
    }
    EXPECT_EQ(parseProfile(line1 + "\r\n" + withoutInterval).profileValue(profile_key::kInterval),
              "");
}

TEST_F(ProfileTest, ReadingTakesTheFirstTwoPiecesUpToANul) {
    putFile("a.txt", std::string("x||y\r\nk=v||\r\nthird\0ignored", 25));
    const SiteProfile p = readProfile(runDir_, "a");
    EXPECT_EQ(p.line1, "x||y");
    EXPECT_EQ(p.line2, "k=v||");
    EXPECT_EQ(p.profileValue("k"), "v");
    EXPECT_EQ(p.text, "x||y\r\nk=v||\r\nthird");

    // Blank lines around and between the lines are removed before the pass reads them.
    const SiteProfile pass = parseProfile("\r\nx||y\r\n\r\n  \r\nk=v||\r\n");
    EXPECT_EQ(pass.line1, "x||y");
    EXPECT_EQ(pass.line2, "k=v||");

    const SiteProfile missing = readProfile(runDir_, "nobody");
    EXPECT_EQ(missing.partCount(), 0);
    EXPECT_FALSE(missing.isComplete());
    EXPECT_EQ(missing.text, "");
}

TEST_F(ProfileTest, RewritingReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    SiteSettings s = exampleSettings();
    s.description = std::string(5000, 'd');
    ASSERT_TRUE(writeProfile(runDir_, s));
    s.description = "short";
    ASSERT_TRUE(writeProfile(runDir_, s));
    EXPECT_EQ(fileBytes("site1.txt"), profileText(s));
    EXPECT_EQ(allFiles(),
              std::vector<std::string>{"\xE6\x95\xB0\xE6\x8D\xAE\xE5\xBA\x93/list/site1.txt"});
}

TEST_F(ProfileTest, DomainsThatAreNotOneFileNameAreRefused) {
    const std::vector<Text> refused = {
        "",
        ".",
        "..",
        "a/b",
        "../escape",
        "/abs",
        std::string("a\0b", 3),
        std::string(252, 'a'),                           // with ".txt" too long for a name
        std::string(120, 'a') + repeat("\xD6\xD0", 60),  // 中 is 2 bytes, 3 on disk
    };
    for (const Text& domain : refused) {
        EXPECT_FALSE(isUsableDomainFileName(domain)) << domain.size();
        SiteSettings s = exampleSettings();
        s.domain = domain;
        EXPECT_FALSE(writeProfile(runDir_, s)) << domain.size();
        EXPECT_EQ(readProfile(runDir_, domain).partCount(), 0);
    }
    EXPECT_TRUE(allFiles().empty());
    EXPECT_FALSE(fs::exists(root_.parent_path() / "escape.txt"));

    for (const Text& domain : {Text("a.b-c"), Text("..a"), Text("\xD6\xD0\xCE\xC4"),
                               Text("back\\slash"), Text(200, 'a')}) {
        EXPECT_TRUE(isUsableDomainFileName(domain)) << domain;
    }
}

TEST_F(ProfileTest, WritingCreatesMissingProfileFolders) {
    ASSERT_FALSE(fs::exists(listDir_));
    ASSERT_TRUE(writeProfile(runDir_, exampleSettings()));
    EXPECT_EQ(readProfile(runDir_, "site1").field(7), "C1,C2");
    EXPECT_EQ(profilePath(runDir_, "site1"), runDir_ + "/" + gbk("数据库") + "/list/site1.txt");
}

}  // namespace
}  // namespace qm
