// ArticleQueue: the process-wide list of articles (and, during collection, links).
//
// Rows have five text columns: 0 序号, 1 标题, 2 网址, 3 原文, 4 相关. While links are
// collected a row is a link (title and address); afterwards a row is an available
// article whose real title is in column 1. Rows are numbered from 0. The queue is
// used by the task worker only while a run is active; it takes no locks.
#pragma once

#include <array>
#include <vector>

#include "foundation/text_kit.h"

namespace qm {

inline constexpr int kQueueColumns = 5;

struct ArticleRow {
    std::array<Text, kQueueColumns> cells;
};

class ArticleQueue {
  public:
    int rowCount() const { return static_cast<int>(rows_.size()); }
    void clear() { rows_.clear(); }
    // Appends a row and returns its number.
    int addRow(ArticleRow row);
    // The cell at (row, column); empty text when either is out of range.
    Text cell(int row, int column) const;
    void setCell(int row, int column, const Text& value);
    // Removes a row; out-of-range numbers are ignored.
    void removeRow(int row);

  private:
    std::vector<ArticleRow> rows_;
};

}  // namespace qm
