#include "site/site_editor.h"

#include <gtest/gtest.h>

#include "site/domain_rules.h"
#include "site_test_support.h"

namespace qm {
namespace {

using std::chrono::milliseconds;
using test::EditorWorld;

class EditorTest : public ::testing::Test, protected EditorWorld {
  protected:
    std::vector<Text> prompts() const { return log.prompts(); }
    Text gridName(int row) { return sites.cell(row, 1); }
};

// ---- saving ------------------------------------------------------------------------

TEST_F(EditorTest, EveryEmptyBasicFieldIsRefusedWithOneMessage) {
    for (const FormField field : kBasicFields) {
        form.fillBasic("a.com", "127.0.0.1", install);
        form.fields[field] = "";
        form.saveEnabled = false;
        log.events.clear();
        saveSite(ctx);
        EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("基本设置中有内容没有填写")});
        EXPECT_TRUE(form.saveEnabled);
    }
    EXPECT_EQ(tool.calls(), 0);
    EXPECT_FALSE(file_exists(profileFile("a.com")));
}

TEST_F(EditorTest, LibraryPathsAreRequiredByTheOptionsThatUseThem) {
    struct Case {
        bool custom;
        Text customFolder;
        bool longTail;
        Text longTailFolder;
        Text prompt;  // empty: the save goes on
    };
    const Text needCustom = QM_GBK("自定义文章，必须填写文章库路径");
    const Text needLongTail = QM_GBK("开启长尾词，必须填写长尾词库的路径");
    const Case cases[] = {
        {true, "", false, "", needCustom},
        {true, "", true, "", needCustom},  // the custom check comes first
        {false, "", true, "", needLongTail},
        {true, "/lib", true, "", needLongTail},
        {true, "/lib", true, "/words", Text()},
        {false, "", false, "", Text()},  // both modes off: no path needed
    };
    addProfile("a.com");  // an existing site, so a passing save only rewrites the profile
    for (const Case& c : cases) {
        form.checks[FormCheck::News] = !c.custom;
        form.checks[FormCheck::CustomArticles] = c.custom;
        form.fields[FormField::CustomLibrary] = c.customFolder;
        form.checks[FormCheck::LongTail] = c.longTail;
        form.fields[FormField::LongTailLibrary] = c.longTailFolder;
        form.saveEnabled = false;
        log.events.clear();
        saveSite(ctx);
        EXPECT_EQ(prompts(), std::vector<Text>{c.prompt.empty() ? QM_GBK("修改成功") : c.prompt});
        EXPECT_TRUE(form.saveEnabled);
    }
}

TEST_F(EditorTest, BothModesOffSavesACustomArticleSiteWithoutLibrary) {
    addProfile("a.com");
    form.checks[FormCheck::News] = false;
    form.checks[FormCheck::CustomArticles] = false;
    saveSite(ctx);
    const SiteProfile p = readProfile(runDir, "a.com");
    EXPECT_EQ(p.profileValue(profile_key::kCustom), QM_GBK("真"));
    EXPECT_EQ(p.profileValue(profile_key::kCustomFolder), "");
}

TEST_F(EditorTest, UnsafeDomainsAreRefusedBeforeAnythingIsCreated) {
    const Text domains[] = {"a;touch x", "../a.com", "a b.com",  "a/b",
                            "a.com\n",   "$(id)",    "site.txt", "\xD6\xD0\xCE\xC4.com"};
    for (const Text& domain : domains) {
        form.fields[FormField::Domain] = domain;
        form.saveEnabled = false;
        log.events.clear();
        saveSite(ctx);
        EXPECT_EQ(prompts(), std::vector<Text>{kBadDomainPrompt}) << domain;
        EXPECT_TRUE(form.saveEnabled);
    }
    EXPECT_EQ(tool.calls(), 0);
    EXPECT_TRUE(list_files(profileFolder(runDir), "*", false).empty());
    EXPECT_TRUE(list_files(install, "*", false).empty());
}

