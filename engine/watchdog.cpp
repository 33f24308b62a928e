#include "engine/watchdog.h"

#include "engine/text_cleanup.h"

namespace qm {

bool takeWatchdogSample(WatchdogState& state, const Text& logText) {
    state.tickCount += 1;
    Text text = logText;
    const int lines = line_count(cleanBlankLines(text));
    if (state.tickCount % 2 == 0)
        state.evenSample = lines;
    else
        state.oddSample = lines;
    return state.evenSample == state.oddSample;
}

WatchdogTimer::WatchdogTimer(RunContext& run, std::function<void()> tick)
    : run_(run), tick_(std::move(tick)), thread_([this](std::stop_token stop) { loop(stop); }) {}

WatchdogTimer::~WatchdogTimer() {
    thread_.request_stop();
    {
        std::lock_guard lock(mutex_);
        waitStop_.request_stop();
    }
    changedCv_.notify_all();
    thread_.join();
}

void WatchdogTimer::intervalChanged(int) {
    std::lock_guard lock(mutex_);
    changed_ = true;
    waitStop_.request_stop();
    changedCv_.notify_all();
}

int WatchdogTimer::ticks() {
    std::lock_guard lock(mutex_);
    return ticks_;
}

void WatchdogTimer::loop(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        changed_ = false;
        const int ms = run_.timerIntervalMs();
        if (ms <= 0) {
            changedCv_.wait(lock, stop, [&] { return changed_; });
            continue;
        }
        std::stop_source waitStop;
        waitStop_ = waitStop;
        lock.unlock();
        WaitResult woke;
        {
            std::stop_callback onStop(stop, [waitStop]() mutable { waitStop.request_stop(); });
            woke = run_.clock().wait_for(std::chrono::milliseconds(ms), waitStop.get_token());
        }
        lock.lock();
        if (woke != WaitResult::Elapsed || changed_ || stop.stop_requested()) continue;
        ++ticks_;
        lock.unlock();
        tick_();
        lock.lock();
    }
}

}  // namespace qm
