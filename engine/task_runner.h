// TaskRunner: the engine's driver behind Start, Stop and the watchdog timer.
//
// startWork (Start) stops what runs, locks the run controls, arms the watchdog when
// the loop interval is 1 or more, clears the counters and starts a worker thread at
// runTasks. The worker totals 生成数量 over the news sites (collectTarget) and the
// custom-article sites (localTarget), then either performs one pass and ends with
// the prompt "任务完成" (interval 0 or less) or loops for ever: clear the log, log
// "此次任务需要采集文章：<n>，需要本地文章：<m>", collect news, run the generation
// pass in news mode (when the queue holds a row) and in custom-article mode, and
// count the interval down minute by minute ("循环倒计时：<V − m + 1> 分", the box read
// again every minute). stopWork (Stop, and the first step of Start and of a restart)
// ends the worker, unlocks the controls, clears the counters, stops the watchdog
// timer and closes the database objects. watchdogTick samples the run log's line
// count; two equal samples in a row restart the worker with only Start locked and
// the timer left stopped.
//
// Stopping is cooperative and complete. The worker has one stop token: every wait
// goes through the clock with it, an HTTP request in flight is abandoned, the pass
// checks it between articles and pages, a site's records are stored in one
// transaction and files are written whole. stopWork requests the stop and joins the
// worker, so when it returns nothing of the stopped run happens any more and no file
// is half-written.
//
// Prompts never deadlock a stop: the worker shows "任务完成" and "打开数据源失败。"
// through a PromptGate (engine/prompt_gate.h), waiting for the answer or its stop. A
// stopWork that arrives while "任务完成" is open (a watchdog tick during the box, or
// a signal in the headless runner) ends the wait at once and does the finishing
// itself; the box stays open until the operator closes it. Together with the port
// rules of engine/run_context.h (log calls and RunControls never wait for the window's
// thread), the worker never waits for the thread that joins it.
//
// Threads. startWork, stopWork, stopButtonClicked and watchdogTick are the control
// operations: the window calls them on its thread, the headless runner from its
// signal and timer threads; they are serialised by the runner, so any thread may call
// them, but never from inside the worker or a port callback. The window's timer
// follows RunContext::timerIntervalMs (tell it through RunContext::setTimerListener);
// a tick while the timer is stopped does nothing.
//
// The runner borrows the context, which must outlive it. Destroying the runner stops
// and joins the worker (without touching the controls).
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "engine/generation_pass.h"
#include "engine/prompt_gate.h"
#include "engine/run_context.h"

namespace qm {

// The steps a pass is made of. Tests put fakes in; standardRunSteps() gives the real
// collection and generation pass.
struct RunSteps {
    std::function<void(WorkerScope&)> collect;
    std::function<void(WorkerScope&, GenerationMode)> generate;
};
RunSteps standardRunSteps();

enum class RunState {
    Idle,           // controls enabled, timer stopped
    SingleRun,      // controls locked, no watchdog
    Looping,        // controls locked, watchdog armed
    RestartedLoop,  // only Start locked, watchdog stopped (after a watchdog restart)
};

class TaskRunner {
  public:
    explicit TaskRunner(RunContext& run, RunSteps steps = standardRunSteps());
    ~TaskRunner();
    TaskRunner(const TaskRunner&) = delete;
    TaskRunner& operator=(const TaskRunner&) = delete;

    // The Start button.
    void startWork();
    // The stop routine: when it returns the worker has ended.
    void stopWork();
    // The Stop button: stopWork, then the prompt "已经停止" (also when idle). The
    // prompt goes to the context's port directly, on the calling thread.
    void stopButtonClicked();
    // One tick of the watchdog timer.
    void watchdogTick();

    RunState state() const;
    // Waits until no worker is live (a single run has finished, or a stop), or until
    // stop is requested. True when idle.
    bool waitUntilIdle(std::stop_token stop);

  private:
    void stopLocked();                  // stopWork without taking controlMutex_
    void launchWorker(bool restarted);  // requires controlMutex_
    void runTasks(std::stop_token stop);
    // One pass's work: collection, the news pass when the queue holds a row, the
    // custom-article pass. False when a stop ended it.
    bool collectAndGenerate(WorkerScope& scope);
    void singleRun(WorkerScope& scope);
    void loopPasses(WorkerScope& scope);
    void workerEnded();

    RunContext& run_;
    RunSteps steps_;
    PromptGate gate_;
    std::stop_source lifetime_;  // wakes the restart's wait when the runner goes

    std::mutex controlMutex_;  // serialises the control operations
    std::jthread worker_;

    mutable std::mutex stateMutex_;  // guards the fields below
    std::condition_variable_any idle_;
    bool live_ = false;
    bool restarted_ = false;
    bool single_ = false;
};

}  // namespace qm
