// Page "网站设置" of 选择夹1: the site grid, the form's tab control, the operation
// buttons and the loop interval.
#include <QGroupBox>
#include <QHeaderView>
#include <QTableWidget>

#include "site/ui/layout_kit.h"
#include "site/ui/window_controls.h"

namespace qm::ui {

namespace {

inline constexpr int kGridRows = 25;
inline constexpr int kGridRowHeight = 23;
inline constexpr int kSerialColumnWidth = 48;

QTableWidget* siteGrid(QWidget* page) {
    auto* grid = place<QTableWidget>(page, QStringLiteral("高级表格1"), 8, 52, 320, 480);
    grid->setColumnCount(2);
    grid->setRowCount(kGridRows);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    grid->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
    grid->setColumnWidth(0, kSerialColumnWidth);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setCursor(Qt::PointingHandCursor);
    grid->viewport()->setCursor(Qt::PointingHandCursor);
    return grid;
}

}  // namespace

void buildSitePage(QWidget* page, WindowControls& c) {
    heading(page, QStringLiteral("标签13"), QStringLiteral(" 网站列表"), 8, 28, 320, 24);
    c.siteGrid = siteGrid(page);

    c.formTabs = tabControl(page, QStringLiteral("选择夹2"), 329, 17, 552, 445,
                            {QStringLiteral("设置"), QStringLiteral("日志")});
    buildSettingsForm(c.formTabs->widget(0), c);

    heading(page, QStringLiteral("标签18"), QStringLiteral(" 操作按钮"), 337, 463, 533, 24);
    c.buttonGroup = place<QGroupBox>(page, QStringLiteral("分组框3"), 337, 481, 534, 52);
    QGroupBox* g = c.buttonGroup;
    c.newButton =
        framedButton(g, QStringLiteral("超级按钮9"), QStringLiteral("新建"), 9, 12, 95, 33);
    c.saveButton =
        framedButton(g, QStringLiteral("超级按钮7"), QStringLiteral("保存"), 114, 12, 95, 33);
    c.deleteButton =
        framedButton(g, QStringLiteral("超级按钮3"), QStringLiteral("删除"), 218, 12, 95, 33);
    c.startButton =
        framedButton(g, QStringLiteral("超级按钮11"), QStringLiteral("启动"), 323, 12, 95, 33);
    c.stopButton =
        framedButton(g, QStringLiteral("超级按钮12"), QStringLiteral("停止"), 427, 12, 95, 33);
    c.modifyButton = place<QPushButton>(g, QStringLiteral("超级按钮2"), 183, 43, 78, 32);
    c.modifyButton->setText(QStringLiteral("修 改"));
    c.modifyButton->hide();

    // The interval's caption and box lie on the right of the buttons' heading strip.
    caption(page, QStringLiteral("标签15"), QStringLiteral("循环挂机间隔(分)"), 693, 464, 112, 20,
            Qt::AlignRight);
    c.interval =
        editBox(page, QStringLiteral("间隔时间"), QStringLiteral("60"), 806, 465, 53, 20, true);
}

}  // namespace qm::ui
