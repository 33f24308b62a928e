// RunContext: everything a run of the task engine shares, in one object. The window
// (or the headless runner, or a test) creates one, binds its views to it and hands
// it to the TaskRunner (engine/task_runner.h); nothing of a run lives anywhere else.
//
// It owns the run counters, the ArticleQueue, the two result tables, the database
// objects, the site list, the loop-interval text, the watchdog's state and timer
// interval. It borrows, for its whole life, the RunLogPort the run reports to, the
// RunControls port that locks and unlocks the window's controls and the Clock every
// wait goes through; they must outlive it.
//
// Threads. The counters, the interval text, the timer interval and the site list are
// safe from any thread. The queue, the result tables and the database objects
// belong to the task worker while a run is active and to the thread that runs
// stopWork after the worker has been joined; nothing else may touch them. The
// watchdog state is touched only by TaskRunner's control operations, which are
// serialised.
//
// Port rules (what an implementation of RunLogPort and RunControls must keep so that
// stopWork can never deadlock against the worker): append_log, clear_log, read_log
// and every RunControls call may come from the worker and must not wait for the
// window's thread (keep the log text in a guarded mirror and post the display update).
// show_prompt and show_message may block for the operator; the worker never calls
// them directly but through a PromptGate (engine/prompt_gate.h), so that a stop
// never waits for a box to be closed.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <stop_token>

#include "collect/article_queue.h"
#include "engine/site_database.h"
#include "engine/site_list.h"
#include "foundation/clock.h"
#include "foundation/run_log.h"
#include "foundation/text_kit.h"

namespace qm {

// The watchdog timer's interval while armed (five minutes), and stopped.
inline constexpr int kWatchdogIntervalMs = 300000;
inline constexpr int kTimerStopped = 0;

// The portal used when none is given.
inline const Text kDefaultPortalUrl = "http://news.sohu.com";
// The interval box's text in a fresh window.
inline const Text kDefaultIntervalText = "60";

// The controls a run locks: the site grid and the buttons 修 改, 删除, 保存, 新建 and
// 启动. The Stop button and the interval box are never locked. Calls come from the
// thread running the control operation (the window's thread, a headless signal or
// timer thread) and from the worker when a single run finishes; they must not wait
// for the window's thread.
class RunControls {
  public:
    virtual ~RunControls() = default;
    // Disables all six.
    virtual void lockRunControls() = 0;
    // Enables all six.
    virtual void unlockRunControls() = 0;
    // Disables the Start button; the other five are left as they are.
    virtual void lockStartOnly() = 0;
};

// Keeps the enabled state of the controls, for the headless runner and tests.
// Thread-safe.
class RecordingRunControls : public RunControls {
  public:
    void lockRunControls() override;
    void unlockRunControls() override;
    void lockStartOnly() override;

    bool startEnabled() const;
    // The grid and the four editing buttons (they always change together).
    bool editingEnabled() const;
    int lockCount() const;
    int unlockCount() const;

  private:
    mutable std::mutex mutex_;
    bool start_ = true;
    bool editing_ = true;
    int locks_ = 0;
    int unlocks_ = 0;
};

// The watchdog's samples: the tick counter and the cleaned run-log line counts of the
// last even and odd tick.
struct WatchdogState {
    int tickCount = 0;
    int evenSample = 0;
    int oddSample = 0;
};

class RunContext {
  public:
    struct Settings {
        Text runDir;                         // GBK, no trailing separator
        Text portalUrl = kDefaultPortalUrl;  // no trailing "/"
        Text intervalText = kDefaultIntervalText;
    };

    RunContext(RunLogPort& log, RunControls& controls, Clock& clock, Settings settings);
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    RunLogPort& log() { return log_; }
    RunControls& controls() { return controls_; }
    Clock& clock() { return clock_; }
    const Text& runDir() const { return runDir_; }
    const Text& portalUrl() const { return portalUrl_; }

    // The run counters (sums of 生成数量 over news and custom-article sites, and the
    // articles stored in the pool in this pass).
    std::atomic<int> collectTarget{0};
    std::atomic<int> localTarget{0};
    std::atomic<int> collectedCount{0};
    void resetCounters();

    // Worker-owned while a run is active (see the threads note above).
    ArticleQueue& articleQueue() { return queue_; }
    ResultTable& latestArticles() { return latest_; }
    ResultTable& randomArticles() { return random_; }
    DbConnection& dbConnection() { return connection_; }
    DbRecordSet& dbRecordSet() { return records_; }
    // Closes the record set, then the connection.
    void closeDatabase();

    SiteList& siteList() { return sites_; }

    // The loop-interval box. The window writes the text whenever the box changes;
    // the runner reads it where a run needs the interval. Minutes are to_int of the
    // text (an empty or non-numeric box reads 0).
    void setIntervalText(const Text& text);
    Text intervalText() const;
    int intervalMinutes() const;

    // The watchdog timer's interval in ms: kTimerStopped or kWatchdogIntervalMs.
    // The listener is told every change (the window re-arms its timer, the headless
    // timer thread wakes); it may run on the worker, must not block on the window's
    // thread, and must not call back into the TaskRunner.
    int timerIntervalMs() const { return timerMs_.load(); }
    void setTimerInterval(int ms);
    void setTimerListener(std::function<void(int ms)> listener);

    // Only for TaskRunner's serialised control operations (and tests reading them).
    WatchdogState& watchdog() { return watchdog_; }

  private:
    RunLogPort& log_;
    RunControls& controls_;
    Clock& clock_;
    const Text runDir_;
    const Text portalUrl_;

    ArticleQueue queue_;
    ResultTable latest_;
    ResultTable random_;
    DbConnection connection_;
    DbRecordSet records_;
    SiteList sites_;

    mutable std::mutex mutex_;  // guards intervalText_ and timerListener_
    Text intervalText_;
    std::function<void(int)> timerListener_;
    std::atomic<int> timerMs_{kTimerStopped};

    WatchdogState watchdog_;
};

// What the steps of one worker run (collection, the generation pass) are handed: the
// context, the port they report to (the run log, with prompts through the worker's
// PromptGate) and the worker's stop token. Lives on the worker's stack.
struct WorkerScope {
    RunContext& run;
    RunLogPort& log;
    std::stop_token stop;
};

}  // namespace qm
