// MainWindow: the program's only window, a view over one run of the task engine.
//
// The window builds its controls from the fixed layout (window_controls.h), creates
// the RunContext (its run log, run controls, site list and interval) and the
// TaskRunner, lists the sites of the profile folder in the grid, and binds every control event to
// the operation that handles it: the site editor's operations, Start and Stop, the watchdog timer
// 时钟1, the folder pickers, the side bar's pages and the header (drag, minimise, close, link
// pictures). The data holders the engine keeps (article queue, result tables, database objects)
// live in the RunContext; the page "仓库" stays empty.
//
// newSite, saveSite and loadSite run on short-lived workers (EditorRuns); deleteSite,
// the pickers and the check-box and category handlers run on the window's thread.
// Workers reach the widgets only through the window's dispatcher.
//
// Closing the window stops the run (stopWork) and lets running editor work end before
// the program ends. The destructor does the same, then shuts the dispatcher down, so
// pending prompts of the run return, and destroys the runner and the context.
//
// Window thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QString>
#include <QUrl>
#include <QWidget>

#include "engine/run_context.h"
#include "engine/task_runner.h"
#include "foundation/clock.h"
#include "site/iis_binder.h"
#include "site/site_form.h"
#include "site/ui/prompt_box.h"
#include "site/ui/window_controls.h"

class QTimer;

namespace qm::ui {

class EditorRuns;
enum class EditorOperation;
class SiteGridView;
class UiDispatcher;
class WindowRunControls;
class WindowRunLog;

// The addresses the link pictures open.
inline const QUrl kHomePageUrl{QStringLiteral("https://quillmoor.example.org/")};
inline const QUrl kInfoPageUrl{QStringLiteral("https://quillmoor.example.org/guide/")};

// What the window asks of the desktop, replaceable where no desktop may be used.
struct WindowHooks {
    PromptHook prompt;  // in place of the real message boxes
    // The folder dialog: returns the chosen path, empty when cancelled.
    std::function<QString(QWidget* parent, const QString& title)> pickFolder;
    std::function<void(const QUrl&)> openUrl;  // in place of the default browser
};

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    struct Options {
        Text runDir;  // GBK, no trailing separator
        Text portalUrl = kDefaultPortalUrl;
        Clock* clock = nullptr;           // the system clock when null
        std::optional<RunSteps> steps;    // the real collection and generation when unset
        std::optional<IisBinder> binder;  // IisBinder::fromEnvironment(runDir) when unset
        WindowHooks hooks;
    };

    explicit MainWindow(Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    const WindowControls& controls() const { return controls_; }
    RunContext& runContext() { return *run_; }
    TaskRunner& runner() { return *runner_; }
    WindowRunLog& runLog() { return *log_; }
    QTimer* watchdogTimer() const { return watchdog_; }

    // Shows side-bar page k (0 to 3) and highlights its entry.
    void showPage(int k);

    // Waits, handling events, until every editor worker has ended.
    void waitForEditorWork();

  public slots:
    // One tick of the watchdog timer 时钟1.
    void watchdogFired();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void connectEvents();
    void connectHeader();
    void startEditorRun(EditorOperation operation);
    void deleteClicked();
    void pickInto(FormField target);
    void openPage(const QUrl& url);
    void followTimer();

    Options options_;
    Clock& clock_;
    WindowControls controls_;
    QTimer* watchdog_ = nullptr;

    std::unique_ptr<UiDispatcher> dispatcher_;
    std::unique_ptr<WindowRunLog> log_;
    std::unique_ptr<WindowRunControls> runControls_;
    std::unique_ptr<RunContext> run_;
    std::unique_ptr<TaskRunner> runner_;
    std::unique_ptr<IisBinder> binder_;
    std::unique_ptr<SiteGridView> grid_;
    std::unique_ptr<EditorRuns> editorRuns_;
};

}  // namespace qm::ui
