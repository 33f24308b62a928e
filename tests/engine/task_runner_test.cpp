// The task runner under the fake clock: loop and countdown, single run, totals,
// watchdog restarts, and stops at every stage (idle, collection, pass, final prompt).
#include "engine/task_runner.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <string>
#include <vector>

#include "collect/test_server.h"
#include "engine/watchdog.h"
#include "run_fixture.h"

namespace qm {
namespace {

using runtest::g;
using runtest::RunDir;
using namespace std::chrono_literals;

// Log lines and clock waits in one sequence ("L:" + UTF-8 line, "W:" + ms), plus
// optional hooks: a blocking prompt and an action on the first clear_log.
class EventLog : public RecordingRunLog {
  public:
    void append_log(const Text& text) override {
        RecordingRunLog::append_log(text);
        event("L:" + gbk_to_utf8(text));
    }
    void clear_log() override {
        RecordingRunLog::clear_log();
        if (onFirstClear) std::exchange(onFirstClear, nullptr)();
    }
    void show_prompt(const Text& text) override {
        RecordingRunLog::show_prompt(text);
        if (!blockPrompts) return;
        std::unique_lock lock(mutex_);
        ++openPrompts_;
        cv_.notify_all();
        cv_.wait(lock, [&] { return released_; });
        --openPrompts_;
    }
    void event(const std::string& e) {
        std::lock_guard lock(mutex_);
        events_.push_back(e);
    }
    std::vector<std::string> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void waitForOpenPrompts(int n) {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return openPrompts_ >= n; });
    }
    void releasePrompts() {
        std::lock_guard lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

    bool blockPrompts = false;
    std::function<void()> onFirstClear;

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> events_;
    int openPrompts_ = 0;
    bool released_ = false;
};

// Collection and generation stand-ins that record their calls; collect call number
// `stallAt` (and every later one with stallForever) waits until the worker is stopped.
class FakeSteps {
  public:
    RunSteps steps() {
        return {[this](WorkerScope& scope) { collect(scope); },
                [this](WorkerScope& scope, GenerationMode mode) {
                    record(mode == GenerationMode::News ? "news" : "custom");
                    scope.log.append_log(mode == GenerationMode::News ? "news\r\n" : "custom\r\n");
                }};
    }
    void collect(WorkerScope& scope) {
        int number;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back("collect");
            number = ++collects_;
        }
        if (onCollect) onCollect(scope);
        if (number == stallAt || (stallForever && number >= stallAt)) {
            std::unique_lock lock(mutex_);
            ++stalled_;
            cv_.notify_all();
            cv_.wait(lock, scope.stop, [] { return false; });
        }
    }
    void record(const std::string& call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    // Waits until n collections have stalled.
    void waitStalled(int n = 1) {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return stalled_ >= n; });
    }
    std::vector<std::string> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    int stallAt = -1;
    bool stallForever = false;
    std::function<void(WorkerScope&)> onCollect;

  private:
    std::mutex mutex_;
    std::condition_variable_any cv_;
    std::vector<std::string> calls_;
    int collects_ = 0;
    int stalled_ = 0;
};

class TaskRunnerTest : public ::testing::Test {
  protected:
    TaskRunnerTest() : run(log, controls, clock, {dir.runText(), "http://127.0.0.1:9", "60"}) {
        clock.set_on_wait([this](std::chrono::milliseconds d) {
            log.event("W:" + std::to_string(d.count()));
            if (onWait) onWait(clock.wait_count());
        });
        run.setTimerListener([this](int ms) { log.event("T:" + std::to_string(ms)); });
    }

    std::unique_ptr<TaskRunner> makeRunner() {
        return std::make_unique<TaskRunner>(run, fake.steps());
    }

    // The events up to (not including) the n-th line starting with prefix.
    std::vector<std::string> eventsBefore(const std::string& prefix, int n) {
        std::vector<std::string> out;
        int seen = 0;
        for (const std::string& e : log.events()) {
            if (e.rfind(prefix, 0) == 0 && ++seen == n) break;
            if (e[0] != 'T') out.push_back(e);
        }
        return out;
    }