TEST_F(EditorTest, ANewSiteNeedsAnIpv4Address) {
    form.fields[FormField::Ip] = "1.2.3.4; include /etc/passwd";
    saveSite(ctx);
    EXPECT_EQ(prompts(), std::vector<Text>{kBadIpPrompt});
    EXPECT_EQ(tool.calls(), 0);
    EXPECT_TRUE(form.saveEnabled);
}

TEST_F(EditorTest, SavingAnExistingDomainRewritesItsProfileOnly) {
    addProfile("a.com");
    form.fields[FormField::Title] = "New title";
    form.fields[FormField::Interval] = "5";
    form.fields[FormField::Ip] = "not an address";  // not used by a modification
    saveSite(ctx);

    EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("修改成功")});
    EXPECT_TRUE(form.saveEnabled);
    EXPECT_EQ(readProfile(runDir, "a.com").field(4), "New title");
    EXPECT_EQ(readProfile(runDir, "a.com").profileValue(profile_key::kInterval), "5");
    EXPECT_EQ(tool.calls(), 0) << "no web-server site is created for a modification";
    EXPECT_FALSE(file_exists(databaseFile("a.com")));
    EXPECT_FALSE(file_exists(join_path(install, "a.com")));
    EXPECT_EQ(gridName(0), "a.com") << "the grid is refreshed";
    EXPECT_EQ(sites.cell(0, 0), "1");
    EXPECT_EQ(clock.total_waited(), milliseconds(20));
}

TEST_F(EditorTest, SavingANewDomainCreatesTheSite) {
    tool.succeedCreating();
    saveSite(ctx);
    EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("恭喜你：网站配置成功")});
    EXPECT_EQ(tool.calls(), 1);
    EXPECT_TRUE(file_exists(profileFile("a.com")));
    EXPECT_TRUE(form.saveEnabled);
}

TEST_F(EditorTest, TheSavedProfileIsTheFormAsChecked) {
    addProfile("a.com");
    form.checks[FormCheck::News] = false;
    form.checks[FormCheck::LongTail] = true;
    form.fields[FormField::LongTailLibrary] = "/words";
    form.combo = 1;
    updateProfile(ctx);
    const SiteProfile p = readProfile(runDir, "a.com");
    EXPECT_TRUE(p.isComplete());
    EXPECT_EQ(p.profileValue(profile_key::kNews), QM_GBK("假"));
    EXPECT_EQ(p.profileValue(profile_key::kCustom), QM_GBK("真"));
    EXPECT_EQ(p.profileValue(profile_key::kLongTail), QM_GBK("真"));
    EXPECT_EQ(p.profileValue(profile_key::kLongTailFolder), "/words");
    EXPECT_EQ(p.profileValue(profile_key::kCombo), QM_GBK(" 热门新闻"));
}

// ---- new and load --------------------------------------------------------------------

TEST_F(EditorTest, NewSiteClearsTheSiteFieldsAndUnlocks) {
    form.locked = true;
    form.fields[FormField::CustomLibrary] = "/lib";
    form.checks[FormCheck::LongTail] = true;
    newSite(ctx);
    for (const FormField f : {FormField::Domain, FormField::Template, FormField::Title,
                              FormField::Keywords, FormField::Description, FormField::Columns}) {
        EXPECT_EQ(form.fields[f], "");
    }
    EXPECT_EQ(form.fields[FormField::Ip], "127.0.0.1");
    EXPECT_EQ(form.fields[FormField::InstallPath], install);
    EXPECT_EQ(form.fields[FormField::CustomLibrary], "/lib");
    EXPECT_TRUE(form.checks[FormCheck::LongTail]);
    EXPECT_FALSE(form.locked);
}

TEST_F(EditorTest, NewSiteWhoseStopWasRequestedLeavesTheForm) {
    std::stop_source stop;
    stop.request_stop();
    form.locked = true;
    newSite(ctx, stop.get_token());
    EXPECT_EQ(form.fields[FormField::Domain], "a.com");
    EXPECT_TRUE(form.locked);
}

