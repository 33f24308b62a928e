// The frame of the window: header, side bar, the page container and the log page.
// The site page and the settings form are built in their own files.
#include <QFrame>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "site/ui/layout_kit.h"
#include "site/ui/pictures.h"
#include "site/ui/press_picture.h"
#include "site/ui/window_controls.h"
#include "site/ui/window_look.h"

namespace qm::ui {

namespace {

QLabel* picture(QWidget* parent, const QString& name, int x, int y, int w, int h,
                const QPixmap& pixmap) {
    auto* label = place<QLabel>(parent, name, x, y, w, h);
    label->setPixmap(pixmap);
    return label;
}

template <class W>
W* pictureOf(QWidget* parent, const QString& name, int x, int y, int w, int h,
             const QPixmap& pixmap) {
    auto* label = place<W>(parent, name, x, y, w, h);
    label->setPixmap(pixmap);
    return label;
}

QPushButton* imageButton(QWidget* parent, const QString& name, int x, int y, int w, int h,
                         const QIcon& icon, const char* look) {
    auto* button = place<QPushButton>(parent, name, x, y, w, h);
    button->setIcon(icon);
    button->setIconSize(QSize(w, h));
    button->setFocusPolicy(Qt::NoFocus);
    setLook(button, look);
    return button;
}

void buildHeader(QWidget* window, WindowControls& c) {
    c.band = picture(window, QStringLiteral("图片框1"), 0, 0, 1072, 104, bandPicture(1072, 104));
    c.header = pictureOf<DragPicture>(window, QStringLiteral("图片框7"), 0, 0, 1080, 96,
                                      headerPicture(1080, 96));
    c.logo = pictureOf<PressPicture>(c.header, QStringLiteral("图片框13"), 5, 22, 62, 53,
                                     logoPicture(62, 53));
    c.banner = pictureOf<PressPicture>(c.header, QStringLiteral("图片框11"), 64, 22, 128, 58,
                                       bannerPicture(128, 58));
    c.minimise = imageButton(c.header, QStringLiteral("图形按钮8"), 1011, 0, 33, 22,
                             minimiseImage(33, 22), "image");
    c.close = imageButton(c.header, QStringLiteral("图形按钮7"), 1044, 0, 33, 22,
                          closeImage(33, 22), "close");
}

void buildSideBar(WindowControls& c) {
    struct Entry {
        const char16_t* label;
        const char16_t* caption;
        const char16_t* icon;
        int labelY;
        int iconX, iconY, iconW;
        SideIcon picture;
    };
    static constexpr Entry kEntries[kSideEntries] = {
        {u"标签1", u"网站设置", u"图片框3", 25, 22, 24, 32, SideIcon::Sites},
        {u"标签2", u"运行日志", u"图片框5", 72, 23, 72, 32, SideIcon::Log},
        {u"标签3", u"友链管理", u"图片框6", 120, 22, 119, 32, SideIcon::Links},
        {u"标签4", u"无限模板", u"图片框4", 167, 24, 166, 31, SideIcon::Templates},
    };
    for (int k = 0; k < kSideEntries; ++k) {
        const Entry& e = kEntries[k];
        auto* label =
            place<PressPicture>(c.body, QString::fromUtf16(e.label), 0, e.labelY, 180, 30);
        label->setText(QString::fromUtf16(e.caption));
        label->setAlignment(Qt::AlignCenter);
        label->setContentsMargins(26, 0, 0, 0);  // clear of the icon on the left
        label->setCursor(Qt::PointingHandCursor);
        label->setFont(windowFont(14));
        setLook(label, "side");
        label->setBackground(kWindowColour);
        c.sideEntries[k] = label;
    }
    // The icons lie on top of their labels.
    for (int k = 0; k < kSideEntries; ++k) {
        const Entry& e = kEntries[k];
        c.sideIcons[k] = picture(c.body, QString::fromUtf16(e.icon), e.iconX, e.iconY, e.iconW, 32,
                                 sideIcon(e.picture, e.iconW, 32));
        c.sideIcons[k]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    // 标签3 and 标签4 lead to pages that are not offered yet.
    for (int k = 2; k < kSideEntries; ++k) {
        c.sideEntries[k]->hide();
        c.sideIcons[k]->hide();
    }
    c.infoLink = pictureOf<PressPicture>(c.body, QStringLiteral("图片框10"), 21, 476, 46, 41,
                                         linkPicture(46, 41));
    c.infoLink->setCursor(Qt::PointingHandCursor);
    c.decoration =
        picture(c.body, QStringLiteral("图片框9"), -14, 473, 15, 60, decorationPicture(15, 60));
}

void buildLogPage(QWidget* page, WindowControls& c) {
    heading(page, QStringLiteral("标签19"), QStringLiteral(" 运行日志"), 8, 28, 860, 24);
    c.log = place<QPlainTextEdit>(page, QStringLiteral("日志"), 8, 52, 860, 480);
    c.log->setReadOnly(true);
    c.log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    c.log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    c.log->setUndoRedoEnabled(false);
}

}  // namespace

void buildWindow(QWidget* window, WindowControls& c) {
    buildHeader(window, c);
    c.body =
        picture(window, QStringLiteral("图片框2"), 0, 95, 1072, 524, sideBarPicture(1072, 524));
    buildSideBar(c);
    c.pageArea =
        picture(c.body, QStringLiteral("图片框8"), 181, 0, 896, 521, pageAreaPicture(896, 521));
    c.pageFrame = place<QFrame>(c.pageArea, QStringLiteral("外形框1"), 7, 0, 877, 517);
    c.pageFrame->setAttribute(Qt::WA_StyledBackground);
    setLook(c.pageFrame, "pageFrame");
    c.pages = tabControl(
        c.pageFrame, QStringLiteral("选择夹1"), 0, -21, 884, 542,
        {QStringLiteral("网站设置"), QStringLiteral("生成设置"), QStringLiteral("友链管理"),
         QStringLiteral("无限模板"), QStringLiteral("仓库")});
    buildSitePage(c.pages->widget(0), c);
    buildLogPage(c.pages->widget(1), c);
    // The header lies above the body, which reaches one pixel into it.
    c.header->raise();
    // A heading strip's lower edge lies under the group below it; the groups go to the
    // bottom so the strips (and the captions on them) are never cut by a group's frame.
    for (QGroupBox* group : c.pages->findChildren<QGroupBox*>()) group->lower();
    c.pages->setCurrentIndex(0);
}

}  // namespace qm::ui