    static std::string totals(int news, int local) {
        return "L:此次任务需要采集文章：" + std::to_string(news) + "，需要本地文章：" +
               std::to_string(local) + "\r\n";
    }
    static std::string countdown(long long minutes) {
        return "L:循环倒计时：" + std::to_string(minutes) + " 分\r\n";
    }
    static void minuteOfWaits(std::vector<std::string>& out) {
        for (int s = 0; s < 60; ++s) out.push_back("W:1000");
    }

    RunDir dir;
    EventLog log;
    RecordingRunControls controls;
    FakeClock clock;
    std::function<void(int)> onWait;
    RunContext run;
    FakeSteps fake;
};

TEST_F(TaskRunnerTest, DefaultIntervalCountsDownSixtyMinutesBetweenPasses) {
    fake.stallAt = 2;
    auto runner = makeRunner();
    runner->startWork();
    fake.waitStalled();
    EXPECT_EQ(runner->state(), RunState::Looping);
    EXPECT_EQ(run.timerIntervalMs(), kWatchdogIntervalMs);
    EXPECT_FALSE(controls.startEnabled());
    EXPECT_FALSE(controls.editingEnabled());

    std::vector<std::string> want = {totals(0, 0), "L:custom\r\n"};
    for (int minute = 60; minute >= 1; --minute) {
        want.push_back(countdown(minute));
        minuteOfWaits(want);
    }
    EXPECT_EQ(eventsBefore("L:此次", 2), want);
    // The queue stayed empty, so the news pass was never called.
    EXPECT_EQ(fake.calls(), (std::vector<std::string>{"collect", "custom", "collect"}));
    EXPECT_EQ(log.clear_count(), 3);  // the run's start and each pass

    runner->stopWork();
    EXPECT_EQ(runner->state(), RunState::Idle);
    EXPECT_EQ(run.timerIntervalMs(), kTimerStopped);
    EXPECT_TRUE(controls.startEnabled());
    EXPECT_TRUE(controls.editingEnabled());
}

TEST_F(TaskRunnerTest, EditedIntervalChangesTheShownMinutesNotTheirNumber) {
    run.setIntervalText("10");
    fake.stallAt = 4;
    onWait = [this](int waits) {
        if (waits == 30) run.setIntervalText("4");   // during the first minute
        if (waits == 630) run.setIntervalText("0");  // the second pass's first minute
    };
    auto runner = makeRunner();
    runner->startWork();
    fake.waitStalled();
    runner->stopWork();

    std::vector<std::string> want = {totals(0, 0), "L:custom\r\n"};
    for (long long shown : {10, 3, 2, 1, 0, -1, -2, -3, -4, -5}) {  // ten minutes all the same
        want.push_back(countdown(shown));
        minuteOfWaits(want);
    }
    want.push_back(totals(0, 0));
    want.push_back("L:custom\r\n");
    for (long long shown : {4, -1, -2, -3}) {  // the new count, shown from the newer box
        want.push_back(countdown(shown));
        minuteOfWaits(want);
    }
    // An interval of 0 now: the next pass follows without any wait.
    want.push_back(totals(0, 0));
    want.push_back("L:custom\r\n");
    want.push_back(totals(0, 0));
    EXPECT_EQ(eventsBefore("L:never", 1), want);
}

TEST_F(TaskRunnerTest, CountdownOfAHugeEditedIntervalDoesNotOverflow) {
    run.setIntervalText("2");
    fake.stallAt = 2;
    onWait = [this](int waits) {
        if (waits == 1) run.setIntervalText("-2147483648");
    };
    auto runner = makeRunner();
    runner->startWork();
    fake.waitStalled();
    runner->stopWork();
    const auto events = eventsBefore("L:此次", 2);
    EXPECT_EQ(std::count(events.begin(), events.end(), countdown(-2147483649LL)), 1);
}

