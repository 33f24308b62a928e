// The one clock and sleeper the engine waits through, with cooperative stop.
//
// Every wait the engine makes (the 1000 ms per site, the 10 ms per article, the
// one-minute steps of the countdown, the watchdog's second) goes through a Clock, so
// a stop request wakes it at once and tests can run hours of waiting in
// milliseconds with FakeClock. Clocks are shared between threads; all members are
// thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>

namespace qm {

enum class WaitResult { Elapsed, Stopped };

class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary origin.
    virtual std::int64_t now_ms() = 0;
    // Waits for duration, or until stop is requested (Stopped, returned at once when
    // the stop was already requested).
    virtual WaitResult wait_for(std::chrono::milliseconds duration, std::stop_token stop) = 0;
};

// The real clock: steady_clock and a condition variable woken by the stop token.
Clock& system_clock();

// A clock whose waits return at once and advance its time by the waited duration.
// on_wait, when set, runs inside every wait (after the time has advanced), so a test
// can change inputs between the minutes of a countdown or request a stop.
class FakeClock : public Clock {
  public:
    std::int64_t now_ms() override;
    WaitResult wait_for(std::chrono::milliseconds duration, std::stop_token stop) override;

    void set_on_wait(std::function<void(std::chrono::milliseconds)> hook);
    void advance(std::chrono::milliseconds duration);
    // Total of every duration waited for, and the number of waits.
    std::chrono::milliseconds total_waited();
    int wait_count();

  private:
    std::mutex mutex_;
    std::int64_t now_ = 0;
    std::int64_t waited_ = 0;
    int waits_ = 0;
    std::function<void(std::chrono::milliseconds)> on_wait_;
};

}  // namespace qm
