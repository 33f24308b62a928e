// The window as it opens: every control of the layout with its name, kind, caption,
// container, place and size and hidden state, the defaults of the form, and the
// window's own properties.
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <set>

#include "ui/ui_test_support.h"

namespace qm::test {
namespace {

struct ControlRow {
    const char* name;
    const char* kind;       // Qt class the control is
    const char* caption;    // text, or nullptr when the control shows none
    const char* container;  // objectName of the parent (or of the frame's parent)
    QRect place;
    bool hidden;
    QRect frame = {};  // the unnamed frame a button sits in, when it has one
};

const ControlRow kControls[] = {
    // Header.
    {"图片框1", "QLabel", nullptr, "MainWindow", {0, 0, 1072, 104}, false},
    {"图片框7", "QLabel", nullptr, "MainWindow", {0, 0, 1080, 96}, false},
    {"图片框13", "QLabel", nullptr, "图片框7", {5, 22, 62, 53}, false},
    {"图片框11", "QLabel", nullptr, "图片框7", {64, 22, 128, 58}, false},
    {"图形按钮8", "QPushButton", "", "图片框7", {1011, 0, 33, 22}, false},
    {"图形按钮7", "QPushButton", "", "图片框7", {1044, 0, 33, 22}, false},
    // Body and side bar.
    {"图片框2", "QLabel", nullptr, "MainWindow", {0, 95, 1072, 524}, false},
    {"标签1", "QLabel", "网站设置", "图片框2", {0, 25, 180, 30}, false},
    {"图片框3", "QLabel", nullptr, "图片框2", {22, 24, 32, 32}, false},
    {"标签2", "QLabel", "运行日志", "图片框2", {0, 72, 180, 30}, false},
    {"图片框5", "QLabel", nullptr, "图片框2", {23, 72, 32, 32}, false},
    {"标签3", "QLabel", "友链管理", "图片框2", {0, 120, 180, 30}, true},
    {"图片框6", "QLabel", nullptr, "图片框2", {22, 119, 32, 32}, true},
    {"标签4", "QLabel", "无限模板", "图片框2", {0, 167, 180, 30}, true},
    {"图片框4", "QLabel", nullptr, "图片框2", {24, 166, 31, 32}, true},
    {"图片框10", "QLabel", nullptr, "图片框2", {21, 476, 46, 41}, false},
    {"图片框9", "QLabel", nullptr, "图片框2", {-14, 473, 15, 60}, false},
    {"图片框8", "QLabel", nullptr, "图片框2", {181, 0, 896, 521}, false},
    {"外形框1", "QFrame", nullptr, "图片框8", {7, 0, 877, 517}, false},
    {"选择夹1", "QTabWidget", nullptr, "外形框1", {0, -21, 884, 542}, false},
    // Page 0.
    {"标签13", "QLabel", " 网站列表", "选择夹1/网站设置", {8, 28, 320, 24}, false},
    {"高级表格1", "QTableWidget", nullptr, "选择夹1/网站设置", {8, 52, 320, 480}, false},
    {"选择夹2", "QTabWidget", nullptr, "选择夹1/网站设置", {329, 17, 552, 445}, false},
    {"标签18", "QLabel", " 操作按钮", "选择夹1/网站设置", {337, 463, 533, 24}, false},
    {"分组框3", "QGroupBox", nullptr, "选择夹1/网站设置", {337, 481, 534, 52}, false},
    {"超级按钮9", "QPushButton", "新建", "分组框3", {2, 2, 91, 29}, false, {9, 12, 95, 33}},
    {"超级按钮7", "QPushButton", "保存", "分组框3", {2, 2, 91, 29}, false, {114, 12, 95, 33}},
    {"超级按钮3", "QPushButton", "删除", "分组框3", {2, 2, 91, 29}, false, {218, 12, 95, 33}},
    {"超级按钮11", "QPushButton", "启动", "分组框3", {2, 2, 91, 29}, false, {323, 12, 95, 33}},
    {"超级按钮12", "QPushButton", "停止", "分组框3", {2, 2, 91, 29}, false, {427, 12, 95, 33}},
    {"超级按钮2", "QPushButton", "修 改", "分组框3", {183, 43, 78, 32}, true},
    {"标签15", "QLabel", "循环挂机间隔(分)", "选择夹1/网站设置", {693, 464, 112, 20}, false},
    {"间隔时间", "QLineEdit", "60", "选择夹1/网站设置", {806, 465, 53, 20}, false},
    // The settings form.
    {"标签14", "QLabel", " 基本设置", "选择夹2/设置", {8, 11, 533, 24}, false},
    {"分组框2", "QGroupBox", nullptr, "选择夹2/设置", {8, 29, 534, 219}, false},
    {"标签5", "QLabel", "域名", "分组框2", {2, 17, 56, 23}, false},
    {"编辑框域名", "QLineEdit", "", "分组框2", {62, 17, 303, 23}, false},
    {"标签20", "QLabel", "IP", "分组框2", {373, 19, 30, 21}, false},
    {"编辑框IP", "QLineEdit", "", "分组框2", {415, 17, 104, 23}, false},
    {"标签6", "QLabel", "路径", "分组框2", {2, 50, 56, 23}, false},
    {"编辑框安装路径", "QLineEdit", "", "分组框2", {62, 50, 238, 23}, false},
    {"超级按钮4", "QPushButton", "选择", "分组框2", {2, 2, 56, 23}, false, {305, 48, 60, 27}},
    {"标签7", "QLabel", "模板", "分组框2", {371, 49, 36, 23}, false},
    {"编辑框模板", "QLineEdit", "", "分组框2", {415, 50, 104, 23}, false},
    {"标签9", "QLabel", "标题", "分组框2", {2, 83, 56, 23}, false},
    {"编辑框标题", "QLineEdit", "", "分组框2", {62, 83, 458, 23}, false},
    {"标签8", "QLabel", "关键词", "分组框2", {2, 116, 56, 23}, false},
    {"编辑框关键词", "QLineEdit", "", "分组框2", {62, 116, 458, 23}, false},
    {"标签10", "QLabel", "描述", "分组框2", {2, 149, 56, 23}, false},
    {"编辑框描述", "QLineEdit", "", "分组框2", {62, 149, 458, 23}, false},
    {"标签11", "QLabel", "栏目", "分组框2", {2, 183, 56, 23}, false},
    {"编辑框栏目", "QLineEdit", "", "分组框2", {62, 183, 458, 23}, false},
    {"标签12", "QLabel", " 功能设置", "选择夹2/设置", {8, 258, 533, 24}, false},
    {"标签24", "QLabel", "每次生成文章数量", "选择夹2/设置", {354, 260, 115, 17}, false},
    {"生成数量", "QLineEdit", "20", "选择夹2/设置", {477, 260, 53, 20}, false},
    {"分组框1", "QGroupBox", nullptr, "选择夹2/设置", {8, 276, 534, 161}, false},
    {"选择框6", "QCheckBox", "自动采集新闻", "分组框1", {16, 21, 92, 17}, false},
    {"选择框5", "QCheckBox", "导入自定义文章", "分组框1", {124, 21, 110, 17}, false},
    {"编辑框8", "QLineEdit", "", "分组框1", {246, 18, 207, 23}, false},
    {"超级按钮6", "QPushButton", "选择", "分组框1", {2, 2, 56, 23}, false, {462, 16, 60, 27}},
    {"选择框1", "QCheckBox", "开启长尾词", "分组框1", {17, 57, 99, 17}, false},
    {"标签16", "QLabel", "调用数", "分组框1", {135, 52, 54, 23}, false},
    {"长尾词调用数", "QLineEdit", "3", "分组框1", {193, 52, 43, 23}, false},
    {"编辑框12", "QLineEdit", "", "分组框1", {246, 52, 207, 23}, false},
    {"超级按钮8", "QPushButton", "选择", "分组框1", {2, 2, 56, 23}, false, {463, 50, 60, 27}},
    {"选择框2", "QCheckBox", "文章插入内链", "分组框1", {17, 94, 104, 17}, false},
    {"标签17", "QLabel", "调用数", "分组框1", {135, 88, 54, 23}, false},
    {"内链调用数", "QLineEdit", "2", "分组框1", {193, 89, 43, 23}, false},
    {"插入关键词", "QCheckBox", "文章插入关键词", "分组框1", {17, 130, 104, 17}, false},
    {"标签22", "QLabel", "调用数", "分组框1", {135, 127, 54, 23}, false},
    {"插入关键词数", "QLineEdit", "1", "分组框1", {193, 126, 44, 23}, false},
    {"组合框1", "QComboBox", nullptr, "选择夹2/设置", {560, 208, 114, 20}, true},
    // Page 1.
    {"标签19", "QLabel", " 运行日志", "选择夹1/生成设置", {8, 28, 860, 24}, false},
    {"日志", "QPlainTextEdit", "", "选择夹1/生成设置", {8, 52, 860, 480}, false},
};

QString captionOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) return box->toPlainText();
    return {};
}

