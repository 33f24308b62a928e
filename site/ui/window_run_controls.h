// WindowRunControls: the controls a run locks, on the main window: the site grid and
// the buttons 修 改, 删除, 保存, 新建 and 启动 (the Stop button and the interval box are
// never locked).
//
// Called by the task runner on the window's thread (Start, Stop, the watchdog) and from
// the worker when a single run finishes. On the window's thread the change is made at
// once; from another thread it is handed to the window's thread without waiting, in
// call order, so the worker never waits for the thread that joins it.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/run_context.h"
#include "site/ui/ui_dispatcher.h"
#include "site/ui/window_controls.h"

namespace qm::ui {

class WindowRunControls : public RunControls {
  public:
    WindowRunControls(UiDispatcher& dispatcher, const WindowControls& controls);

    void lockRunControls() override;
    void unlockRunControls() override;
    void lockStartOnly() override;

  private:
    void apply(bool enabled, bool startOnly);

    UiDispatcher& dispatcher_;
    const WindowControls& controls_;
    std::atomic<std::uint64_t> issued_{0};
    std::uint64_t applied_ = 0;  // window thread only
};

}  // namespace qm::ui
