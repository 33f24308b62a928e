// The run log box and the prompts on the real window: appends at the end with the
// caret scrolled into view, order across threads, clear, the notice and message boxes
// (captured by the hook, and once really shown and closed), and the dispatcher that
// carries workers' calls to the window's thread.
#include <QMessageBox>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include "ui/ui_test_support.h"

namespace qm::test {
namespace {

class RunLogTest : public WindowTest {
  protected:
    void SetUp() override { openWindow(); }
    ui::WindowRunLog& log() { return window->runLog(); }
};

TEST_F(RunLogTest, AppendsMakeLinesInOrderAndATextWithoutLineBreakContinuesTheLine) {
    log().append_log(QM_GBK("开始采集链接\r\n"));
    log().append_log(QM_GBK("采集完成\r\n"));
    log().append_log("abc");
    log().append_log(QM_GBK("第三行\r\n"));
    EXPECT_EQ(log().read_log(), QM_GBK("开始采集链接\r\n采集完成\r\nabc第三行\r\n"));
    EXPECT_EQ(logText(), u("开始采集链接\n采集完成\nabc第三行\n"));
    EXPECT_EQ(line_count(log().read_log()), 3);
}

TEST_F(RunLogTest, EveryAppendPutsTheCaretAtTheEndAndScrollsItIntoView) {
    window->showPage(1);
    for (int i = 0; i < 300; ++i) log().append_log("line " + std::to_string(i) + "\r\n");
    QCoreApplication::processEvents();
    // The operator scrolls to the top and selects the first line.
    QScrollBar* bar = c().log->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(0);
    QTextCursor selection(c().log->document());
    selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c().log->setTextCursor(selection);

    log().append_log(QM_GBK("采集完成\r\n"));
    const QTextCursor caret = c().log->textCursor();
    EXPECT_FALSE(caret.hasSelection());
    EXPECT_TRUE(caret.atEnd());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(logText().endsWith(u("line 299\n采集完成\n")));
}

TEST_F(RunLogTest, ClearEmptiesTheLogAndTheBox) {
    log().append_log("a\r\nb\r\n");
    log().clear_log();
    EXPECT_EQ(log().read_log(), "");
    EXPECT_EQ(line_count(log().read_log()), 0);
    EXPECT_TRUE(logText().isEmpty());
    log().append_log("c\r\n");
    EXPECT_EQ(logText(), u("c\n"));
}

TEST_F(RunLogTest, WorkerAppendsTakeEffectAtOnceAndReachTheBoxInCallOrder) {
    // The window's thread handles no event while the worker writes: the worker must
    // not wait for it.
    std::thread worker([&] {
        log().append_log("first\r\n");
        log().clear_log();
        for (int i = 0; i < 500; ++i) log().append_log(std::to_string(i) + "\r\n");
    });
    worker.join();
    Text expected;
    QString shown;
    for (int i = 0; i < 500; ++i) {
        expected += std::to_string(i) + "\r\n";
        shown += QString::number(i) + u("\n");
    }
    EXPECT_EQ(log().read_log(), expected);
    ASSERT_TRUE(pumpUntil([&] { return logText().size() == shown.size(); }));
    EXPECT_EQ(logText(), shown);
}

TEST_F(RunLogTest, NoticeIsOwnedByTheVisibleMainWindow) {
    log().show_prompt(QM_GBK("修改成功"));
    std::thread worker([&] { log().show_prompt(QM_GBK("任务完成")); });
    ASSERT_TRUE(pumpUntil([&] { return promptTexts().size() == 2; }));
    worker.join();
    for (const SeenPrompt& p : prompts) {
        EXPECT_EQ(p.title, u("友情提醒"));
        EXPECT_EQ(p.icon, QMessageBox::Information);
        EXPECT_EQ(p.owner, window.get());
    }
    EXPECT_EQ(promptTexts(), (std::vector<QString>{u("修改成功"), u("任务完成")}));
}

TEST_F(RunLogTest, WithTheMainWindowHiddenAnotherVisibleWindowOwnsTheNotice) {
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    other.show();
    window->hide();
    log().show_prompt(QM_GBK("未选中网站"));
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].owner, &other);
    other.hide();
    log().show_prompt(QM_GBK("未选中网站"));
    EXPECT_EQ(prompts[1].owner, nullptr) << "no visible window: the box has no owner";
}

