// SiteGridView: shows the engine's SiteList in the grid 高级表格1 and tells when the
// operator moves the grid's cursor to another cell.
//
// The list is the model: the site editor and the task runner change and read it, the
// grid only mirrors it (row count and both cells of every row, names shown as Unicode).
// A change made on the window's thread is shown at once; one made on another thread
// is handed to the window's thread without waiting, and the grid then shows the list
// as it is by that time. Cursor moves caused by such an update (a row removed under
// the cursor) are not reported: only the operator selects a site.
//
// Window thread only, except that the list's change listener may fire on any thread.
// The list and the grid must outlive the view; the view removes its listener when it
// goes.
#pragma once

#include <atomic>
#include <functional>

#include "engine/site_list.h"
#include "site/ui/ui_dispatcher.h"

class QTableWidget;

namespace qm::ui {

class SiteGridView {
  public:
    SiteGridView(UiDispatcher& dispatcher, SiteList& list, QTableWidget* grid);
    ~SiteGridView();
    SiteGridView(const SiteGridView&) = delete;
    SiteGridView& operator=(const SiteGridView&) = delete;

    // Called with the new row when the operator moves the grid's cursor.
    void setOnCursorMoved(std::function<void(int row)> handler);

    // Brings the grid up to the list's content (window thread).
    void show();

  private:
    void listChanged();  // any thread

    UiDispatcher& dispatcher_;
    SiteList& list_;
    QTableWidget* grid_;
    std::function<void(int)> onCursorMoved_;
    std::atomic<bool> showQueued_{false};
    bool showing_ = false;  // window thread: an update is being shown
};

}  // namespace qm::ui