TEST_F(TaskRunnerTest, SingleRunLogsOnlyWhatItsStepsAppendAndEndsWithThePrompt) {
    struct Case {
        int queued;
        std::vector<std::string> calls;
    };
    for (const Case& c : {Case{0, {"collect", "custom"}}, Case{2, {"collect", "news", "custom"}}}) {
        SCOPED_TRACE(c.queued);
        FakeSteps steps;
        steps.onCollect = [&](WorkerScope& scope) {
            scope.log.append_log("collected\r\n");
            for (int i = 0; i < c.queued; ++i) scope.run.articleQueue().addRow({});
        };
        RecordingRunLog plain;
        RunContext single(plain, controls, clock, {dir.runText(), "http://127.0.0.1:9", "0"});
        TaskRunner runner(single, steps.steps());
        runner.startWork();
        EXPECT_TRUE(runner.waitUntilIdle({}));

        EXPECT_EQ(steps.calls(), c.calls);
        std::vector<Text> want = {"collected\r\n"};
        if (c.queued) want.push_back("news\r\n");
        want.push_back("custom\r\n");
        EXPECT_EQ(plain.appended(), want);
        EXPECT_EQ(plain.clear_count(), 1);
        EXPECT_EQ(plain.prompts(), (std::vector<Text>{g("任务完成")}));
        EXPECT_EQ(runner.state(), RunState::Idle);
        EXPECT_TRUE(controls.startEnabled());
        EXPECT_TRUE(controls.editingEnabled());
        EXPECT_EQ(single.timerIntervalMs(), kTimerStopped);
        EXPECT_EQ(single.collectTarget, 0);
        EXPECT_EQ(clock.wait_count(), 0);
    }
}

TEST_F(TaskRunnerTest, TotalsAreSummedOverNewsAndCustomSitesOnce) {
    dir.addSite(dir.site("news.test", 20));
    SiteSettings custom = dir.site("own.test", 5);
    custom.news = false;
    dir.addSite(custom);
    SiteSettings odd = dir.site("odd.test", 0);
    odd.generateCount = "abc";  // not a number: counts 0
    dir.addSite(odd);
    SiteList& sites = run.siteList();
    sites.setCell(0, 1, "news.test");
    sites.setCell(2, 1, "missing.test");  // no profile: contributes nothing
    sites.setCell(3, 1, "own.test");
    sites.setCell(4, 1, "odd.test");
    run.setIntervalText("5");
    fake.stallAt = 2;
    int seenTarget = -1;
    fake.onCollect = [&](WorkerScope& scope) {
        if (seenTarget < 0) seenTarget = scope.run.collectTarget;
    };
    auto runner = makeRunner();
    runner->startWork();
    fake.waitStalled();

    EXPECT_EQ(log.appended().front(), g("此次任务需要采集文章：20，需要本地文章：5\r\n"));
    EXPECT_EQ(seenTarget, 20);
    EXPECT_EQ(run.localTarget, 5);
    // The second pass logs the same totals: they are not recomputed.
    const auto events = eventsBefore("L:never", 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), totals(20, 5)), 2);
    runner->stopWork();
    EXPECT_EQ(run.collectTarget, 0);
    EXPECT_EQ(run.localTarget, 0);
}

TEST_F(TaskRunnerTest, WatchdogRestartsAStalledLoopWithOnlyStartLocked) {
    run.setIntervalText("1");
    fake.stallAt = 1;
    fake.stallForever = true;
    auto runner = makeRunner();
    runner->startWork();
    fake.waitStalled(1);

    runner->watchdogTick();  // odd slot: 1 line, even slot still 0
    EXPECT_EQ(runner->state(), RunState::Looping);
    EXPECT_EQ(run.watchdog().tickCount, 1);
    EXPECT_EQ(run.watchdog().oddSample, 1);
    const int waitsBefore = clock.wait_count();

    runner->watchdogTick();  // even slot: 1 line again: stalled
    fake.waitStalled(2);     // the new worker is running
    EXPECT_EQ(runner->state(), RunState::RestartedLoop);
    EXPECT_EQ(clock.wait_count(), waitsBefore + 1);  // the one-second pause
    EXPECT_EQ(run.watchdog().tickCount, 0);
    EXPECT_EQ(run.watchdog().evenSample, 0);
    EXPECT_EQ(run.watchdog().oddSample, 0);
    EXPECT_EQ(run.timerIntervalMs(), kTimerStopped);  // not re-armed
    EXPECT_FALSE(controls.startEnabled());
    EXPECT_TRUE(controls.editingEnabled());
    EXPECT_EQ(fake.calls(), (std::vector<std::string>{"collect", "collect"}));

    runner->watchdogTick();  // the timer is stopped: nothing happens
    EXPECT_EQ(run.watchdog().tickCount, 0);
    EXPECT_EQ(runner->state(), RunState::RestartedLoop);

    runner->stopButtonClicked();
    EXPECT_EQ(runner->state(), RunState::Idle);
    EXPECT_TRUE(controls.startEnabled());
    EXPECT_EQ(log.prompts(), (std::vector<Text>{g("已经停止")}));
}

