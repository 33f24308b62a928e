#include "collect/article_queue.h"

namespace qm {

int ArticleQueue::addRow(ArticleRow row) {
    rows_.push_back(std::move(row));
    return rowCount() - 1;
}

Text ArticleQueue::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kQueueColumns) return {};
    return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

void ArticleQueue::setCell(int row, int column, const Text& value) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kQueueColumns) return;
    rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = value;
}

void ArticleQueue::removeRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    rows_.erase(rows_.begin() + row);
}

}  // namespace qm
