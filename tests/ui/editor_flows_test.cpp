// The site editor driven through the window's buttons, grid and check boxes: new,
// save (new site and existing site), load, delete, the grid's row rule, the folder
// pickers, the mode boxes and the category list, with every message they show.
#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include <filesystem>
#include <set>

#include "engine/site_list.h"
#include "site/domain_rules.h"
#include "ui/ui_test_support.h"

namespace qm::test {
namespace {

class EditorFlowsTest : public WindowTest {
  protected:
    void SetUp() override { openWindow(); }

    std::string profileText(const std::string& domain) {
        return readText(runDir + "/数据库/list/" + domain + ".txt");
    }
    QString gridCell(int row, int column) const {
        const QTableWidgetItem* item = c().siteGrid->item(row, column);
        return item != nullptr ? item->text() : QString();
    }
    void expectIdentityLocked(bool locked) const {
        for (QWidget* w :
             {static_cast<QWidget*>(c().domain), static_cast<QWidget*>(c().ip),
              static_cast<QWidget*>(c().installPath), static_cast<QWidget*>(c().templateName),
              static_cast<QWidget*>(c().installPick)}) {
            EXPECT_EQ(w->isEnabled(), !locked) << w->objectName().toStdString();
        }
        // The identity fields show their state in their background.
        const QColor expected = locked ? QColor(0xF0, 0xF0, 0xF0) : QColor(0xFF, 0xFF, 0xFF);
        for (QLineEdit* edit : {c().domain, c().ip, c().installPath, c().templateName}) {
            const QImage picture = edit->grab().toImage();
            EXPECT_EQ(picture.pixelColor(edit->width() - 4, edit->height() / 2), expected)
                << edit->objectName().toStdString();
        }
    }
};

TEST_F(EditorFlowsTest, SavingANewSiteCreatesItAndListsItInTheGrid) {
    tool.succeedCreating();
    fillBasic(QStringLiteral("news.example.com"));
    clickAndSettle(c().saveButton);

    EXPECT_EQ(promptTexts(), std::vector<QString>{u("恭喜你：网站配置成功")});
    EXPECT_EQ(prompts.back().owner, window.get());
    EXPECT_EQ(prompts.back().icon, QMessageBox::Information);
    EXPECT_EQ(logText(),
              u("绑定IIS\n创建网站路径\n复制模板文件\n保存配置\n恭喜你：网站配置成功\n"));
    EXPECT_EQ(tool.calls(), 1);
    // The profile holds GBK bytes.
    EXPECT_EQ(profileText("news.example.com"),
              QM_GBK("news.example.com||127.0.0.1||") + install +
                  QM_GBK("||t1||标题一||关键词||描述||新闻,图片\r\n"
                         "选择框6=真||选择框5=假||选择框1=假||选择框2=假||插入关键词=假||"
                         "插入关键词数=1||编辑框8=||编辑框12=||长尾词调用数=3||"
                         "内链调用数=2||生成数量=20||间隔时间=60||组合框1=||"));
    EXPECT_TRUE(std::filesystem::is_directory(install + "/news.example.com/html"));
    // The grid lists the site, with the empty row added after a creation.
    EXPECT_EQ(gridCell(0, 0), u("1"));
    EXPECT_EQ(gridCell(0, 1), u("news.example.com"));
    EXPECT_EQ(c().siteGrid->rowCount(), 26);
    for (QLineEdit* edit : {c().domain, c().ip, c().installPath, c().templateName, c().title,
                            c().keywords, c().description, c().columns}) {
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    }
    EXPECT_TRUE(c().saveButton->isEnabled());
}

TEST_F(EditorFlowsTest, SavingAKnownDomainRewritesItsProfileOnly) {
    addProfile("news.example.com");
    fillBasic(QStringLiteral("news.example.com"));
    c().title->setText(QStringLiteral("New title"));
    clickAndSettle(c().saveButton);

    EXPECT_EQ(promptTexts(), std::vector<QString>{u("修改成功")});
    EXPECT_EQ(tool.calls(), 0);
    EXPECT_NE(profileText("news.example.com").find("||New title||"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(install + "/news.example.com"));
    EXPECT_EQ(gridCell(0, 1), u("news.example.com"));
    EXPECT_EQ(c().siteGrid->rowCount(), 25);
    EXPECT_TRUE(c().saveButton->isEnabled());
}

TEST_F(EditorFlowsTest, SaveRefusesIncompleteFormsWithTheirMessages) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
        const char* message;  // nullptr: the refused-domain prompt
    };
    const Case cases[] = {
        {"empty column field", [&] { c().columns->clear(); }, "基本设置中有内容没有填写"},
        {"empty domain", [&] { c().domain->clear(); }, "基本设置中有内容没有填写"},
        {"custom articles without a library",
         [&] { QTest::mouseClick(c().custom, Qt::LeftButton); }, "自定义文章，必须填写文章库路径"},
        {"long-tail words without a library", [&] { c().longTail->setChecked(true); },
         "开启长尾词，必须填写长尾词库的路径"},
        {"a domain that cannot name a site", [&] { c().domain->setText(u("bad domain;")); },
         nullptr},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        {
            std::lock_guard lock(promptMutex);
            prompts.clear();
        }
        fillBasic(QStringLiteral("news.example.com"));
        c().custom->setChecked(false);
        c().news->setChecked(true);
        c().longTail->setChecked(false);
        test.prepare();
        clickAndSettle(c().saveButton);
        const QString expected = test.message != nullptr
                                     ? u(test.message)
                                     : QString::fromStdString(gbk_to_utf8(kBadDomainPrompt));
        EXPECT_EQ(promptTexts(), std::vector<QString>{expected});
        EXPECT_TRUE(c().saveButton->isEnabled());
        EXPECT_EQ(tool.calls(), 0);
        EXPECT_FALSE(std::filesystem::exists(runDir + "/数据库/list/news.example.com.txt"));
    }
}

TEST_F(EditorFlowsTest, ANewSiteTheWebServerRefusesLeavesNothingBehind) {
    tool.reply("iisweb: a site of that name exists\n");
    fillBasic(QStringLiteral("news.example.com"));
    clickAndSettle(c().saveButton);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("创建失败")});
    EXPECT_EQ(tool.calls(), 1);
    EXPECT_FALSE(std::filesystem::exists(runDir + "/数据库/list/news.example.com.txt"));
    EXPECT_FALSE(std::filesystem::exists(install + "/news.example.com"));
    EXPECT_TRUE(gridCell(0, 1).isEmpty());
    EXPECT_EQ(c().domain->text(), u("news.example.com")) << "the form is kept for a retry";
    EXPECT_TRUE(c().saveButton->isEnabled());
}

