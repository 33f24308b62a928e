#include "site/site_provision.h"

#include <gtest/gtest.h>

#include "site_test_support.h"

namespace qm {
namespace {

using std::chrono::milliseconds;
using test::EditorWorld;
using test::TempDir;

class ProvisionTest : public ::testing::Test, protected EditorWorld {
  protected:
    Text siteFolder() const { return join_path(install, "a.com"); }
};

TEST_F(ProvisionTest, RegistersFirstThenBuildsTheSiteInOrder) {
    tool.succeedCreating();
    createSite(ctx);

    EXPECT_EQ(tool.lastArgs(), (std::vector<std::string>{"/create", siteFolder(), "a.com", "/d",
                                                         "a.com", "/i", "127.0.0.1", "/b", "80"}));
    EXPECT_EQ(tool.seen(), "") << "nothing of the site exists while the tool registers it";
    const std::vector<Text> expected = {
        QM_GBK("log:绑定IIS\r\n"),
        QM_GBK("log:创建网站路径\r\n"),
        QM_GBK("log:复制模板文件\r\n"),
        QM_GBK("log:保存配置\r\n"),
        QM_GBK("log:恭喜你：网站配置成功\r\n"),
        QM_GBK("prompt:恭喜你：网站配置成功"),
    };
    EXPECT_EQ(log.events, expected);

    EXPECT_EQ(to_text(read_file(databaseFile("a.com"))), "empty-db");
    for (const char* sub : {"images", "html", "list"}) {
        EXPECT_TRUE(file_exists(join_path(siteFolder(), sub))) << sub;
    }
    EXPECT_EQ(to_text(read_file(join_path(siteFolder(), "index.htm"))), "<html>");
    const SiteProfile profile = readProfile(runDir, "a.com");
    EXPECT_TRUE(profile.isComplete());
    EXPECT_EQ(profile.field(2), install);
    EXPECT_EQ(clock.total_waited(), milliseconds(200));
    EXPECT_EQ(clock.wait_count(), 3);
}

TEST_F(ProvisionTest, SuccessRefreshesTheGridAppendsARowAndClearsTheBasicFields) {
    tool.succeedCreating();
    form.fields[FormField::CustomLibrary] = "/lib";
    createSite(ctx);
    EXPECT_EQ(sites.cell(0, 1), "a.com");
    EXPECT_EQ(sites.rowCount(), kSiteListInitialRows + 1);
    for (const FormField f : kBasicFields) EXPECT_EQ(form.fields[f], "");
    EXPECT_EQ(form.fields[FormField::CustomLibrary], "/lib");
    EXPECT_TRUE(form.saveEnabled);
    EXPECT_FALSE(form.locked) << "the lock state is left as it was";
}

TEST_F(ProvisionTest, WithoutTheMarkerNothingIsCreated) {
    for (const char* reply : {"", "iisweb: a site named a.com exists already\n",
                              "Server W3SVC/a.com has been DELETED\n"}) {
        tool.reply(reply);
        log.events.clear();
        form.saveEnabled = false;
        createSite(ctx);
        EXPECT_EQ(log.events, std::vector<Text>{QM_GBK("prompt:创建失败")}) << reply;
        EXPECT_TRUE(form.saveEnabled);
    }
    EXPECT_FALSE(file_exists(databaseFile("a.com")));
    EXPECT_FALSE(file_exists(siteFolder()));
    EXPECT_FALSE(file_exists(profileFile("a.com")));
    EXPECT_EQ(sites.cell(0, 1), "");
    EXPECT_EQ(sites.rowCount(), kSiteListInitialRows);
    EXPECT_EQ(form.fields[FormField::Domain], "a.com") << "the operator can correct and retry";
    EXPECT_EQ(clock.wait_count(), 0);
}

TEST_F(ProvisionTest, AMissingTemplateSetOrInstallFolderStillEndsInSuccess) {
    tool.succeedCreating();
    form.fields[FormField::Template] = "no-such-set";
    createSite(ctx);
    EXPECT_TRUE(file_exists(join_path(siteFolder(), "html")));
    EXPECT_FALSE(file_exists(join_path(siteFolder(), "index.htm")));

    form.fillBasic("b.com", "127.0.0.1", join_path(install, "missing-parent"));
    log.events.clear();
    createSite(ctx);
    EXPECT_EQ(log.prompts(), std::vector<Text>{QM_GBK("恭喜你：网站配置成功")});
    EXPECT_FALSE(file_exists(join_path(join_path(install, "missing-parent"), "b.com")));
    EXPECT_TRUE(file_exists(profileFile("b.com")));
}

TEST_F(ProvisionTest, AnExistingDatabaseIsReplacedByTheEmptyOne) {
    write_file(databaseFile("a.com"), ByteArray("old records"));
    tool.succeedCreating();
    createSite(ctx);
    EXPECT_EQ(to_text(read_file(databaseFile("a.com"))), "empty-db");
}

TEST_F(ProvisionTest, TheProfileIsWhatWasReadBeforeTheToolRan) {
    // The form is read once: a change while the tool runs does not reach the profile.
    tool.succeedCreating();
    const SiteSettings checked = readSettings(form);
    form.fields[FormField::Title] = "changed meanwhile";
    createSite(ctx, checked);
    EXPECT_EQ(readProfile(runDir, "a.com").field(4), "T");
}

TEST(CopyFolderTree, CopiesFilesAndFoldersButOnlyCreatesDotFolders) {
    TempDir dir;
    const Text src = dir.sub("src");
    test::writeText(src + "/a.htm", "A");
    test::writeText(src + "/noext", "N");
    test::writeText(src + "/.hidden", "H");
    test::writeText(src + "/css/site.css", "C");
    test::writeText(src + "/css/img/logo.png", "P");
    test::writeText(src + "/.git/config", "G");
    test::writeText(src + "/.cache/deep/x", "X");
    std::filesystem::create_directories(src + "/empty");
    test::writeText(dir.sub("dst/a.htm"), "old");

    copyFolderTree(src, dir.sub("dst"));
    const Text dst = dir.sub("dst");
    EXPECT_EQ(test::readText(dst + "/a.htm"), "A") << "an existing file is replaced";
    EXPECT_EQ(test::readText(dst + "/noext"), "N");
    EXPECT_EQ(test::readText(dst + "/.hidden"), "H") << "dot files are files like any other";
    EXPECT_EQ(test::readText(dst + "/css/site.css"), "C");
    EXPECT_EQ(test::readText(dst + "/css/img/logo.png"), "P");
    EXPECT_TRUE(std::filesystem::is_directory(dst + "/empty"));
    EXPECT_TRUE(std::filesystem::is_directory(dst + "/.git"));
    EXPECT_TRUE(std::filesystem::is_empty(dst + "/.git")) << "a dot folder is not descended into";
    EXPECT_TRUE(std::filesystem::is_empty(dst + "/.cache"));
}

TEST(CopyFolderTree, MakesOneFolderLevelOnlyAndHandlesGbkNames) {
    TempDir dir;
    const Text src = dir.sub("src");
    test::writeText(src + "/网页.htm", "G");  // UTF-8 on disk
    copyFolderTree(src, dir.sub("no/such/parent"));
    EXPECT_FALSE(file_exists(dir.sub("no")));

    copyFolderTree(src, dir.sub("dst") + "/");  // a trailing separator is fine
    EXPECT_EQ(test::readText(dir.sub("dst/网页.htm")), "G");
    copyFolderTree(dir.sub("missing"), dir.sub("dst2"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.sub("dst2"))) << "made even without files";
}

TEST(CopyFolderTree, ALinkedFolderIsNotFollowed) {
    TempDir dir;
    const Text src = dir.sub("src");
    test::writeText(src + "/a.htm", "A");
    std::filesystem::create_directory_symlink(src, src + "/loop");
    copyFolderTree(src, dir.sub("dst"));
    EXPECT_EQ(test::readText(dir.sub("dst/a.htm")), "A");
    EXPECT_TRUE(std::filesystem::is_directory(dir.sub("dst/loop")));
    EXPECT_FALSE(file_exists(dir.sub("dst/loop/a.htm")));
}

TEST(ProvisionPaths, FollowTheRunDirectoryLayout) {
    EXPECT_EQ(emptyDatabasePath("/r"), QM_GBK("/r/数据库/pak/bak.mdb"));
    EXPECT_EQ(siteDatabasePath("/r", "a.com"), QM_GBK("/r/数据库/a.com.mdb"));
    EXPECT_EQ(templateSetPath("/r", "t1"), QM_GBK("/r/模板/t1"));
    EXPECT_EQ(siteFolderPath("/srv/www", "a.com"), "/srv/www/a.com");
}

}  // namespace
}  // namespace qm
