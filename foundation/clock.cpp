#include "foundation/clock.h"

#include <condition_variable>

namespace qm {
namespace {

class SystemClock : public Clock {
  public:
    std::int64_t now_ms() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    WaitResult wait_for(std::chrono::milliseconds duration, std::stop_token stop) override {
        if (stop.stop_requested()) return WaitResult::Stopped;
        std::mutex mutex;
        std::condition_variable_any woken;
        std::unique_lock lock(mutex);
        // wait_for with a stop token returns early (true only when the predicate
        // holds) as soon as a stop is requested.
        woken.wait_for(lock, stop, duration, [] { return false; });
        return stop.stop_requested() ? WaitResult::Stopped : WaitResult::Elapsed;
    }
};

}  // namespace

Clock& system_clock() {
    static SystemClock clock;
    return clock;
}

std::int64_t FakeClock::now_ms() {
    std::lock_guard lock(mutex_);
    return now_;
}

WaitResult FakeClock::wait_for(std::chrono::milliseconds duration, std::stop_token stop) {
    if (stop.stop_requested()) return WaitResult::Stopped;
    std::function<void(std::chrono::milliseconds)> hook;
    {
        std::lock_guard lock(mutex_);
        if (duration.count() > 0) {
            now_ += duration.count();
            waited_ += duration.count();
        }
        ++waits_;
        hook = on_wait_;
    }
    if (hook) hook(duration);
    return stop.stop_requested() ? WaitResult::Stopped : WaitResult::Elapsed;
}

void FakeClock::set_on_wait(std::function<void(std::chrono::milliseconds)> hook) {
    std::lock_guard lock(mutex_);
    on_wait_ = std::move(hook);
}

void FakeClock::advance(std::chrono::milliseconds duration) {
    std::lock_guard lock(mutex_);
    now_ += duration.count();
}

std::chrono::milliseconds FakeClock::total_waited() {
    std::lock_guard lock(mutex_);
    return std::chrono::milliseconds(waited_);
}

int FakeClock::wait_count() {
    std::lock_guard lock(mutex_);
    return waits_;
}

}  // namespace qm