TEST_F(EditorFlowsTest, SelectingARowLoadsTheSiteAndLocksItsIdentity) {
    SiteSettings s;
    s.domain = "blog.example.com";
    s.ip = "10.0.0.7";
    s.installFolder = install;
    s.templateName = "t1";
    s.title = QM_GBK("博客");
    s.keywords = "k1,k2";
    s.description = "d";
    s.columns = "c1,c2";
    s.news = false;
    s.longTail = true;
    s.longTailFolder = "/data/words";
    s.keywordLinks = true;
    s.keywordLinkCount = "4";
    s.generateCount = "9";
    s.comboText = QM_GBK(" 热门新闻");
    s.intervalMinutes = "15";
    writeProfile(runDir, s);
    refreshSiteList(window->runContext().siteList(), runDir);
    QCoreApplication::processEvents();
    c().interval->setText(QStringLiteral("60"));

    selectRow(0);
    EXPECT_TRUE(promptTexts().empty());
    EXPECT_EQ(c().domain->text(), u("blog.example.com"));
    EXPECT_EQ(c().ip->text(), u("10.0.0.7"));
    EXPECT_EQ(c().title->text(), u("博客"));
    EXPECT_EQ(c().columns->text(), u("c1,c2"));
    EXPECT_FALSE(c().news->isChecked());
    EXPECT_TRUE(c().custom->isChecked());
    EXPECT_TRUE(c().longTail->isChecked());
    EXPECT_TRUE(c().insertKeywords->isChecked());
    EXPECT_EQ(c().longTailLibrary->text(), u("/data/words"));
    EXPECT_EQ(c().insertKeywordCount->text(), u("4"));
    EXPECT_EQ(c().generateCount->text(), u("9"));
    EXPECT_EQ(c().category->currentIndex(), 1);
    EXPECT_EQ(c().interval->text(), u("60")) << "the interval is never loaded";
    expectIdentityLocked(true);

    // 新建 clears the site's own fields and frees the identity fields again.
    clickAndSettle(c().newButton);
    for (QLineEdit* edit :
         {c().domain, c().templateName, c().title, c().keywords, c().description, c().columns}) {
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    }
    EXPECT_EQ(c().ip->text(), u("10.0.0.7"));
    EXPECT_EQ(c().installPath->text(), QString::fromStdString(install));
    EXPECT_EQ(c().generateCount->text(), u("9"));
    expectIdentityLocked(false);
}

