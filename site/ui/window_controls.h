// The controls of the main window, created once from a fixed layout when the window
// is built. Every control carries its name as its objectName (the names other code,
// the site profile file and the tests use); positions and sizes are pixels relative to
// the control's container, as the layout tables give them.
//
// Containers hold their children directly: a child of a tab control is placed relative
// to the tab control's own rectangle (its tab strip is hidden; the pages cover it), so
// the page "网站设置" of 选择夹1 starts 21 pixels above the visible part of 外形框1.
//
// The pointers are owned by Qt's parent tree under the window. Window thread only.
#pragma once

#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace qm::ui {

class DragPicture;
class PressPicture;

inline constexpr int kSideEntries = 4;

struct WindowControls {
    // Header.
    QLabel* band = nullptr;           // 图片框1
    DragPicture* header = nullptr;    // 图片框7
    PressPicture* logo = nullptr;     // 图片框13: opens the home page
    PressPicture* banner = nullptr;   // 图片框11: opens the information page
    QPushButton* minimise = nullptr;  // 图形按钮8
    QPushButton* close = nullptr;     // 图形按钮7

    // Body and side bar.
    QLabel* body = nullptr;                                 // 图片框2
    std::array<PressPicture*, kSideEntries> sideEntries{};  // 标签1 .. 标签4
    std::array<QLabel*, kSideEntries> sideIcons{};          // 图片框3, 5, 6, 4
    PressPicture* infoLink = nullptr;                       // 图片框10
    QLabel* decoration = nullptr;                           // 图片框9
    QLabel* pageArea = nullptr;                             // 图片框8
    QFrame* pageFrame = nullptr;                            // 外形框1
    QTabWidget* pages = nullptr;                            // 选择夹1

    // Page 0 "网站设置".
    QTableWidget* siteGrid = nullptr;     // 高级表格1 (SiteList)
    QTabWidget* formTabs = nullptr;       // 选择夹2
    QGroupBox* buttonGroup = nullptr;     // 分组框3
    QPushButton* newButton = nullptr;     // 超级按钮9 "新建"
    QPushButton* saveButton = nullptr;    // 超级按钮7 "保存"
    QPushButton* deleteButton = nullptr;  // 超级按钮3 "删除"
    QPushButton* startButton = nullptr;   // 超级按钮11 "启动"
    QPushButton* stopButton = nullptr;    // 超级按钮12 "停止"
    QPushButton* modifyButton = nullptr;  // 超级按钮2 "修 改", hidden
    QLineEdit* interval = nullptr;        // 间隔时间

    // The settings form, page "设置" of 选择夹2.
    QLineEdit* domain = nullptr;              // 编辑框域名
    QLineEdit* ip = nullptr;                  // 编辑框IP
    QLineEdit* installPath = nullptr;         // 编辑框安装路径
    QLineEdit* templateName = nullptr;        // 编辑框模板
    QLineEdit* title = nullptr;               // 编辑框标题
    QLineEdit* keywords = nullptr;            // 编辑框关键词
    QLineEdit* description = nullptr;         // 编辑框描述
    QLineEdit* columns = nullptr;             // 编辑框栏目
    QPushButton* installPick = nullptr;       // 超级按钮4
    QLabel* functionHeading = nullptr;        // 标签12
    QLineEdit* generateCount = nullptr;       // 生成数量
    QCheckBox* news = nullptr;                // 选择框6
    QCheckBox* custom = nullptr;              // 选择框5
    QLineEdit* customLibrary = nullptr;       // 编辑框8
    QPushButton* customPick = nullptr;        // 超级按钮6
    QCheckBox* longTail = nullptr;            // 选择框1
    QLineEdit* longTailCount = nullptr;       // 长尾词调用数
    QLineEdit* longTailLibrary = nullptr;     // 编辑框12
    QPushButton* longTailPick = nullptr;      // 超级按钮8
    QCheckBox* internalLinks = nullptr;       // 选择框2
    QLineEdit* internalLinkCount = nullptr;   // 内链调用数
    QCheckBox* insertKeywords = nullptr;      // 插入关键词
    QLineEdit* insertKeywordCount = nullptr;  // 插入关键词数
    QComboBox* category = nullptr;            // 组合框1, hidden

    // Page 1 "生成设置".
    QPlainTextEdit* log = nullptr;  // 日志 (RunLog)
};

// Builds every control of the window into window (the top-level widget).
void buildWindow(QWidget* window, WindowControls& controls);

// Parts of buildWindow, one per region.
void buildSitePage(QWidget* page, WindowControls& controls);
void buildSettingsForm(QWidget* page, WindowControls& controls);

}  // namespace qm::ui
