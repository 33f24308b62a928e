#include "engine/site_list.h"

#include "engine/site_profile.h"

namespace qm {

SiteList::SiteList(int rows) {
    setRowCount(rows);
}

int SiteList::rowCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

void SiteList::setRowCount(int rows) {
    {
        std::lock_guard lock(mutex_);
        rows_.resize(rows < 0 ? 0 : static_cast<std::size_t>(rows),
                     std::vector<Text>(kSiteListColumns));
    }
    changed();
}

Text SiteList::cell(int row, int column) const {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
        column >= kSiteListColumns)
        return Text();
    return rows_[row][column];
}

void SiteList::setCell(int row, int column, const Text& value) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
            column >= kSiteListColumns)
            return;
        rows_[row][column] = value;
    }
    changed();
}

void SiteList::removeRow(int row) {
    {
        std::lock_guard lock(mutex_);
        if (row < 0 || row >= static_cast<int>(rows_.size())) return;
        rows_.erase(rows_.begin() + row);
    }
    changed();
}

void SiteList::appendRow() {
    {
        std::lock_guard lock(mutex_);
        rows_.emplace_back(kSiteListColumns);
    }
    changed();
}

TextList SiteList::siteNames() const {
    std::lock_guard lock(mutex_);
    TextList names;
    names.reserve(rows_.size());
    for (const auto& row : rows_) names.push_back(row[1]);
    return names;
}

void SiteList::setOnChange(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    onChange_ = std::move(listener);
}

void SiteList::changed() {
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        listener = onChange_;
    }
    if (listener) listener();
}

Text siteNameOfFile(const Text& fileName) {
    // replace_text ignores ASCII letter case unless told otherwise.
    return replace_text(fileName, ".txt", "");
}

int refreshSiteList(SiteList& list, const Text& runDir) {
    const TextList files = list_files(profileFolder(runDir), "*.txt", false);
    const int n = static_cast<int>(files.size());
    if (n == 0) return 0;
    if (n >= kSiteListGrowFrom) list.setRowCount(n);
    // Fewer files than the grid has rows: write the first n rows and keep the rest.
    if (list.rowCount() < n) list.setRowCount(n);
    for (int i = 1; i <= n; ++i) {
        list.setCell(i - 1, 0, to_text(i));
        list.setCell(i - 1, 1, siteNameOfFile(files[i - 1]));
    }
    return n;
}

}  // namespace qm