class WindowLayoutTest : public WindowTest {
  protected:
    void SetUp() override { openWindow(); }
};

TEST_F(WindowLayoutTest, EveryControlHasItsNameKindCaptionContainerPlaceAndVisibility) {
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        auto* widget = window->findChild<QWidget*>(u(row.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(window->findChildren<QWidget*>(u(row.name)).size(), 1) << "name is unique";
        EXPECT_TRUE(widget->inherits(row.kind)) << widget->metaObject()->className();
        if (row.caption != nullptr) {
            EXPECT_EQ(captionOf(widget), u(row.caption));
        }
        EXPECT_EQ(widget->geometry(), row.place);
        EXPECT_EQ(widget->isHidden(), row.hidden);
        EXPECT_TRUE(widget->isEnabled());
        QWidget* parent = widget->parentWidget();
        if (!row.frame.isNull()) {
            ASSERT_NE(parent, nullptr);
            EXPECT_EQ(parent->geometry(), row.frame);
            parent = parent->parentWidget();
        }
        ASSERT_NE(parent, nullptr);
        EXPECT_EQ(parent->objectName(), u(row.container));
    }
}

TEST_F(WindowLayoutTest, WindowIsBorderlessWithItsTitleIconPlaceAndHandCursor) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmoor"));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->geometry(), QRect(50, 50, 1073, 620));
    EXPECT_FALSE(window->windowIcon().pixmap(48, 48).isNull());
    EXPECT_EQ(window->windowIcon().availableSizes().value(0), QSize(48, 48));
    EXPECT_EQ(window->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(c().siteGrid->viewport()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(c().sideEntries[0]->cursor().shape(), Qt::PointingHandCursor);
    // The frame around the pages is the window's colour #343E47.
    const QImage picture = window->grab().toImage();
    EXPECT_EQ(picture.pixelColor(90, 300), QColor(0x34, 0x3E, 0x47));
}

TEST_F(WindowLayoutTest, CaptionsUseAFontWithChineseGlyphs) {
    const QFont font = c().sideEntries[0]->font();
    EXPECT_EQ(font.family(), u("微软雅黑"));
    const QFontInfo info(font);
    SCOPED_TRACE(info.family().toStdString());
    // The face actually used draws the captions' characters.
    const QFontMetrics metrics(font);
    for (const QChar ch : u("网站设置运行日志循环挂机间隔")) {
        EXPECT_TRUE(metrics.inFont(ch)) << static_cast<int>(ch.unicode());
    }
}

TEST_F(WindowLayoutTest, OpensOnTheSitePageWithTheFormAtItsDefaults) {
    EXPECT_EQ(c().pages->currentIndex(), 0);
    EXPECT_EQ(c().formTabs->currentIndex(), 0);
    // Neither tab strip is in sight: the side bar is the only way between pages.
    EXPECT_FALSE(c().pages->tabBar()->isVisible());
    EXPECT_FALSE(c().formTabs->tabBar()->isVisible());
    const QStringList pageNames = {u("网站设置"), u("生成设置"), u("友链管理"), u("无限模板"),
                                   u("仓库")};
    ASSERT_EQ(c().pages->count(), pageNames.size());
    for (int i = 0; i < pageNames.size(); ++i) EXPECT_EQ(c().pages->tabText(i), pageNames[i]);
    EXPECT_EQ(c().formTabs->tabText(0), u("设置"));
    EXPECT_EQ(c().formTabs->tabText(1), u("日志"));
    // A page covers its tab control, so page 0's top 21 pixels lie above 外形框1.
    EXPECT_EQ(c().pages->widget(0)->geometry(), QRect(0, 0, 884, 542));
    EXPECT_EQ(c().pages->widget(4)->findChildren<QWidget*>().size(), 0);

    for (QLineEdit* edit :
         {c().domain, c().ip, c().installPath, c().templateName, c().title, c().keywords,
          c().description, c().columns, c().customLibrary, c().longTailLibrary}) {
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    }
    EXPECT_EQ(c().generateCount->text(), u("20"));
    EXPECT_EQ(c().interval->text(), u("60"));
    EXPECT_EQ(c().insertKeywordCount->text(), u("1"));
    EXPECT_EQ(c().internalLinkCount->text(), u("2"));
    EXPECT_EQ(c().longTailCount->text(), u("3"));
    for (QLineEdit* centred : {c().templateName, c().generateCount, c().interval,
                               c().insertKeywordCount, c().internalLinkCount, c().longTailCount}) {
        EXPECT_TRUE(centred->alignment() & Qt::AlignHCenter) << centred->objectName().toStdString();
    }
    EXPECT_TRUE(c().news->isChecked());
    for (QCheckBox* box : {c().custom, c().longTail, c().internalLinks, c().insertKeywords}) {
        EXPECT_FALSE(box->isChecked());
    }
    ASSERT_EQ(c().category->count(), 10);
    EXPECT_EQ(c().category->itemText(0), u(" 软件提供文章"));
    EXPECT_EQ(c().category->itemText(1), u(" 热门新闻"));
    EXPECT_EQ(c().category->itemText(9), u(" 教育培训"));
    EXPECT_EQ(c().category->currentIndex(), -1);

    EXPECT_FALSE(window->watchdogTimer()->isActive());
    EXPECT_EQ(window->watchdogTimer()->objectName(), u("时钟1"));
    EXPECT_TRUE(c().log->toPlainText().isEmpty());
    // No side-bar entry is highlighted.
    for (ui::PressPicture* entry : c().sideEntries)
        EXPECT_EQ(entry->background(), ui::kWindowColour);
}

TEST_F(WindowLayoutTest, SiteGridWithoutProfilesOpensEmptyWithTwentyFiveRowsAndNoHeaders) {
    QTableWidget* grid = c().siteGrid;
    EXPECT_EQ(grid->rowCount(), 25);
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_FALSE(grid->horizontalHeader()->isVisible());
    EXPECT_FALSE(grid->verticalHeader()->isVisible());
    for (int row = 0; row < grid->rowCount(); ++row) {
        EXPECT_EQ(grid->rowHeight(row), 23);
        for (int column = 0; column < 2; ++column) {
            const QTableWidgetItem* item = grid->item(row, column);
            EXPECT_TRUE(item == nullptr || item->text().isEmpty());
        }
    }
    EXPECT_EQ(window->runContext().siteList().rowCount(), 25);
}

TEST_F(WindowTest, SitesConfiguredBeforeStartUpAreListedSoTheFirstStartRunsThem) {
    addProfile("a.example.com", "20", true);
    addProfile("b.example.com", "5", false);
    openWindow(&holdingClock);
    std::set<QString> listed;
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(c().siteGrid->item(row, 0)->text(), QString::number(row + 1));
        listed.insert(c().siteGrid->item(row, 1)->text());
    }
    EXPECT_EQ(listed, (std::set<QString>{u("a.example.com"), u("b.example.com")}));
    EXPECT_EQ(c().siteGrid->rowCount(), 25);
    QTest::mouseClick(c().startButton, Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return logText().contains(u("分")); }));
    EXPECT_TRUE(logText().startsWith(u("此次任务需要采集文章：20，需要本地文章：5\n")));
    QTest::mouseClick(c().stopButton, Qt::LeftButton);
}

}  // namespace
}  // namespace qm::test
