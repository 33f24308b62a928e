// The settings form on page "设置" of 选择夹2: the basic settings group 分组框2 and the
// function settings group 分组框1 with their headings, and the hidden category list.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>

#include "site/ui/layout_kit.h"
#include "site/ui/window_controls.h"

namespace qm::ui {

namespace {

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                    int h, bool checked) {
    auto* box = place<QCheckBox>(parent, name, x, y, w, h);
    box->setText(text);
    box->setChecked(checked);
    return box;
}

void buildBasicGroup(QWidget* page, WindowControls& c) {
    heading(page, QStringLiteral("标签14"), QStringLiteral(" 基本设置"), 8, 11, 533, 24);
    auto* g = place<QGroupBox>(page, QStringLiteral("分组框2"), 8, 29, 534, 219);

    caption(g, QStringLiteral("标签5"), QStringLiteral("域名"), 2, 17, 56, 23);
    c.domain = editBox(g, QStringLiteral("编辑框域名"), {}, 62, 17, 303, 23);
    caption(g, QStringLiteral("标签20"), QStringLiteral("IP"), 373, 19, 30, 21);
    c.ip = editBox(g, QStringLiteral("编辑框IP"), {}, 415, 17, 104, 23);

    caption(g, QStringLiteral("标签6"), QStringLiteral("路径"), 2, 50, 56, 23);
    c.installPath = editBox(g, QStringLiteral("编辑框安装路径"), {}, 62, 50, 238, 23);
    c.installPick =
        framedButton(g, QStringLiteral("超级按钮4"), QStringLiteral("选择"), 305, 48, 60, 27);
    caption(g, QStringLiteral("标签7"), QStringLiteral("模板"), 371, 49, 36, 23);
    c.templateName = editBox(g, QStringLiteral("编辑框模板"), {}, 415, 50, 104, 23, true);

    caption(g, QStringLiteral("标签9"), QStringLiteral("标题"), 2, 83, 56, 23);
    c.title = editBox(g, QStringLiteral("编辑框标题"), {}, 62, 83, 458, 23);
    caption(g, QStringLiteral("标签8"), QStringLiteral("关键词"), 2, 116, 56, 23);
    c.keywords = editBox(g, QStringLiteral("编辑框关键词"), {}, 62, 116, 458, 23);
    caption(g, QStringLiteral("标签10"), QStringLiteral("描述"), 2, 149, 56, 23);
    c.description = editBox(g, QStringLiteral("编辑框描述"), {}, 62, 149, 458, 23);
    caption(g, QStringLiteral("标签11"), QStringLiteral("栏目"), 2, 183, 56, 23);
    c.columns = editBox(g, QStringLiteral("编辑框栏目"), {}, 62, 183, 458, 23);
}

void buildFunctionGroup(QWidget* page, WindowControls& c) {
    c.functionHeading =
        heading(page, QStringLiteral("标签12"), QStringLiteral(" 功能设置"), 8, 258, 533, 24);
    c.functionHeading->setFocusPolicy(Qt::ClickFocus);  // the category list hands focus here
    caption(page, QStringLiteral("标签24"), QStringLiteral("每次生成文章数量"), 354, 260, 115, 17,
            Qt::AlignRight);
    c.generateCount =
        editBox(page, QStringLiteral("生成数量"), QStringLiteral("20"), 477, 260, 53, 20, true);

    auto* g = place<QGroupBox>(page, QStringLiteral("分组框1"), 8, 276, 534, 161);
    c.news = checkBox(g, QStringLiteral("选择框6"), QStringLiteral("自动采集新闻"), 16, 21, 92, 17,
                      true);
    c.custom = checkBox(g, QStringLiteral("选择框5"), QStringLiteral("导入自定义文章"), 124, 21,
                        110, 17, false);
    c.customLibrary = editBox(g, QStringLiteral("编辑框8"), {}, 246, 18, 207, 23);
    c.customPick =
        framedButton(g, QStringLiteral("超级按钮6"), QStringLiteral("选择"), 462, 16, 60, 27);

    c.longTail =
        checkBox(g, QStringLiteral("选择框1"), QStringLiteral("开启长尾词"), 17, 57, 99, 17, false);
    caption(g, QStringLiteral("标签16"), QStringLiteral("调用数"), 135, 52, 54, 23);
    c.longTailCount =
        editBox(g, QStringLiteral("长尾词调用数"), QStringLiteral("3"), 193, 52, 43, 23, true);
    c.longTailLibrary = editBox(g, QStringLiteral("编辑框12"), {}, 246, 52, 207, 23);
    c.longTailPick =
        framedButton(g, QStringLiteral("超级按钮8"), QStringLiteral("选择"), 463, 50, 60, 27);

    c.internalLinks = checkBox(g, QStringLiteral("选择框2"), QStringLiteral("文章插入内链"), 17, 94,
                               104, 17, false);
    caption(g, QStringLiteral("标签17"), QStringLiteral("调用数"), 135, 88, 54, 23);
    c.internalLinkCount =
        editBox(g, QStringLiteral("内链调用数"), QStringLiteral("2"), 193, 89, 43, 23, true);

    c.insertKeywords = checkBox(g, QStringLiteral("插入关键词"), QStringLiteral("文章插入关键词"),
                                17, 130, 104, 17, false);
    caption(g, QStringLiteral("标签22"), QStringLiteral("调用数"), 135, 127, 54, 23);
    c.insertKeywordCount =
        editBox(g, QStringLiteral("插入关键词数"), QStringLiteral("1"), 193, 126, 44, 23, true);
}

void buildCategoryList(QWidget* page, WindowControls& c) {
    c.category = place<QComboBox>(page, QStringLiteral("组合框1"), 560, 208, 114, 20);
    c.category->addItems({QStringLiteral(" 软件提供文章"), QStringLiteral(" 热门新闻"),
                          QStringLiteral(" IT互联网"), QStringLiteral(" 游戏类"),
                          QStringLiteral(" 生活服务"), QStringLiteral(" 机械五金"),
                          QStringLiteral(" 娱乐时尚"), QStringLiteral(" 医疗卫生"),
                          QStringLiteral(" 文化历史"), QStringLiteral(" 教育培训")});
    // No item is selected in a fresh window, so a new profile stores an empty category.
    c.category->setCurrentIndex(-1);
    c.category->hide();
}

}  // namespace

void buildSettingsForm(QWidget* page, WindowControls& c) {
    buildBasicGroup(page, c);
    buildFunctionGroup(page, c);
    buildCategoryList(page, c);
}

}  // namespace qm::ui