TEST_F(RunLogTest, MessageIsAPlainBoxWithTheIconAndButtonsOfItsStyle) {
    const int ok = log().show_message(QM_GBK("打开数据源失败。"), kMbIconError, QM_GBK("提示"));
    EXPECT_EQ(ok, kMbResultOk);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, u("打开数据源失败。"));
    EXPECT_EQ(prompts[0].title, u("提示"));
    EXPECT_EQ(prompts[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts[0].owner, nullptr);

    struct Case {
        int style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    const Case cases[] = {
        {0x00, QMessageBox::NoIcon, QMessageBox::Ok},
        {0x21, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel},
        {0x32, QMessageBox::Warning, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore},
        {0x43, QMessageBox::Information, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel},
        {0x14 | kMbSystemModal, QMessageBox::Critical, QMessageBox::Yes | QMessageBox::No},
        {0x05, QMessageBox::NoIcon, QMessageBox::Retry | QMessageBox::Cancel},
    };
    for (const Case& test : cases) {
        const ui::PromptRequest request = ui::messageRequest(u("x"), test.style, u("t"));
        EXPECT_EQ(request.icon, test.icon) << test.style;
        EXPECT_EQ(request.buttons, test.buttons) << test.style;
    }
    EXPECT_EQ(ui::resultCode(QMessageBox::Yes), 5);
    EXPECT_EQ(ui::resultCode(QMessageBox::No), 6);
    EXPECT_EQ(ui::resultCode(QMessageBox::Cancel), 1);
}

// Closes the first modal box that appears, after recording what it showed.
struct BoxCloser {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* owner = nullptr;
    bool modal = false;
    QString okCaption;

    void arm() {
        QTimer::singleShot(5, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                arm();
                return;
            }
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            owner = box->parentWidget();
            modal = box->isModal();
            okCaption = box->button(QMessageBox::Ok)->text();
            box->button(QMessageBox::Ok)->click();
        });
    }
};

TEST_F(RunLogTest, RealNoticeBoxIsModalTitledAndOwnedByTheWindow) {
    log().setPromptHook({});
    BoxCloser closer;
    closer.arm();
    log().show_prompt(QM_GBK("恭喜你：网站配置成功"));
    EXPECT_EQ(closer.title, u("友情提醒"));
    EXPECT_EQ(closer.text, u("恭喜你：网站配置成功"));
    EXPECT_EQ(closer.icon, QMessageBox::Information);
    EXPECT_EQ(closer.owner, window.get());
    EXPECT_TRUE(closer.modal);
    EXPECT_EQ(closer.okCaption, u("确定"));

    // From a worker: the box is shown on the window's thread and the worker waits.
    BoxCloser second;
    second.arm();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        log().show_prompt(QM_GBK("任务完成"));
        returned = true;
    });
    ASSERT_TRUE(pumpUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(second.text, u("任务完成"));
    EXPECT_EQ(second.owner, window.get());
}

TEST_F(RunLogTest, WorkerCallsAreHandledWhileAModalBoxIsOpen) {
    std::atomic<bool> workerDone{false};
    std::thread worker;
    // Inside the open box: a worker appends, reads and asks a (recorded) prompt.
    QTimer::singleShot(0, [&] {
        worker = std::thread([&] {
            log().append_log("during\r\n");
            log().show_prompt(QM_GBK("已经停止"));
            workerDone = true;
        });
    });
    QMessageBox box(QMessageBox::Information, u("open"), u("open"), QMessageBox::Ok, window.get());
    bool doneWhileOpen = false;
    std::function<void()> poll = [&] {
        if (workerDone) {
            doneWhileOpen = true;
            box.accept();
        } else {
            QTimer::singleShot(5, poll);
        }
    };
    QTimer::singleShot(5, poll);
    box.exec();
    worker.join();
    EXPECT_TRUE(doneWhileOpen);
    EXPECT_EQ(promptTexts(), std::vector<QString>{u("已经停止")});
    ASSERT_TRUE(pumpUntil([&] { return logText() == u("during\n"); }));
}

TEST(UiDispatcherTest, CallsRunOnTheWindowThreadAndGiveUpOnStopOrShutDown) {
    QObject home;
    ui::UiDispatcher dispatcher(&home);
    EXPECT_TRUE(dispatcher.onUiThread());
    EXPECT_EQ(dispatcher.call([] { return 7; }), 7);

    // A worker's call is answered once the window's thread handles events.
    int answer = 0;
    std::thread asker([&] {
        answer = dispatcher.call([&] { return QThread::currentThread() == home.thread() ? 1 : 2; });
    });
    ASSERT_TRUE(pumpUntil([&] { return answer != 0; }));
    asker.join();
    EXPECT_EQ(answer, 1);

    // A stop ends the wait, and the queued body never runs afterwards.
    std::atomic<bool> ran{false};
    std::stop_source stop;
    std::atomic<int> stopped{-1};
    std::thread stoppedAsker([&] {
        stopped = dispatcher.call(
            [&] {
                ran = true;
                return 5;
            },
            stop.get_token());
    });
    while (stopped.load() == -1) {
        stop.request_stop();
        QThread::msleep(1);
    }
    stoppedAsker.join();
    EXPECT_EQ(stopped.load(), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran.load());

    // The shut-down releases a waiting caller; calls after it return at once.
    std::atomic<int> released{-1};
    std::thread waiter([&] {
        released = dispatcher.call([&] {
            ran = true;
            return 9;
        });
    });
    QThread::msleep(20);  // lets the waiter queue its call (its result does not depend on it)
    dispatcher.shutDown();
    waiter.join();
    EXPECT_EQ(released.load(), 0);
    EXPECT_EQ(dispatcher.call([] { return 3; }), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran.load());
}

}  // namespace
}  // namespace qm::test