TEST_F(EditorFlowsTest, SelectingAnIncompleteProfileLeavesTheFormAsItWas) {
    writeText(runDir + "/数据库/list/broken.example.com.txt", "broken.example.com||1.2.3.4");
    refreshSiteList(window->runContext().siteList(), runDir);
    QCoreApplication::processEvents();
    c().title->setText(QStringLiteral("kept"));
    selectRow(0);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("配置数据不完整")});
    EXPECT_EQ(c().title->text(), u("kept"));
    expectIdentityLocked(false);
}

TEST_F(EditorFlowsTest, DeleteRemovesTheSelectedSite) {
    addProfile("a.example.com");
    addProfile("b.example.com");
    writeText(runDir + "/数据库/b.example.com.mdb", "db");
    refreshSiteList(window->runContext().siteList(), runDir);
    QCoreApplication::processEvents();
    const int row = gridCell(0, 1) == u("b.example.com") ? 0 : 1;
    selectRow(row);
    tool.succeedDeleting();
    click(c().deleteButton);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("删除成功")});
    EXPECT_FALSE(std::filesystem::exists(runDir + "/数据库/list/b.example.com.txt"));
    EXPECT_FALSE(std::filesystem::exists(runDir + "/数据库/b.example.com.mdb"));
    EXPECT_EQ(gridCell(0, 1), u("a.example.com"));
    EXPECT_EQ(gridCell(0, 0), u("1"));
    EXPECT_EQ(c().siteGrid->rowCount(), 24);
    // The row that moved under the cursor was not loaded: only the operator selects.
    window->waitForEditorWork();
    EXPECT_EQ(promptTexts().size(), 1u);
}

TEST_F(EditorFlowsTest, DeleteReportsNoSelectionAndAFailedRemoval) {
    click(c().deleteButton);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("未选中网站")});

    addProfile("a.example.com");
    refreshSiteList(window->runContext().siteList(), runDir);
    QCoreApplication::processEvents();
    selectRow(3);  // an empty row
    click(c().deleteButton);
    selectRow(0);
    tool.reply("no such site\n");
    click(c().deleteButton);
    EXPECT_EQ(promptTexts(),
              (std::vector<QString>{u("未选中网站"), u("未选中网站"), u("删除失败")}));
    EXPECT_TRUE(std::filesystem::exists(runDir + "/数据库/list/a.example.com.txt"));
    EXPECT_EQ(gridCell(0, 1), u("a.example.com"));
}

TEST_F(EditorFlowsTest, DeleteDuringASaveWaitsUntilTheSaveHasUsedTheTool) {
    // The tool holds a creation until the file "go" appears and records the order.
    const std::string folder = dir.path();
    writeScript(tool.path(), "cd '" + folder +
                                 "'\n"
                                 "if [ \"$1\" = /create ]; then\n"
                                 "  echo create-start >> order\n"
                                 "  for i in $(seq 600); do [ -e go ] && break; sleep 0.05; done\n"
                                 "  echo create-end >> order; echo 'Metabase Path = W3SVC/1'\n"
                                 "else\n"
                                 "  echo delete >> order; echo 'Server W3SVC/1 has been DELETED'\n"
                                 "fi\n");
    addProfile("old.example.com");
    refreshSiteList(window->runContext().siteList(), runDir);
    QCoreApplication::processEvents();
    fillBasic(QStringLiteral("new.example.com"));
    c().siteGrid->setCurrentCell(0, 1);
    window->waitForEditorWork();
    fillBasic(QStringLiteral("new.example.com"));

    click(c().saveButton);
    QTimer::singleShot(50, [&] { writeText(folder + "/go", ""); });
    click(c().deleteButton);
    window->waitForEditorWork();
    EXPECT_EQ(readText(folder + "/order"), "create-start\ncreate-end\ndelete\n");
    EXPECT_EQ(promptTexts(), (std::vector<QString>{u("恭喜你：网站配置成功"), u("删除成功")}));
}

