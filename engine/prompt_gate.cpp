#include "engine/prompt_gate.h"

#include <condition_variable>

namespace qm {

// One prompt: the thread that shows it and the answer it gives.
struct PromptGate::Pending {
    std::mutex mutex;
    std::condition_variable_any answered;
    bool done = false;
    int result = kMbResultOk;
    std::thread thread;
};

PromptGate::PromptGate(RunLogPort& target) : target_(target) {}

PromptGate::~PromptGate() {
    std::vector<std::shared_ptr<Pending>> pending;
    {
        std::lock_guard lock(mutex_);
        pending.swap(pending_);
    }
    for (auto& p : pending)
        if (p->thread.joinable()) p->thread.join();
}

void PromptGate::showPrompt(const Text& text, std::stop_token stop) {
    run(
        [this, text] {
            target_.show_prompt(text);
            return kMbResultOk;
        },
        std::move(stop));
}

int PromptGate::showMessage(const Text& text, int style, const Text& title, std::stop_token stop) {
    return run([this, text, style, title] { return target_.show_message(text, style, title); },
               std::move(stop));
}

int PromptGate::openPrompts() {
    std::lock_guard lock(mutex_);
    reapFinished();
    return static_cast<int>(pending_.size());
}

int PromptGate::run(std::function<int()> call, std::stop_token stop) {
    if (stop.stop_requested()) return kMbResultOk;
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard lock(mutex_);
        reapFinished();
        pending->thread = std::thread([pending, call = std::move(call)] {
            const int result = call();
            std::lock_guard done_lock(pending->mutex);
            pending->result = result;
            pending->done = true;
            pending->answered.notify_all();
        });
        pending_.push_back(pending);
    }
    std::unique_lock lock(pending->mutex);
    pending->answered.wait(lock, stop, [&] { return pending->done; });
    return pending->done ? pending->result : kMbResultOk;
}

void PromptGate::reapFinished() {
    for (auto it = pending_.begin(); it != pending_.end();) {
        bool done;
        {
            std::lock_guard lock((*it)->mutex);
            done = (*it)->done;
        }
        if (done) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace qm
