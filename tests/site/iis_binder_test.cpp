#include "site/iis_binder.h"

#include <gtest/gtest.h>

#include "site/domain_rules.h"
#include "site_test_support.h"

namespace qm {
namespace {

using test::readText;
using test::splitNul;
using test::TempDir;
using test::writeScript;
using test::writeText;

// A stand-in administration tool: records its arguments (NUL-separated), whether a
// shell ran anything (the canary file), and prints the reply file.
class BinderTest : public ::testing::Test {
  protected:
    BinderTest() : binder_(dir_.sub("tool"), dir_.sub("displayMsg.txt")) {
        writeScript(dir_.sub("tool"),
                    "cd '" + dir_.path() + "'\nprintf '%s\\0' \"$@\" > args\ncat reply\n");
    }

    void reply(const std::string& text) { writeText(dir_.sub("reply"), text); }
    std::vector<std::string> recorded() { return splitNul(readText(dir_.sub("args"))); }

    TempDir dir_;
    IisBinder binder_;
};

TEST_F(BinderTest, CreateStartsTheToolWithTheArgumentsInOrder) {
    reply("Server = x\nMetabase Path = W3SVC/a.com\n");
    EXPECT_TRUE(binder_.createWebSite("/srv/www/a.com", "a.com", "a.com", "10.0.0.1", "80", true));
    EXPECT_EQ(recorded(), (std::vector<std::string>{"/create", "/srv/www/a.com", "a.com", "/d",
                                                    "a.com", "/i", "10.0.0.1", "/b", "80"}));
    EXPECT_FALSE(file_exists(dir_.sub("displayMsg.txt"))) << "the output file is deleted";
}

TEST_F(BinderTest, EmptyOptionalValuesAreLeftOutAndDontStartIsLast) {
    reply("Metabase Path = W3SVC/a.com\n");
    EXPECT_TRUE(binder_.createWebSite("/srv/a.com", "a.com", "", "", "", false));
    EXPECT_EQ(recorded(),
              (std::vector<std::string>{"/create", "/srv/a.com", "a.com", "/dontstart"}));
    EXPECT_TRUE(binder_.createWebSite("/srv/a.com", "a.com", "h", "", "8080", true));
    EXPECT_EQ(recorded(), (std::vector<std::string>{"/create", "/srv/a.com", "a.com", "/d", "h",
                                                    "/b", "8080"}));
}

TEST_F(BinderTest, DeleteIsJudgedByItsOwnMarker) {
    reply("Server W3SVC/a.com has been DELETED\n");
    EXPECT_TRUE(binder_.deleteWebSite("a.com"));
    EXPECT_EQ(recorded(), (std::vector<std::string>{"/delete", "a.com"}));
    EXPECT_FALSE(binder_.createWebSite("/srv/a.com", "a.com", "a.com", "1.2.3.4", "80", true))
        << "the deletion marker is no creation marker";

    reply("Metabase Path = W3SVC/a.com\n");
    EXPECT_FALSE(binder_.deleteWebSite("a.com"));
}

TEST_F(BinderTest, MarkersAreMatchedByteForByte) {
    for (const char* text : {"metabase path = W3SVC/1", "Metabase Path= W3SVC/1", "", "Metabase"}) {
        reply(text);
        EXPECT_FALSE(binder_.createWebSite("/srv/a", "a", "a", "1.2.3.4", "80", true)) << text;
    }
    // The marker after a GBK double-byte character and a NUL-free tail still counts.
    reply("\xC9\xBE Metabase Path = W3SVC/7");
    EXPECT_TRUE(binder_.createWebSite("/srv/a", "a", "a", "1.2.3.4", "80", true));
    // Text after the first NUL byte is not read.
    reply(std::string("done\0Metabase Path = W3SVC/7", 28));
    EXPECT_FALSE(binder_.createWebSite("/srv/a", "a", "a", "1.2.3.4", "80", true));
}

TEST_F(BinderTest, ShellSyntaxReachesTheToolAsPlainArguments) {
    reply("Metabase Path = W3SVC/x\n");
    const std::string canary = dir_.sub("canary");
    const std::string hostile = "a;touch " + canary + ";b";
    const std::string root = "/srv/my sites/$(touch " + canary + ")`touch " + canary + "`";
    EXPECT_TRUE(binder_.createWebSite(root, hostile, hostile, "1.2.3.4 && touch " + canary,
                                      "80|touch " + canary, true));
    EXPECT_FALSE(file_exists(canary)) << "a shell interpreted an argument";
    const std::vector<std::string> args = recorded();
    ASSERT_EQ(args.size(), 9u);
    EXPECT_EQ(args[1], root) << "a root with blanks stays one argument";
    EXPECT_EQ(args[2], hostile);
    EXPECT_EQ(args[6], "1.2.3.4 && touch " + canary);

    binder_.deleteWebSite(hostile);
    EXPECT_EQ(recorded(), (std::vector<std::string>{"/delete", hostile}));
    EXPECT_FALSE(file_exists(canary));
    // The editor refuses such a domain before the binder is ever used.
    EXPECT_FALSE(isUsableDomain(hostile));
}

TEST_F(BinderTest, RootIsPassedInTheFileSystemEncoding) {
    reply("Metabase Path = W3SVC/a\n");
    const Text gbkRoot = "/srv/\xCD\xF8\xD5\xBE";  // 网站
    EXPECT_TRUE(binder_.createWebSite(gbkRoot, "a.com", "", "", "", true));
    EXPECT_EQ(recorded()[1], "/srv/网站");
}

TEST(IisBinder, AToolThatCannotStartIsAFailure) {
    TempDir dir;
    IisBinder missing(dir.sub("no-such-tool"), dir.sub("displayMsg.txt"));
    EXPECT_FALSE(missing.createWebSite("/srv/a", "a", "a", "1.2.3.4", "80", true));
    EXPECT_FALSE(missing.deleteWebSite("a"));
    EXPECT_FALSE(file_exists(dir.sub("displayMsg.txt")));

    // A marker left over from an earlier run cannot make a failed start a success.
    writeText(dir.sub("displayMsg.txt"), "Metabase Path = W3SVC/old\n");
    EXPECT_FALSE(missing.createWebSite("/srv/a", "a", "a", "1.2.3.4", "80", true));
}

TEST(IisBinder, TheToolComesFromTheEnvironmentOrTheRunDirectory) {
    // The test runs in its own process (ctest starts each case alone), so setting the
    // variable cannot disturb another test.
    unsetenv("QUILLMOOR_IISWEB");
    EXPECT_EQ(IisBinder::fromEnvironment("/opt/qm").tool(), "/opt/qm/tools/iisweb");
    EXPECT_EQ(IisBinder::fromEnvironment("/opt/qm").outputFile(), "/opt/qm/displayMsg.txt");
    setenv("QUILLMOOR_IISWEB", "/usr/local/bin/fake-iisweb", 1);
    EXPECT_EQ(IisBinder::fromEnvironment("/opt/qm").tool(), "/usr/local/bin/fake-iisweb");
    unsetenv("QUILLMOOR_IISWEB");
}

}  // namespace
}  // namespace qm
