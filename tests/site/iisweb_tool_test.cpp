// The shipped administration tool (tools/iisweb in the build's run directory), driven
// through the binder, with stand-in nginx commands that record their calls.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "site/iis_binder.h"
#include "site_test_support.h"

namespace qm {
namespace {

using test::readText;
using test::TempDir;
using test::writeScript;

const std::string kShippedTool = std::string(QUILLMOOR_BUILD_DIR) + "/tools/iisweb";

class IiswebTest : public ::testing::Test {
  protected:
    IiswebTest() {
        std::filesystem::create_directory(dir_.sub("sites"));
        for (const char* name : {"test-ok", "reload-ok"}) {
            writeScript(dir_.sub(name), "printf '%s %s\\n' \"${0##*/}\" \"$*\" >> '" +
                                            dir_.sub("calls") + "'\nexit 0\n");
        }
        for (const char* name : {"test-fail", "reload-fail"}) {
            writeScript(dir_.sub(name), "printf '%s %s\\n' \"${0##*/}\" \"$*\" >> '" +
                                            dir_.sub("calls") +
                                            "'\necho 'Metabase Path = no'\nexit 1\n");
        }
        use("test-ok", "reload-ok");
    }

    // Points the tool at the stand-in commands; port overrides the listen port.
    void use(const std::string& test, const std::string& reload, const std::string& port = "") {
        writeScript(dir_.sub("tool"), "export QUILLMOOR_NGINX_SITES='" + dir_.sub("sites") + "'\n" +
                                          "export QUILLMOOR_NGINX_TEST='" + dir_.sub(test) +
                                          " -t'\n" + "export QUILLMOOR_NGINX_RELOAD='" +
                                          dir_.sub(reload) + " -s reload'\n" +
                                          "export QUILLMOOR_NGINX_PORT='" + port + "'\n" +
                                          "exec '" + kShippedTool + "' \"$@\"\n");
    }

    bool create(const std::string& root, const std::string& name,
                const std::string& ip = "127.0.0.1", const std::string& port = "80",
                bool start = true) {
        return binder_.createWebSite(root, name, name, ip, port, start);
    }
    std::string block(const std::string& name) {
        return readText(dir_.sub("sites/quillmoor-" + name + ".conf"));
    }
    bool hasBlock(const std::string& name) {
        return std::filesystem::exists(dir_.sub("sites/quillmoor-" + name + ".conf"));
    }
    std::string calls() { return readText(dir_.sub("calls")); }
    std::size_t siteFiles() {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e :
             std::filesystem::directory_iterator(dir_.sub("sites")))
            ++n;
        return n;
    }

    TempDir dir_;
    IisBinder binder_{dir_.sub("tool"), dir_.sub("displayMsg.txt")};
};

TEST(IiswebShipped, IsCopiedExecutableIntoTheRunDirectory) {
    struct stat st {};
    ASSERT_EQ(stat(kShippedTool.c_str(), &st), 0) << kShippedTool;
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);
}

TEST_F(IiswebTest, CreateWritesOneServerBlockTestsAndReloads) {
    ASSERT_TRUE(create("/srv/www/a.com", "a.com", "10.1.2.3"));
    const std::string conf = block("a.com");
    EXPECT_NE(conf.find("listen 10.1.2.3:80;"), std::string::npos) << conf;
    EXPECT_NE(conf.find("server_name a.com;"), std::string::npos);
    EXPECT_NE(conf.find("root \"/srv/www/a.com\";"), std::string::npos);
    EXPECT_NE(conf.find("index index.html;"), std::string::npos);
    EXPECT_EQ(calls(), "test-ok -t\nreload-ok -s reload\n");
    EXPECT_EQ(siteFiles(), 1u) << "no temporary file is left behind";
}

TEST_F(IiswebTest, ThePortOverrideAndARootWithBlanksAndGbkNames) {
    use("test-ok", "reload-ok", "18080");
    ASSERT_TRUE(
        binder_.createWebSite("/srv/my site's/\xCD\xF8\xD5\xBE", "b.com", "b.com", "", "80", true));
    const std::string conf = block("b.com");
    EXPECT_NE(conf.find("listen 18080;"), std::string::npos) << conf;
    EXPECT_NE(conf.find("root \"/srv/my site's/网站\";"), std::string::npos) << conf;
}

