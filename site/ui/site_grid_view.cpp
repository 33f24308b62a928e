#include "site/ui/site_grid_view.h"

#include <QTableWidget>

#include "foundation/gbk_codec.h"

namespace qm::ui {

namespace {

void setCellText(QTableWidget* grid, int row, int column, const QString& text) {
    QTableWidgetItem* item = grid->item(row, column);
    if (item == nullptr) {
        if (text.isEmpty()) return;
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (column == 0) item->setTextAlignment(Qt::AlignCenter);
        grid->setItem(row, column, item);
    }
    if (item->text() != text) item->setText(text);
}

}  // namespace

SiteGridView::SiteGridView(UiDispatcher& dispatcher, SiteList& list, QTableWidget* grid)
    : dispatcher_(dispatcher), list_(list), grid_(grid) {
    QObject::connect(grid_, &QTableWidget::currentCellChanged, grid_,
                     [this](int row, int, int, int) {
                         if (!showing_ && onCursorMoved_) onCursorMoved_(row);
                     });
    list_.setOnChange([this] { listChanged(); });
    show();
}

SiteGridView::~SiteGridView() {
    list_.setOnChange({});
}

void SiteGridView::setOnCursorMoved(std::function<void(int row)> handler) {
    onCursorMoved_ = std::move(handler);
}

void SiteGridView::listChanged() {
    if (dispatcher_.onUiThread()) {
        show();
        return;
    }
    if (!showQueued_.exchange(true)) {
        dispatcher_.post([this] { show(); });
    }
}

void SiteGridView::show() {
    showQueued_ = false;
    showing_ = true;
    const int rows = list_.rowCount();
    if (grid_->rowCount() != rows) grid_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < kSiteListColumns; ++column) {
            setCellText(grid_, row, column,
                        QString::fromStdString(gbk_to_utf8(list_.cell(row, column))));
        }
    }
    showing_ = false;
}

}  // namespace qm::ui
