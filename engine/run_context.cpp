#include "engine/run_context.h"

namespace qm {

void RecordingRunControls::lockRunControls() {
    std::lock_guard lock(mutex_);
    start_ = editing_ = false;
    ++locks_;
}

void RecordingRunControls::unlockRunControls() {
    std::lock_guard lock(mutex_);
    start_ = editing_ = true;
    ++unlocks_;
}

void RecordingRunControls::lockStartOnly() {
    std::lock_guard lock(mutex_);
    start_ = false;
}

bool RecordingRunControls::startEnabled() const {
    std::lock_guard lock(mutex_);
    return start_;
}

bool RecordingRunControls::editingEnabled() const {
    std::lock_guard lock(mutex_);
    return editing_;
}

int RecordingRunControls::lockCount() const {
    std::lock_guard lock(mutex_);
    return locks_;
}

int RecordingRunControls::unlockCount() const {
    std::lock_guard lock(mutex_);
    return unlocks_;
}

RunContext::RunContext(RunLogPort& log, RunControls& controls, Clock& clock, Settings settings)
    : log_(log),
      controls_(controls),
      clock_(clock),
      runDir_(std::move(settings.runDir)),
      portalUrl_(std::move(settings.portalUrl)),
      intervalText_(std::move(settings.intervalText)) {}

void RunContext::resetCounters() {
    collectedCount = 0;
    collectTarget = 0;
    localTarget = 0;
}

void RunContext::closeDatabase() {
    records_.close();
    connection_.close();
}

void RunContext::setIntervalText(const Text& text) {
    std::lock_guard lock(mutex_);
    intervalText_ = text;
}

Text RunContext::intervalText() const {
    std::lock_guard lock(mutex_);
    return intervalText_;
}

int RunContext::intervalMinutes() const {
    return to_int(intervalText());
}

void RunContext::setTimerInterval(int ms) {
    timerMs_ = ms;
    std::function<void(int)> listener;
    {
        std::lock_guard lock(mutex_);
        listener = timerListener_;
    }
    if (listener) listener(ms);
}

void RunContext::setTimerListener(std::function<void(int ms)> listener) {
    std::lock_guard lock(mutex_);
    timerListener_ = std::move(listener);
}

}  // namespace qm