TEST_F(IiswebTest, AnExistingSiteOfTheSameNameIsRefused) {
    ASSERT_TRUE(create("/srv/a.com", "a.com"));
    const std::string before = block("a.com");
    EXPECT_FALSE(create("/srv/other", "a.com"));
    EXPECT_EQ(block("a.com"), before);
}

TEST_F(IiswebTest, AFailedConfigurationTestOrReloadLeavesNoSite) {
    use("test-fail", "reload-ok");
    EXPECT_FALSE(create("/srv/a.com", "a.com")) << "the failing command's output is no marker";
    EXPECT_FALSE(hasBlock("a.com"));
    EXPECT_EQ(calls(), "test-fail -t\n") << "no reload after a failed test";

    use("test-ok", "reload-fail");
    EXPECT_FALSE(create("/srv/a.com", "a.com"));
    EXPECT_FALSE(hasBlock("a.com"));
    EXPECT_EQ(siteFiles(), 0u);
}

TEST_F(IiswebTest, ValuesNginxWouldReadAsSyntaxAreRefused) {
    struct Case {
        std::string root, name, ip, port;
    };
    const Case cases[] = {
        {"/srv/a", "a.com;", "127.0.0.1", "80"},
        {"/srv/a", "a.com }", "127.0.0.1", "80"},
        {"/srv/a", "../a", "127.0.0.1", "80"},
        {"/srv/a", "", "127.0.0.1", "80"},
        {"/srv/a", "a.com", "127.0.0.1; listen 22", "80"},
        {"/srv/a", "a.com", "[::1]", "80"},
        {"/srv/a", "a.com", "127.0.0.1", "80; x"},
        {"/srv/a", "a.com", "127.0.0.1", "0"},
        {"/srv/a", "a.com", "127.0.0.1", "65536"},
        {"/srv/a\"; include /etc/passwd; \"", "a.com", "127.0.0.1", "80"},
        {"/srv/$document_root", "a.com", "127.0.0.1", "80"},
        {"/srv/a\nlisten 1;", "a.com", "127.0.0.1", "80"},
        {"/srv/a{", "a.com", "127.0.0.1", "80"},
        {"/srv/a\\", "a.com", "127.0.0.1", "80"},
        {"relative/a", "a.com", "127.0.0.1", "80"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(binder_.createWebSite(c.root, c.name, c.name, c.ip, c.port, true))
            << c.root << " | " << c.name << " | " << c.ip << " | " << c.port;
    }
    EXPECT_EQ(siteFiles(), 0u);
    EXPECT_EQ(calls(), "") << "nginx is not touched for a refused value";
}

TEST_F(IiswebTest, DeleteRemovesTheBlockAndReloads) {
    ASSERT_TRUE(create("/srv/a.com", "a.com"));
    ASSERT_TRUE(create("/srv/b.com", "b.com"));
    EXPECT_TRUE(binder_.deleteWebSite("a.com"));
    EXPECT_FALSE(hasBlock("a.com"));
    EXPECT_TRUE(hasBlock("b.com"));
    EXPECT_EQ(siteFiles(), 1u);
    EXPECT_FALSE(binder_.deleteWebSite("a.com")) << "an unknown site cannot be deleted";
    EXPECT_FALSE(binder_.deleteWebSite("../b.com"));
}

TEST_F(IiswebTest, AFailedReloadOnDeleteKeepsTheSite) {
    ASSERT_TRUE(create("/srv/a.com", "a.com"));
    const std::string before = block("a.com");
    use("test-ok", "reload-fail");
    EXPECT_FALSE(binder_.deleteWebSite("a.com"));
    EXPECT_EQ(block("a.com"), before);
    EXPECT_EQ(siteFiles(), 1u);
}

TEST_F(IiswebTest, DontStartWritesAnInactiveBlockWithoutTouchingNginx) {
    ASSERT_TRUE(create("/srv/a.com", "a.com", "127.0.0.1", "80", false));
    const std::string conf = block("a.com");
    std::size_t start = 0;
    while (start < conf.size()) {
        const std::size_t end = conf.find('\n', start);
        EXPECT_EQ(conf.compare(start, 1, "#"), 0) << conf;
        start = end == std::string::npos ? conf.size() : end + 1;
    }
    EXPECT_EQ(calls(), "");
}

TEST_F(IiswebTest, BadUsageIsAFailure) {
    IisBinder direct(dir_.sub("tool"), dir_.sub("out.txt"));
    EXPECT_FALSE(direct.deleteWebSite(""));
    EXPECT_EQ(siteFiles(), 0u);
}

}  // namespace
}  // namespace qm
