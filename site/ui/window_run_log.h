// WindowRunLog: the run log and the operator prompts on the main window, the
// RunLogPort the engine and the site editor report through.
//
// The log's content is kept here as one GBK text (the box is read-only, so the text is
// exactly what the box shows); the box 日志 displays it. append_log and clear_log
// change the text at once and hand the display update to the window's thread without
// waiting for it: the task worker must never wait for the thread that joins it.
// Display updates keep call order. Each shown append puts the caret at the very end,
// scrolls it into view and inserts there, overriding whatever the operator scrolled
// or selected. read_log returns the text.
//
// show_prompt and show_message run their box on the window's thread and wait for the
// operator; from another thread they wait until the window's thread has handled them
// (it does so also while another modal box is open), and return at once, with OK,
// once the window has shut its dispatcher down. A PromptHook, when set, is asked in
// place of the real box (tests record prompts instead of showing them).
//
// All members may be called from any thread; the box must outlive the log.
#pragma once

#include <mutex>
#include <vector>

#include "foundation/run_log.h"
#include "site/ui/prompt_box.h"
#include "site/ui/ui_dispatcher.h"

class QPlainTextEdit;
class QWidget;

namespace qm::ui {

class WindowRunLog : public RunLogPort {
  public:
    // owner: the window that owns the notices while it is visible.
    WindowRunLog(UiDispatcher& dispatcher, QPlainTextEdit* box, QWidget* owner);

    void append_log(const Text& text) override;
    void clear_log() override;
    Text read_log() override;
    void show_prompt(const Text& text) override;
    int show_message(const Text& text, int style, const Text& title) override;

    // Replaces the real boxes (window thread, before any prompt).
    void setPromptHook(PromptHook hook);

  private:
    struct Change {
        bool clear = false;
        Text text;  // appended text when !clear
    };

    void queueChange(Change change);
    void showChanges();                         // window thread
    int present(const PromptRequest& request);  // window thread

    UiDispatcher& dispatcher_;
    QPlainTextEdit* box_;
    QWidget* owner_;
    PromptHook hook_;

    std::mutex mutex_;  // guards the members below
    Text text_;
    std::vector<Change> unshown_;
    bool showQueued_ = false;
};

}  // namespace qm::ui