TEST_F(EditorFlowsTest, GridGrowsToTheProfileCountFromTwentyOneProfilesOn) {
    for (int i = 1; i <= 20; ++i) addProfile("s" + std::to_string(i) + ".example.com");
    fillBasic(QStringLiteral("s1.example.com"));
    c().keywords->setText(QStringLiteral("twenty"));
    clickAndSettle(c().saveButton);
    EXPECT_EQ(c().siteGrid->rowCount(), 25) << "20 profiles keep the row count";

    // A 21st site, created through the form: 21 rows, plus the empty row of a creation.
    tool.succeedCreating();
    fillBasic(QStringLiteral("s21.example.com"));
    clickAndSettle(c().saveButton);
    ASSERT_EQ(promptTexts().back(), u("恭喜你：网站配置成功"));
    EXPECT_EQ(c().siteGrid->rowCount(), 22);
    std::set<QString> listed;
    for (int row = 0; row < 21; ++row) {
        EXPECT_EQ(gridCell(row, 0), QString::number(row + 1));
        listed.insert(gridCell(row, 1));
    }
    EXPECT_EQ(listed.size(), 21u);
    EXPECT_TRUE(listed.count(u("s21.example.com")));
    EXPECT_TRUE(gridCell(21, 1).isEmpty());
}

TEST_F(EditorFlowsTest, ModeBoxesExcludeEachOtherOnlyWhenChecked) {
    QTest::mouseClick(c().custom, Qt::LeftButton);
    EXPECT_TRUE(c().custom->isChecked());
    EXPECT_FALSE(c().news->isChecked());
    QTest::mouseClick(c().news, Qt::LeftButton);
    EXPECT_TRUE(c().news->isChecked());
    EXPECT_FALSE(c().custom->isChecked());
    // Unchecking one never checks the other.
    QTest::mouseClick(c().news, Qt::LeftButton);
    EXPECT_FALSE(c().news->isChecked());
    EXPECT_FALSE(c().custom->isChecked());
}

TEST_F(EditorFlowsTest, OnlyNewsCategoriesMayBeChosen) {
    c().category->setCurrentIndex(2);  // " IT互联网"
    EXPECT_EQ(promptTexts(),
              std::vector<QString>{u("当前只开放 新闻类 文章，其他类型文章即将开放")});
    EXPECT_EQ(c().category->currentIndex(), 1);
    EXPECT_EQ(c().category->currentText(), u(" 热门新闻"));
    EXPECT_EQ(window->focusWidget(), c().functionHeading);
    c().category->setCurrentIndex(0);
    EXPECT_EQ(promptTexts().size(), 1u);
}

TEST_F(EditorFlowsTest, LoadingASiteRestoresItsCategoryWithoutTreatingItAsAChoice) {
    // Selecting the stored category is the editor's doing, not the operator's: no
    // restriction message, the stored item stays selected and the focus stays put.
    for (const char* stored : {" 热门新闻", " IT互联网", " 软件提供文章"}) {
        SCOPED_TRACE(stored);
        prompts.clear();
        SiteSettings s;
        s.domain = "c.example.com";
        s.ip = "127.0.0.1";
        s.installFolder = install;
        s.templateName = "t1";
        s.title = "T";
        s.keywords = "K";
        s.description = "D";
        s.columns = "C";
        s.comboText = utf8_to_gbk(stored);
        writeProfile(runDir, s);
        refreshSiteList(window->runContext().siteList(), runDir);
        QCoreApplication::processEvents();
        c().siteGrid->setCurrentCell(-1, -1);
        selectRow(0);
        EXPECT_TRUE(promptTexts().empty());
        EXPECT_EQ(c().category->currentText(), u(stored));
        EXPECT_NE(window->focusWidget(), c().functionHeading);
    }
}

TEST_F(EditorFlowsTest, FolderPickersFillTheirFieldsAndACancelClearsThem) {
    const std::pair<QPushButton*, QLineEdit*> pickers[] = {
        {c().installPick, c().installPath},
        {c().customPick, c().customLibrary},
        {c().longTailPick, c().longTailLibrary},
    };
    for (const auto& [button, field] : pickers) {
        SCOPED_TRACE(button->objectName().toStdString());
        pickerAnswer = u("/srv/站点");
        click(button);
        EXPECT_EQ(field->text(), u("/srv/站点"));
        pickerAnswer.clear();
        click(button);
        EXPECT_TRUE(field->text().isEmpty());
    }
    ASSERT_EQ(pickerTitles.size(), 6u);
    for (const QString& title : pickerTitles) EXPECT_EQ(title, u("请选择要抽取的文件目录！"));
}

}  // namespace
}  // namespace qm::test