class LoadTest : public EditorTest {
  protected:
    // A profile with every function setting away from the defaults.
    void SetUp() override {
        SiteSettings s;
        s.domain = "b.com";
        s.ip = "10.0.0.2";
        s.installFolder = "/srv/b";
        s.templateName = "t2";
        s.title = QM_GBK("标题");
        s.keywords = "k1,k2";
        s.description = "desc";
        s.columns = "c1,c2";
        s.news = false;
        s.longTail = true;
        s.internalLinks = true;
        s.keywordLinks = true;
        s.keywordLinkCount = "4";
        s.customFolder = "/lib";
        s.longTailFolder = "/words";
        s.longTailCount = "5";
        s.internalLinkCount = "6";
        s.generateCount = "7";
        s.intervalMinutes = "99";
        s.comboText = "";
        stored = s;
        writeProfile(runDir, s);
        sites.setCell(3, 1, "b.com");
        form.selectedRow = 3;
    }
    SiteSettings stored;
};

TEST_F(LoadTest, FillsTheFormAndLocksTheIdentityFields) {
    form.checks[FormCheck::CustomArticles] = false;
    loadSite(ctx);
    EXPECT_TRUE(prompts().empty());
    const SiteSettings shown = readSettings(form);
    EXPECT_EQ(shown.domain, "b.com");
    EXPECT_EQ(shown.ip, "10.0.0.2");
    EXPECT_EQ(shown.installFolder, "/srv/b");
    EXPECT_EQ(shown.templateName, "t2");
    EXPECT_EQ(shown.title, QM_GBK("标题"));
    EXPECT_EQ(shown.columns, "c1,c2");
    EXPECT_FALSE(form.checks[FormCheck::News]);
    EXPECT_TRUE(form.checks[FormCheck::CustomArticles]) << "follows 选择框6, not its own key";
    EXPECT_TRUE(shown.longTail && shown.internalLinks && shown.keywordLinks);
    EXPECT_EQ(shown.keywordLinkCount, "4");
    EXPECT_EQ(shown.customFolder, "/lib");
    EXPECT_EQ(shown.longTailFolder, "/words");
    EXPECT_EQ(shown.longTailCount, "5");
    EXPECT_EQ(shown.internalLinkCount, "6");
    EXPECT_EQ(shown.generateCount, "7");
    EXPECT_EQ(shown.intervalMinutes, "60") << "the loop interval is never loaded";
    EXPECT_EQ(form.combo, 0) << "an empty stored category selects the first item";
    EXPECT_TRUE(form.locked);
}

TEST_F(LoadTest, TheCategoryIsTheFirstItemBeginningWithTheStoredText) {
    struct Case {
        Text stored;
        int before;
        int after;
    };
    const Case cases[] = {
        {QM_GBK(" 热门新闻"), 0, 1},
        {QM_GBK(" IT"), 0, 2},
        {QM_GBK(" it互联网"), 0, 2},  // ASCII letters ignore case
        {" ", 3, 0},
        {QM_GBK("热门"), 3, 3},  // no item begins with it: unchanged
    };
    for (const Case& c : cases) {
        stored.comboText = c.stored;
        writeProfile(runDir, stored);
        form.combo = c.before;
        loadSite(ctx);
        EXPECT_EQ(form.combo, c.after) << c.stored;
    }
}

TEST_F(LoadTest, AnIncompleteProfileLeavesTheFormAsItWas) {
    // Line 1 ends in "||" when the column field is empty: 20 parts.
    stored.columns = "";
    writeProfile(runDir, stored);
    const std::map<FormField, Text> before = form.fields;
    loadSite(ctx);
    EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("配置数据不完整")});
    EXPECT_EQ(form.fields, before);
    EXPECT_FALSE(form.locked);
    EXPECT_EQ(form.lockCalls, 0);
}

TEST_F(LoadTest, AMissingProfileIsIncomplete) {
    sites.setCell(3, 1, "gone.com");
    loadSite(ctx);
    EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("配置数据不完整")});
}

TEST_F(LoadTest, AnEmptyRowOrNoSelectionDoesNothing) {
    for (const int row : {0, -1, 400}) {
        form.selectedRow = row;
        loadSite(ctx);
    }
    EXPECT_TRUE(prompts().empty());
    EXPECT_EQ(form.fields[FormField::Domain], "a.com");
    EXPECT_EQ(form.lockCalls, 0);
}