TEST_F(TaskRunnerTest, WatchdogSlotsSurviveStopAndStart) {
    run.setIntervalText("1");
    fake.stallAt = 1;
    fake.stallForever = true;
    auto runner = makeRunner();
    runner->startWork();
    fake.waitStalled(1);
    runner->watchdogTick();
    runner->stopWork();
    EXPECT_EQ(run.watchdog().tickCount, 1);
    EXPECT_EQ(run.watchdog().oddSample, 1);

    runner->startWork();
    fake.waitStalled(2);
    // The first tick of the new run compares with the last sample of the old one.
    runner->watchdogTick();
    fake.waitStalled(3);
    EXPECT_EQ(runner->state(), RunState::RestartedLoop);
    runner->stopWork();
}

TEST_F(TaskRunnerTest, WatchdogSampleCountsLinesWithoutBlankOnes) {
    WatchdogState state;
    EXPECT_TRUE(takeWatchdogSample(state, ""));  // 0 lines against the fresh even slot
    EXPECT_EQ(state.oddSample, 0);
    EXPECT_FALSE(takeWatchdogSample(state, "a\r\n\r\n   \r\nb\r\n"));  // 2 lines
    EXPECT_EQ(state.evenSample, 2);
    EXPECT_TRUE(takeWatchdogSample(state, "a\r\nb\r\n\r\n"));
    EXPECT_EQ(state.tickCount, 3);
}

TEST_F(TaskRunnerTest, StopWhileIdleOnlyPrompts) {
    auto runner = makeRunner();
    runner->stopButtonClicked();
    EXPECT_EQ(log.prompts(), (std::vector<Text>{g("已经停止")}));
    EXPECT_EQ(runner->state(), RunState::Idle);
    EXPECT_TRUE(controls.startEnabled());
    EXPECT_TRUE(fake.calls().empty());
    EXPECT_TRUE(log.appended().empty());
}

TEST_F(TaskRunnerTest, StopEndsACollectionWaitingForTheNetwork) {
    testing::LoopbackServer portal([](const testing::ReceivedRequest&) {
        return testing::Reply::of(testing::Reply::Kind::Hang);
    });
    ASSERT_TRUE(portal.ok());
    dir.addSite(dir.site("net.test", 3));
    RunContext net(log, controls, clock, {dir.runText(), portal.url(), "0"});
    net.siteList().setCell(0, 1, "net.test");
    TaskRunner runner(net);
    runner.startWork();
    ASSERT_TRUE(portal.waitForRequests(1));

    runner.stopWork();  // returns although the server never answers

    EXPECT_EQ(runner.state(), RunState::Idle);
    EXPECT_TRUE(log.prompts().empty());
    const std::vector<Text> lines = log.appended();
    EXPECT_EQ(lines, (std::vector<Text>{g("开始采集链接\r\n")}));
    EXPECT_EQ(net.collectTarget, 0);
}

// A clock whose n-th wait of `length` blocks until the waiting worker is stopped.
class StallingClock : public Clock {
  public:
    StallingClock(std::chrono::milliseconds length, int n) : length_(length), n_(n) {}
    std::int64_t now_ms() override { return 0; }
    WaitResult wait_for(std::chrono::milliseconds d, std::stop_token stop) override {
        std::unique_lock lock(mutex_);
        if (d == length_ && ++seen_ == n_) {
            stalled_ = true;
            cv_.notify_all();
            cv_.wait(lock, stop, [] { return false; });
        }
        return stop.stop_requested() ? WaitResult::Stopped : WaitResult::Elapsed;
    }
    void waitStalled() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return stalled_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable_any cv_;
    std::chrono::milliseconds length_;
    int n_;
    int seen_ = 0;
    bool stalled_ = false;
};

