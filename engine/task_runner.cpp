#include "engine/task_runner.h"

#include "collect/link_collector.h"
#include "engine/gbk_literals.h"
#include "engine/site_profile.h"
#include "engine/watchdog.h"

namespace qm {
namespace {

constexpr std::chrono::milliseconds kSecond{1000};
constexpr int kSecondsPerMinute = 60;

void collectStep(WorkerScope& scope) {
    RunContext& run = scope.run;
    CollectContext ctx{scope.log,    run.articleQueue(), run.collectTarget, run.collectedCount,
                       run.runDir(), run.portalUrl(),    run.clock(),       scope.stop};
    collectNews(ctx);
}

// Sums 生成数量 over the listed sites into the two targets. The keys are read from
// the whole file text; a missing profile contributes nothing.
void totalTargets(RunContext& run) {
    for (const Text& name : run.siteList().siteNames()) {
        if (name.empty()) continue;
        const Text text = to_text(read_file(profilePath(run.runDir(), name)));
        const int count = to_int(profileValueIn(text, profile_key::kGenerateCount));
        if (profileValueIn(text, profile_key::kNews) == kTextTrue) run.collectTarget += count;
        if (profileValueIn(text, profile_key::kCustom) == kTextTrue) run.localTarget += count;
    }
}

}  // namespace

RunSteps standardRunSteps() {
    return RunSteps{collectStep, [](WorkerScope& scope, GenerationMode mode) {
                        runGenerationPass(scope, mode);
                    }};
}

TaskRunner::TaskRunner(RunContext& run, RunSteps steps)
    : run_(run), steps_(std::move(steps)), gate_(run.log()) {}

TaskRunner::~TaskRunner() {
    lifetime_.request_stop();
    std::lock_guard lock(controlMutex_);
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
    run_.closeDatabase();
}

void TaskRunner::startWork() {
    std::lock_guard lock(controlMutex_);
    stopLocked();
    run_.controls().lockRunControls();
    if (run_.intervalMinutes() >= 1) run_.setTimerInterval(kWatchdogIntervalMs);
    run_.resetCounters();
    launchWorker(false);
}

void TaskRunner::stopWork() {
    std::lock_guard lock(controlMutex_);
    stopLocked();
}

void TaskRunner::stopButtonClicked() {
    stopWork();
    run_.log().show_prompt(QM_GBK("已经停止"));
}

void TaskRunner::watchdogTick() {
    std::lock_guard lock(controlMutex_);
    // A tick that was already on its way when the timer stopped.
    if (run_.timerIntervalMs() == kTimerStopped) return;
    WatchdogState& dog = run_.watchdog();
    if (!takeWatchdogSample(dog, run_.log().read_log())) return;
    stopLocked();
    dog = WatchdogState{};
    run_.clock().wait_for(kSecond, lifetime_.get_token());
    if (lifetime_.stop_requested()) return;
    run_.controls().lockStartOnly();
    launchWorker(true);
}

RunState TaskRunner::state() const {
    std::lock_guard lock(stateMutex_);
    if (!live_) return RunState::Idle;
    if (restarted_) return RunState::RestartedLoop;
    return single_ ? RunState::SingleRun : RunState::Looping;
}

bool TaskRunner::waitUntilIdle(std::stop_token stop) {
    std::unique_lock lock(stateMutex_);
    idle_.wait(lock, stop, [&] { return !live_; });
    return !live_;
}

void TaskRunner::stopLocked() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
    workerEnded();
    run_.controls().unlockRunControls();
    run_.resetCounters();
    run_.setTimerInterval(kTimerStopped);
    run_.closeDatabase();
}

void TaskRunner::launchWorker(bool restarted) {
    {
        std::lock_guard lock(stateMutex_);
        live_ = true;
        restarted_ = restarted;
        single_ = run_.intervalMinutes() <= 0;
    }
    worker_ = std::jthread([this](std::stop_token stop) { runTasks(stop); });
}

void TaskRunner::workerEnded() {
    {
        std::lock_guard lock(stateMutex_);
        live_ = false;
        restarted_ = false;
    }
    idle_.notify_all();
}

void TaskRunner::runTasks(std::stop_token stop) {
    init_components();
    WorkerLog log(run_.log(), gate_, stop);
    WorkerScope scope{run_, log, stop};
    run_.collectTarget = 0;
    run_.localTarget = 0;
    log.clear_log();
    totalTargets(run_);
    const bool single = run_.intervalMinutes() <= 0;
    {
        std::lock_guard lock(stateMutex_);
        single_ = single;
    }
    if (stop.stop_requested()) return;
    if (single)
        singleRun(scope);
    else
        loopPasses(scope);
}

bool TaskRunner::collectAndGenerate(WorkerScope& scope) {
    steps_.collect(scope);
    if (scope.stop.stop_requested()) return false;
    if (run_.articleQueue().rowCount() >= 1) steps_.generate(scope, GenerationMode::News);
    if (scope.stop.stop_requested()) return false;
    steps_.generate(scope, GenerationMode::Custom);
    return !scope.stop.stop_requested();
}

void TaskRunner::singleRun(WorkerScope& scope) {
    if (!collectAndGenerate(scope)) return;
    scope.log.show_prompt(QM_GBK("任务完成"));
    // A stop that ended the wait for the prompt does the finishing itself.
    if (scope.stop.stop_requested()) return;
    run_.controls().unlockRunControls();
    run_.resetCounters();
    run_.setTimerInterval(kTimerStopped);
    run_.closeDatabase();
    release_components();
    workerEnded();
}

void TaskRunner::loopPasses(WorkerScope& scope) {
    for (;;) {
        scope.log.clear_log();
        run_.collectedCount = 0;
        scope.log.append_log(QM_GBK("此次任务需要采集文章：") + to_text(run_.collectTarget.load()) +
                             QM_GBK("，需要本地文章：") + to_text(run_.localTarget.load()) +
                             "\r\n");
        if (!collectAndGenerate(scope)) return;

        const int minutes = run_.intervalMinutes();
        for (int m = 1; m <= minutes; ++m) {
            // 64-bit: an edited box may hold any int, and V - m + 1 must not overflow.
            const long long shown = static_cast<long long>(run_.intervalMinutes()) - m + 1;
            scope.log.append_log(QM_GBK("循环倒计时：") + std::to_string(shown) + QM_GBK(" 分") +
                                 "\r\n");
            for (int s = 0; s < kSecondsPerMinute; ++s)
                if (run_.clock().wait_for(kSecond, scope.stop) == WaitResult::Stopped) return;
        }
    }
}

}  // namespace qm
