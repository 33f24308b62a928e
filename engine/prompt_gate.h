// PromptGate: lets the task worker wait for an operator prompt without ever making a
// stop wait for the operator.
//
// A prompt shown from the worker (show_prompt "任务完成", show_message "打开数据源失败。")
// blocks until the operator closes the box, and the window's implementation of it
// needs the window's thread. stopWork runs on that thread and joins the worker, so a
// worker blocked in the box would deadlock it. The gate runs the blocking call on a
// prompt thread of its own and lets the worker wait for the answer or for its stop,
// whichever comes first: a stopped worker returns at once and the box stays open
// until the operator closes it (nothing else of the stopped run follows it).
//
// The gate is owned by the TaskRunner and outlives its workers. Its destructor joins
// the prompt threads, so the target port must let a pending prompt return when the
// window goes away. Thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "foundation/run_log.h"

namespace qm {

class PromptGate {
  public:
    explicit PromptGate(RunLogPort& target);
    ~PromptGate();
    PromptGate(const PromptGate&) = delete;
    PromptGate& operator=(const PromptGate&) = delete;

    // The target's show_prompt, waited for until answered or stop is requested.
    void showPrompt(const Text& text, std::stop_token stop);
    // The target's show_message; kMbResultOk when the wait was ended by stop.
    int showMessage(const Text& text, int style, const Text& title, std::stop_token stop);

    // Prompts whose box is still open.
    int openPrompts();

  private:
    struct Pending;
    int run(std::function<int()> call, std::stop_token stop);
    void reapFinished();  // requires mutex_

    RunLogPort& target_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<Pending>> pending_;
};

// The RunLogPort a worker reports through: log calls go straight to the target, the
// two prompts through the gate with the worker's stop token.
class WorkerLog : public RunLogPort {
  public:
    WorkerLog(RunLogPort& target, PromptGate& gate, std::stop_token stop)
        : target_(target), gate_(gate), stop_(std::move(stop)) {}

    void append_log(const Text& text) override { target_.append_log(text); }
    void clear_log() override { target_.clear_log(); }
    Text read_log() override { return target_.read_log(); }
    void show_prompt(const Text& text) override { gate_.showPrompt(text, stop_); }
    int show_message(const Text& text, int style, const Text& title) override {
        return gate_.showMessage(text, style, title, stop_);
    }

  private:
    RunLogPort& target_;
    PromptGate& gate_;
    std::stop_token stop_;
};

}  // namespace qm
