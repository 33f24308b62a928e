// Shared pieces of the window tests: the Qt application on the offscreen platform, a
// run directory with a fake administration tool, a clock that holds the worker, and a
// fixture that owns one real MainWindow whose prompts, folder dialogs and browser are
// recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "engine/gbk_literals.h"
#include "engine/site_profile.h"
#include "site/site_test_support.h"
#include "site/ui/main_window.h"
#include "site/ui/press_picture.h"
#include "site/ui/window_look.h"
#include "site/ui/window_run_log.h"

// Failure messages show Qt texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace qm::test {

// Texts the tests compare, as the widgets hold them.
inline QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Handles events until done() holds. The bound only keeps a broken build from hanging
// the suite; no test depends on how long anything takes.
inline bool pumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 60000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (done()) break;
        QThread::msleep(1);
    }
    return done();
}

// A clock under which every wait of a worker thread lasts until its stop is requested
// (so a looping run rests in its countdown), while waits on the window's thread (the
// watchdog's second) return at once.
class HoldingClock : public Clock {
  public:
    std::int64_t now_ms() override { return now_.load(); }
    WaitResult wait_for(std::chrono::milliseconds duration, std::stop_token stop) override {
        if (std::this_thread::get_id() == uiThread_) {
            now_ += duration.count();
            return stop.stop_requested() ? WaitResult::Stopped : WaitResult::Elapsed;
        }
        std::unique_lock lock(mutex_);
        ++held_;
        heldChanged_.notify_all();
        std::condition_variable_any wake;
        wake.wait(lock, stop, [] { return false; });
        --held_;
        return WaitResult::Stopped;
    }
    // Worker waits in progress.
    int held() {
        std::lock_guard lock(mutex_);
        return held_;
    }

  private:
    std::thread::id uiThread_ = std::this_thread::get_id();
    std::atomic<std::int64_t> now_{0};
    std::mutex mutex_;
    std::condition_variable heldChanged_;
    int held_ = 0;
};

// What a prompt hook saw: the box's text, title, icon and owner.
struct SeenPrompt {
    QString text;
    QString title;
    QMessageBox::Icon icon;
    QWidget* owner;
};

// One real window over a fresh run directory (profile folder, empty database,
// template set "t1", install folder), a fake administration tool and fake run steps.
class WindowTest : public ::testing::Test {
  protected:
    WindowTest() : runDir(dir.sub("run")), install(dir.sub("www")), tool(dir.path(), {}) {
        layOutRunDirectory(runDir, install);
    }

    ~WindowTest() override { closeWindow(); }

    // Builds the window; steps default to passes that do nothing.
    void openWindow(Clock* clock = nullptr, std::optional<RunSteps> steps = std::nullopt) {
        ui::MainWindow::Options options;
        options.runDir = runDir;
        options.portalUrl = "http://127.0.0.1:9";
        options.clock = clock != nullptr ? clock : &fakeClock;
        options.steps =
            steps ? *steps : RunSteps{[](WorkerScope&) {}, [](WorkerScope&, GenerationMode) {}};
        options.binder = IisBinder(tool.path(), dir.sub("displayMsg.txt"));
        options.hooks.prompt = [this](const ui::PromptRequest& request) {
            std::lock_guard lock(promptMutex);
            prompts.push_back({request.text, request.title, request.icon, request.owner});
            return kMbResultOk;
        };
        options.hooks.pickFolder = [this](QWidget*, const QString& title) {
            pickerTitles.push_back(title);
            return pickerAnswer;
        };
        options.hooks.openUrl = [this](const QUrl& url) { openedUrls.push_back(url); };
        window = std::make_unique<ui::MainWindow>(std::move(options));
        window->show();
        QCoreApplication::processEvents();
    }

    void closeWindow() {
        if (window) {
            window->close();
            window.reset();
        }
    }

    const ui::WindowControls& c() const { return window->controls(); }

    template <class W>
    W* find(const char* name) const {
        return window->findChild<W*>(u(name));
    }

    // The texts of every prompt so far.
    std::vector<QString> promptTexts() {
        std::lock_guard lock(promptMutex);
        std::vector<QString> texts;
        for (const SeenPrompt& p : prompts) texts.push_back(p.text);
        return texts;
    }

    QString logText() const { return c().log->toPlainText(); }

    // Fills the eight basic fields for domain (ASCII values, as on disk).
    void fillBasic(const QString& domain) {
        c().domain->setText(domain);
        c().ip->setText(QStringLiteral("127.0.0.1"));
        c().installPath->setText(QString::fromStdString(install));
        c().templateName->setText(QStringLiteral("t1"));
        c().title->setText(u("标题一"));
        c().keywords->setText(u("关键词"));
        c().description->setText(u("描述"));
        c().columns->setText(u("新闻,图片"));
    }

    // A profile as the editor writes it.
    void addProfile(const Text& domain, const Text& generateCount = "20", bool news = true) {
        SiteSettings s;
        s.domain = domain;
        s.ip = "127.0.0.1";
        s.installFolder = install;
        s.templateName = "t1";
        s.title = "T";
        s.keywords = "K";
        s.description = "D";
        s.columns = "C1";
        s.generateCount = generateCount;
        s.news = news;
        writeProfile(runDir, s);
    }

    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Clicks a button that starts editor work and waits until that work has ended.
    void clickAndSettle(QPushButton* button) {
        click(button);
        window->waitForEditorWork();
        QCoreApplication::processEvents();
    }

    // Moves the grid's cursor to row as the operator would, and waits for the load.
    void selectRow(int row) {
        QTableWidget* grid = c().siteGrid;
        const QRect cell = grid->visualRect(grid->model()->index(row, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        window->waitForEditorWork();
        QCoreApplication::processEvents();
    }

    TempDir dir;
    Text runDir;
    Text install;
    FakeTool tool;
    FakeClock fakeClock;
    HoldingClock holdingClock;  // declared before the window, which uses it to the end
    std::unique_ptr<ui::MainWindow> window;

    std::mutex promptMutex;
    std::vector<SeenPrompt> prompts;
    std::vector<QString> pickerTitles;
    QString pickerAnswer;
    std::vector<QUrl> openedUrls;
};

}  // namespace qm::test