TEST_F(LoadTest, ShortFirstLineFillsOnlyThePiecesThatExist) {
    // 5 pieces on line 1, and a line 2 whose value holds "||" lifts the count to 21.
    const Text line2 = QM_GBK(
        "选择框6=真||选择框5=假||选择框1=假||选择框2=假||插入关键词=假||插入关键词数=1||"
        "编辑框8=a||b||c||d||编辑框12=||长尾词调用数=3||内链调用数=2||生成数量=20||"
        "间隔时间=60||组合框1=||");
    write_file(profileFile("b.com"), ByteArray("b.com||1.2.3.4||/srv||t||T\r\n" + line2));
    ASSERT_TRUE(readProfile(runDir, "b.com").isComplete());
    loadSite(ctx);
    EXPECT_EQ(form.fields[FormField::Title], "T");
    EXPECT_EQ(form.fields[FormField::Keywords], "");
    EXPECT_EQ(form.fields[FormField::Columns], "");
    EXPECT_TRUE(form.locked);
}

TEST_F(LoadTest, AStoppedLoadLeavesTheForm) {
    std::stop_source stop;
    stop.request_stop();
    loadSite(ctx, stop.get_token());
    EXPECT_EQ(form.fields[FormField::Domain], "a.com");
    EXPECT_EQ(form.lockCalls, 0);
}

// ---- delete --------------------------------------------------------------------------

TEST_F(EditorTest, DeleteNeedsASelectedSite) {
    sites.setCell(0, 1, "");
    for (const int row : {-1, 0}) {
        form.selectedRow = row;
        log.events.clear();
        deleteSite(ctx);
        EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("未选中网站")});
    }
    EXPECT_EQ(tool.calls(), 0);
}

TEST_F(EditorTest, AFailedWebServerDeletionRemovesNothing) {
    addProfile("a.com");
    write_file(databaseFile("a.com"), ByteArray("db"));
    refreshSiteList(ctx);
    form.selectedRow = 0;
    tool.reply("no such site\n");
    deleteSite(ctx);
    EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("删除失败")});
    EXPECT_EQ(tool.lastArgs(), (std::vector<std::string>{"/delete", "a.com"}));
    EXPECT_TRUE(file_exists(profileFile("a.com")));
    EXPECT_TRUE(file_exists(databaseFile("a.com")));
    EXPECT_EQ(gridName(0), "a.com");
}

TEST_F(EditorTest, DeleteRemovesProfileDatabaseAndRowButKeepsTheSiteFolder) {
    addProfile("a.com");
    addProfile("b.com");
    write_file(databaseFile("a.com"), ByteArray("db"));
    make_directory(join_path(install, "a.com"));
    write_file(join_path(join_path(install, "a.com"), "index.html"), ByteArray("page"));
    refreshSiteList(ctx);
    const int rowsBefore = sites.rowCount();
    form.selectedRow = gridName(0) == "a.com" ? 0 : 1;
    tool.succeedDeleting();
    deleteSite(ctx);

    EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("删除成功")});
    EXPECT_FALSE(file_exists(profileFile("a.com")));
    EXPECT_FALSE(file_exists(databaseFile("a.com")));
    EXPECT_TRUE(file_exists(join_path(join_path(install, "a.com"), "index.html")));
    EXPECT_EQ(sites.rowCount(), rowsBefore - 1);
    EXPECT_EQ(gridName(0), "b.com") << "refreshed from the listing";
    EXPECT_EQ(sites.cell(0, 0), "1");
}

TEST_F(EditorTest, DeleteRemovesTheFirstRowHoldingTheNameOnce) {
    // Rows as an earlier listing left them: the name "a.com" is contained once in the
    // earlier row "ba.com" (letter case ignored), twice in "a.coma.com".
    sites.setCell(0, 1, "a.coma.com");
    sites.setCell(1, 1, "BA.COM");
    sites.setCell(2, 1, "x.com");
    sites.setCell(3, 1, "a.com");
    form.selectedRow = 3;
    tool.succeedDeleting();
    deleteSite(ctx);  // no profile files are left, so the refresh changes nothing
    EXPECT_EQ(gridName(0), "a.coma.com");
    EXPECT_EQ(gridName(1), "x.com");
    EXPECT_EQ(gridName(2), "a.com");
    EXPECT_EQ(sites.rowCount(), kSiteListInitialRows - 1);
}

