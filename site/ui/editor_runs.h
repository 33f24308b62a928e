// EditorRuns: the short-lived worker threads the window runs the site editor's
// newSite, saveSite and loadSite on.
//
// start() begins a run on a thread of its own. A new run of newSite or loadSite asks
// the previous run of the same operation to stop (its stop token) and leaves it to end
// by itself; the window's thread never joins a run that may still be waiting for it.
// Ended runs are joined on the window's thread soon after they end. finishAll() asks
// every run to stop and waits for all of them while the window's thread keeps
// handling events (a run may be waiting for a form call or a prompt), then joins them.
//
// Window thread only. finishAll() must be called before the dispatcher shuts down;
// the destructor calls it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

#include "site/ui/ui_dispatcher.h"

namespace qm::ui {

enum class EditorOperation { NewSite, SaveSite, LoadSite };

class EditorRuns {
  public:
    explicit EditorRuns(UiDispatcher& dispatcher);
    ~EditorRuns();
    EditorRuns(const EditorRuns&) = delete;
    EditorRuns& operator=(const EditorRuns&) = delete;

    void start(EditorOperation operation, std::function<void(std::stop_token)> work);
    void finishAll();
    // Runs that have not ended yet (of one operation).
    int running() const;
    int running(EditorOperation operation) const;

  private:
    struct Run {
        EditorOperation operation;
        std::shared_ptr<std::atomic<bool>> ended;
        std::jthread thread;
    };

    void joinEnded();

    UiDispatcher& dispatcher_;
    std::vector<Run> runs_;
};

}  // namespace qm::ui