TEST_F(TaskRunnerTest, StopInTheMiddleOfAPassStoresNoRecordAndNoPage) {
    dir.addSite(dir.site("mid.test", 4), 1);
    StallingClock stalling(10ms, 3);  // the third article's wait
    RunContext mid(log, controls, stalling, {dir.runText(), "http://127.0.0.1:9", "0"});
    mid.siteList().setCell(0, 1, "mid.test");
    RunSteps steps = standardRunSteps();
    steps.collect = [&](WorkerScope& scope) {  // the pool as a collection leaves it
        for (int i = 1; i <= 4; ++i) {
            const Text title = g("停止测试文章") + to_text(i);
            dir.poolArticle(title, g("正文，") + to_text(i));
            ArticleRow row;
            row.cells[1] = title;
            scope.run.articleQueue().addRow(row);
        }
    };
    TaskRunner runner(mid, steps);
    runner.startWork();
    stalling.waitStalled();

    runner.stopWork();

    EXPECT_EQ(dir.rows("mid.test").size(), 1u);  // only the record that was there
    EXPECT_TRUE(dir.pages("mid.test", "html").empty());
    EXPECT_TRUE(dir.pages("mid.test", "list").empty());
    EXPECT_TRUE(log.prompts().empty());
    EXPECT_FALSE(mid.dbConnection().isOpen());
}

TEST_F(TaskRunnerTest, StopWhileTheFinalPromptIsOpenDoesNotWaitForIt) {
    log.blockPrompts = true;
    run.setIntervalText("0");
    auto runner = makeRunner();
    runner->startWork();
    log.waitForOpenPrompts(1);
    EXPECT_EQ(runner->state(), RunState::SingleRun);

    runner->stopWork();  // the operator has not answered

    EXPECT_EQ(runner->state(), RunState::Idle);
    EXPECT_TRUE(controls.startEnabled());
    log.releasePrompts();
}

TEST_F(TaskRunnerTest, WatchdogTickDuringTheFinalPromptRestartsWithoutDeadlock) {
    // Start arms the watchdog with "1"; the box reads "0" by the time the worker
    // looks, so the run is a single one with the timer armed.
    log.blockPrompts = true;
    run.setIntervalText("1");
    log.onFirstClear = [this] { run.setIntervalText("0"); };
    auto runner = makeRunner();
    runner->startWork();
    log.waitForOpenPrompts(1);
    EXPECT_EQ(run.timerIntervalMs(), kWatchdogIntervalMs);

    runner->watchdogTick();
    runner->watchdogTick();     // the log did not grow while the box was open
    log.waitForOpenPrompts(2);  // the restarted worker made its single run too
    EXPECT_EQ(fake.calls(), (std::vector<std::string>{"collect", "custom", "collect", "custom"}));

    runner->stopWork();
    EXPECT_EQ(runner->state(), RunState::Idle);
    log.releasePrompts();
}

TEST_F(TaskRunnerTest, WatchdogTimerTicksAtTheIntervalUntilStopped) {
    int ticks = 0;
    std::mutex mutex;
    std::condition_variable done;
    WatchdogTimer timer(run, [&] {
        std::lock_guard lock(mutex);
        if (++ticks == 3) run.setTimerInterval(kTimerStopped);
        done.notify_all();
    });
    run.setTimerListener([&](int ms) { timer.intervalChanged(ms); });
    run.setTimerInterval(kWatchdogIntervalMs);
    {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return ticks == 3; });
    }
    EXPECT_EQ(timer.ticks(), 3);
    EXPECT_GE(clock.total_waited(), 3 * std::chrono::milliseconds(kWatchdogIntervalMs));
    run.setTimerListener({});
}

}  // namespace
}  // namespace qm
