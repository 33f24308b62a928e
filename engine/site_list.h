// SiteList: the site grid as the engine sees it, a table of rows with two text
// cells: column 0 the row's 1-based serial number, column 1 the site name (the base
// name of the site's profile file). Rows are numbered from 0; an empty name is a row
// without a site. The grid opens with kSiteListInitialRows empty rows.
//
// The window shows this model and the site editor changes it; the task runner walks
// it at the start of every run. A run may be active while the editor changes it
// (after a watchdog restart the grid stays enabled), so every member locks: each
// call sees and leaves a whole table, and siteNames() takes a consistent snapshot.
// The change listener runs after every change on the thread that made it, outside
// the lock; the window posts it to its own thread.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "foundation/text_kit.h"

namespace qm {

inline constexpr int kSiteListInitialRows = 25;
inline constexpr int kSiteListColumns = 2;
// From this many profile files on, refreshSiteList sets the row count to the file
// count; with fewer the grid keeps its row count.
inline constexpr int kSiteListGrowFrom = 21;

class SiteList {
  public:
    explicit SiteList(int rows = kSiteListInitialRows);

    int rowCount() const;
    // Grows with empty rows or cuts rows off the end; negative counts as 0.
    void setRowCount(int rows);
    // The cell's text; empty when row or column is out of range.
    Text cell(int row, int column) const;
    // Out-of-range cells are ignored.
    void setCell(int row, int column, const Text& value);
    // Removes a row (the rows after it move up); out-of-range rows are ignored.
    void removeRow(int row);
    // Appends an empty row.
    void appendRow();

    // Column 1 of every row from the first to the last, empty names included.
    TextList siteNames() const;

    // Called after every change; replaces the previous listener. Pass {} to remove.
    void setOnChange(std::function<void()> listener);

  private:
    void changed();

    mutable std::mutex mutex_;
    std::vector<std::vector<Text>> rows_;
    std::function<void()> onChange_;
};

// The grid name of a profile file name: every ".txt" removed, ASCII letter case
// ignored ("a.TXT.txt" gives "a").
Text siteNameOfFile(const Text& fileName);

// Refills list from the "*.txt" files of the profile folder <runDir>/数据库/list, in
// the order the directory listing gives them: with no file nothing changes; with
// kSiteListGrowFrom files or more the row count becomes the file count; row i - 1
// gets serial i and the i-th site name. Rows after the last file keep their cells.
// Returns the number of files listed.
int refreshSiteList(SiteList& list, const Text& runDir);

}  // namespace qm
