#include "site/ui/editor_runs.h"

#include <algorithm>
#include <utility>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace qm::ui {

EditorRuns::EditorRuns(UiDispatcher& dispatcher) : dispatcher_(dispatcher) {}

EditorRuns::~EditorRuns() {
    finishAll();
}

void EditorRuns::start(EditorOperation operation, std::function<void(std::stop_token)> work) {
    joinEnded();
    if (operation != EditorOperation::SaveSite) {
        for (Run& run : runs_) {
            if (run.operation == operation) run.thread.request_stop();
        }
    }
    auto ended = std::make_shared<std::atomic<bool>>(false);
    QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance(QThread::currentThread());
    UiDispatcher* dispatcher = &dispatcher_;
    std::jthread thread(
        [work = std::move(work), ended, events, dispatcher, this](std::stop_token stop) {
            work(stop);
            ended->store(true);
            dispatcher->post([this] { joinEnded(); });
            // Wakes finishAll's wait even after the dispatcher has stopped posting.
            if (events != nullptr) events->wakeUp();
        });
    runs_.push_back(Run{operation, std::move(ended), std::move(thread)});
}

void EditorRuns::joinEnded() {
    // Runs are only ever move-constructed: assigning over a live jthread would join it.
    std::vector<Run> live;
    std::vector<Run> ended;
    for (Run& run : runs_) {
        (run.ended->load() ? ended : live).push_back(std::move(run));
    }
    runs_ = std::move(live);
    // The ended threads have finished their work; destroying them joins at once.
}

void EditorRuns::finishAll() {
    for (Run& run : runs_) run.thread.request_stop();
    while (running() > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    runs_.clear();
}

int EditorRuns::running() const {
    return static_cast<int>(std::count_if(runs_.begin(), runs_.end(),
                                          [](const Run& run) { return !run.ended->load(); }));
}

int EditorRuns::running(EditorOperation operation) const {
    return static_cast<int>(std::count_if(runs_.begin(), runs_.end(), [&](const Run& run) {
        return run.operation == operation && !run.ended->load();
    }));
}

}  // namespace qm::ui