// ---- the grid ------------------------------------------------------------------------

TEST_F(EditorTest, TheGridGetsOneRowPerSiteFrom21Sites) {
    for (int i = 0; i < 20; ++i) addProfile("s" + to_text(i) + ".com");
    refreshSiteList(ctx);
    EXPECT_EQ(sites.rowCount(), kSiteListInitialRows) << "20 sites keep the row count";
    addProfile("s20.com");
    refreshSiteList(ctx);
    EXPECT_EQ(sites.rowCount(), 21);
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(sites.cell(i, 0), to_text(i + 1));
        EXPECT_FALSE(gridName(i).empty());
    }
}

TEST_F(EditorTest, RefreshKeepsRowsAfterTheLastSiteAndAnEmptyFolderChangesNothing) {
    sites.setCell(5, 1, "old.com");
    refreshSiteList(ctx);
    EXPECT_EQ(gridName(5), "old.com");
    addProfile("a.com");
    refreshSiteList(ctx);
    EXPECT_EQ(gridName(0), "a.com");
    EXPECT_EQ(gridName(5), "old.com");
}

TEST_F(EditorTest, EveryTxtIsRemovedFromTheShownName) {
    write_file(join_path(profileFolder(runDir), "x.TXT.txt"), ByteArray("x"));
    refreshSiteList(ctx);
    EXPECT_EQ(gridName(0), "x");
}

TEST_F(EditorTest, AGridWithFewerRowsThanSitesGrows) {
    sites.setRowCount(2);
    for (const char* d : {"a.com", "b.com", "c.com"}) addProfile(d);
    refreshSiteList(ctx);
    EXPECT_EQ(sites.rowCount(), 3);
    EXPECT_FALSE(gridName(2).empty());
}

// ---- small handlers ------------------------------------------------------------------

TEST_F(EditorTest, PickFolderPutsTheChoiceAndACancelClearsTheField) {
    EXPECT_EQ(kPickFolderTitle, QM_GBK("请选择要抽取的文件目录！"));
    pickFolder(form, FormField::CustomLibrary, "/srv/lib");
    EXPECT_EQ(form.fields[FormField::CustomLibrary], "/srv/lib");
    pickFolder(form, FormField::CustomLibrary, "");
    EXPECT_EQ(form.fields[FormField::CustomLibrary], "");
}

TEST_F(EditorTest, TheModeBoxesExcludeEachOtherOnlyWhenChecked) {
    form.checks[FormCheck::News] = true;
    form.checks[FormCheck::CustomArticles] = true;  // the click has just checked it
    modeBoxClicked(form, FormCheck::CustomArticles);
    EXPECT_FALSE(form.checks[FormCheck::News]);
    form.checks[FormCheck::News] = true;
    modeBoxClicked(form, FormCheck::News);
    EXPECT_FALSE(form.checks[FormCheck::CustomArticles]);
    form.checks[FormCheck::News] = false;  // unchecking leaves the other alone
    modeBoxClicked(form, FormCheck::News);
    EXPECT_FALSE(form.checks[FormCheck::CustomArticles]);
    EXPECT_FALSE(form.checks[FormCheck::News]);
}

TEST_F(EditorTest, OnlyTheFirstTwoCategoriesAreOpen) {
    for (const int index : {0, 1}) {
        form.combo = index;
        categoryChanged(form, log, index);
        EXPECT_EQ(form.combo, index);
    }
    EXPECT_TRUE(prompts().empty());
    form.combo = 2;  // " IT互联网"
    categoryChanged(form, log, 2);
    EXPECT_EQ(prompts(), std::vector<Text>{QM_GBK("当前只开放 新闻类 文章，其他类型文章即将开放")});
    EXPECT_EQ(form.combo, 1);
    EXPECT_EQ(form.focusMoves, 3);
}

}  // namespace
}  // namespace qm
