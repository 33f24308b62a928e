// Start, Stop and the watchdog on the window: the controls a run locks, the timer, the
// run log as the worker writes it, and stops that never hang on the window's thread.
#include <QTimer>

#include "ui/ui_test_support.h"

namespace qm::test {
namespace {

class RunControlsTest : public WindowTest {
  protected:
    // The six controls a run locks, and the two it never locks.
    std::vector<QWidget*> lockable() const {
        return {c().siteGrid,   c().modifyButton, c().deleteButton,
                c().saveButton, c().newButton,    c().startButton};
    }
    void expectLocked(bool locked) const {
        for (QWidget* w : lockable()) {
            EXPECT_EQ(w->isEnabled(), !locked) << w->objectName().toStdString();
        }
        EXPECT_TRUE(c().stopButton->isEnabled());
        EXPECT_TRUE(c().interval->isEnabled());
    }
};

TEST_F(RunControlsTest, StartLocksTheRunControlsArmsTheWatchdogAndLogsThePass) {
    addProfile("a.example.com", "20", true);
    addProfile("b.example.com", "5", false);
    openWindow(&holdingClock);
    refreshSiteList(window->runContext().siteList(), runDir);

    click(c().startButton);
    expectLocked(true);
    EXPECT_TRUE(window->watchdogTimer()->isActive());
    EXPECT_EQ(window->watchdogTimer()->interval(), 300000);
    ASSERT_TRUE(pumpUntil([&] { return logText().contains(u("分")); }));
    EXPECT_EQ(logText(), u("此次任务需要采集文章：20，需要本地文章：5\n循环倒计时：60 分\n"));
    EXPECT_EQ(window->runLog().read_log(),
              QM_GBK("此次任务需要采集文章：20，需要本地文章：5\r\n循环倒计时：60 分\r\n"));

    click(c().stopButton);
    expectLocked(false);
    EXPECT_FALSE(window->watchdogTimer()->isActive());
    EXPECT_EQ(window->runner().state(), RunState::Idle);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("已经停止")});
    EXPECT_EQ(prompts.back().owner, window.get());
    EXPECT_EQ(prompts.back().title, u("友情提醒"));
}

TEST_F(RunControlsTest, TheIntervalBoxFeedsTheRunner) {
    openWindow(&holdingClock);
    QLineEdit* box = c().interval;
    box->clear();
    QTest::keyClicks(box, QStringLiteral("7"));
    EXPECT_EQ(window->runContext().intervalText(), "7");
    EXPECT_EQ(window->runContext().intervalMinutes(), 7);
    click(c().startButton);
    ASSERT_TRUE(pumpUntil([&] { return logText().contains(u("分")); }));
    EXPECT_TRUE(logText().endsWith(u("循环倒计时：7 分\n")));
    click(c().stopButton);
}

TEST_F(RunControlsTest, SingleRunEndsWithItsPromptAndUnlocksWithoutWatchdog) {
    openWindow(&fakeClock);
    c().interval->setText(QStringLiteral("0"));
    click(c().startButton);
    EXPECT_FALSE(window->watchdogTimer()->isActive());
    ASSERT_TRUE(pumpUntil([&] { return window->runner().state() == RunState::Idle; }));
    ASSERT_TRUE(pumpUntil([&] { return c().startButton->isEnabled(); }));
    expectLocked(false);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("任务完成")});
    EXPECT_EQ(prompts.back().owner, window.get());
    EXPECT_FALSE(window->watchdogTimer()->isActive());
}

TEST_F(RunControlsTest, StopWhileIdleShowsItsPromptAndLeavesEverythingIdle) {
    openWindow(&holdingClock);
    click(c().stopButton);
    expectLocked(false);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("已经停止")});
}

TEST_F(RunControlsTest, StopWhileTheWorkerAppendsInALoopDoesNotHang) {
    std::atomic<int> appended{0};
    RunSteps steps{[&](WorkerScope& scope) {
                       while (!scope.stop.stop_requested()) {
                           scope.log.append_log(QM_GBK("采集中") + "\r\n");
                           scope.log.read_log();
                           ++appended;
                       }
                   },
                   [](WorkerScope&, GenerationMode) {}};
    openWindow(&holdingClock, steps);
    click(c().startButton);
    ASSERT_TRUE(pumpUntil([&] { return appended.load() > 200; }));
    click(c().stopButton);
    EXPECT_EQ(window->runner().state(), RunState::Idle);
    const int stoppedAt = appended.load();
    const Text logged = window->runLog().read_log();
    QCoreApplication::processEvents();
    EXPECT_EQ(appended.load(), stoppedAt);
    EXPECT_EQ(window->runLog().read_log(), logged);
    // What the box shows catches up with the log once the window's thread runs.
    ASSERT_TRUE(pumpUntil([&] { return logText().count(u("采集中")) == stoppedAt; }));
    expectLocked(false);
}

TEST_F(RunControlsTest, StartWhileRunningRestartsTheRun) {
    openWindow(&holdingClock);
    click(c().startButton);
    ASSERT_TRUE(pumpUntil([&] { return holdingClock.held() == 1; }));
    // Start is locked while running; the runner's own Start still restarts cleanly.
    window->runner().startWork();
    ASSERT_TRUE(pumpUntil([&] { return holdingClock.held() == 1; }));
    expectLocked(true);
    click(c().stopButton);
    expectLocked(false);
}

TEST_F(RunControlsTest, WatchdogRestartsAStalledRunWithOnlyStartLocked) {
    openWindow(&holdingClock);
    click(c().startButton);
    ASSERT_TRUE(pumpUntil([&] { return holdingClock.held() == 1; }));
    // The worker rests in its countdown, so the log does not grow between ticks.
    window->watchdogFired();
    EXPECT_EQ(window->runner().state(), RunState::Looping);
    window->watchdogFired();
    EXPECT_EQ(window->runner().state(), RunState::RestartedLoop);
    ASSERT_TRUE(pumpUntil([&] { return holdingClock.held() == 1; }));
    EXPECT_FALSE(c().startButton->isEnabled());
    for (QWidget* w :
         {static_cast<QWidget*>(c().siteGrid), static_cast<QWidget*>(c().newButton),
          static_cast<QWidget*>(c().saveButton), static_cast<QWidget*>(c().deleteButton)}) {
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(window->watchdogTimer()->isActive());
    click(c().stopButton);
    expectLocked(false);
}

TEST_F(RunControlsTest, ClosingTheWindowWhileAPromptOfTheRunWaitsEndsBoth) {
    // A prompt that is never answered: the worker's single run waits at its end.
    openWindow(&fakeClock);
    std::atomic<bool> asked{false};
    window->runLog().setPromptHook([&](const ui::PromptRequest&) {
        asked = true;
        // Stands for the open box: the operator closes the window instead of answering.
        window->close();
        return kMbResultOk;
    });
    c().interval->setText(QStringLiteral("0"));
    click(c().startButton);
    ASSERT_TRUE(pumpUntil([&] { return asked.load(); }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->runner().state(), RunState::Idle);
}

}  // namespace
}  // namespace qm::test
