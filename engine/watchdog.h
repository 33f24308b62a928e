// The watchdog of a looping run: the sample it takes on every tick, and a timer that
// delivers the ticks where no window timer does (the headless runner).
//
// takeWatchdogSample counts the run log's lines (blank lines removed), stores the
// count in the slot of the tick's parity and says whether the two slots now hold the
// same count, i.e. whether the log stopped growing between two ticks. The slots are
// kept across runs on purpose: the first tick of a new run compares against the last
// sample of the previous one.
//
// WatchdogTimer calls its tick function every RunContext::timerIntervalMs on a thread
// of its own, waiting through the context's clock; a change of the interval restarts
// the wait (as re-arming a timer does), an interval of 0 stops the ticks. Connect it
// with run.setTimerListener([&](int ms) { timer.intervalChanged(ms); }). The tick
// function runs on the timer's thread; the destructor stops and joins it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "engine/run_context.h"

namespace qm {

// One tick's sample (tickCount += 1, then the slot of its parity); true when the
// even and the odd sample are equal.
bool takeWatchdogSample(WatchdogState& state, const Text& logText);

class WatchdogTimer {
  public:
    WatchdogTimer(RunContext& run, std::function<void()> tick);
    ~WatchdogTimer();
    WatchdogTimer(const WatchdogTimer&) = delete;
    WatchdogTimer& operator=(const WatchdogTimer&) = delete;

    // Tells the timer that the context's interval changed; any thread.
    void intervalChanged(int ms);
    // Ticks delivered so far.
    int ticks();

  private:
    void loop(std::stop_token stop);

    RunContext& run_;
    std::function<void()> tick_;
    std::mutex mutex_;
    std::condition_variable_any changedCv_;
    bool changed_ = false;
    std::stop_source waitStop_;
    int ticks_ = 0;
    std::jthread thread_;  // last: starts after the members it uses
};

}  // namespace qm
