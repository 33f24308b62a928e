#include "site/ui/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "engine/site_list.h"
#include "foundation/gbk_codec.h"
#include "site/site_editor.h"
#include "site/ui/editor_runs.h"
#include "site/ui/pictures.h"
#include "site/ui/press_picture.h"
#include "site/ui/site_grid_view.h"
#include "site/ui/ui_dispatcher.h"
#include "site/ui/window_look.h"
#include "site/ui/window_run_controls.h"
#include "site/ui/window_run_log.h"
#include "site/ui/window_site_form.h"

namespace qm::ui {

namespace {

inline constexpr int kWindowLeft = 50;
inline constexpr int kWindowTop = 50;
inline constexpr int kWindowWidth = 1073;
inline constexpr int kWindowHeight = 620;

// The platform's folder dialog, listing files too, with a box to type a path in.
QString pickFolderWithDialog(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, false);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setCursor(Qt::ArrowCursor);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

Text gbkOf(const QString& text) {
    return utf8_to_gbk(text.toStdString());
}

}  // namespace

MainWindow::MainWindow(Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      options_(std::move(options)),
      clock_(options_.clock != nullptr ? *options_.clock : system_clock()) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Quillmoor"));
    setWindowIcon(programIcon());
    setGeometry(kWindowLeft, kWindowTop, kWindowWidth, kWindowHeight);
    setFixedSize(kWindowWidth, kWindowHeight);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QWidget#MainWindow { background: #343E47; }") +
                  windowStyleSheet());
    setFont(windowFont(12));
    setCursor(Qt::PointingHandCursor);

    buildWindow(this, controls_);
    watchdog_ = new QTimer(this);
    watchdog_->setObjectName(QStringLiteral("时钟1"));

    dispatcher_ = std::make_unique<UiDispatcher>(this);
    log_ = std::make_unique<WindowRunLog>(*dispatcher_, controls_.log, this);
    if (options_.hooks.prompt) log_->setPromptHook(options_.hooks.prompt);
    runControls_ = std::make_unique<WindowRunControls>(*dispatcher_, controls_);
    RunContext::Settings settings;
    settings.runDir = options_.runDir;
    settings.portalUrl = options_.portalUrl;
    settings.intervalText = gbkOf(controls_.interval->text());
    run_ = std::make_unique<RunContext>(*log_, *runControls_, clock_, settings);
    runner_ =
        std::make_unique<TaskRunner>(*run_, options_.steps ? *options_.steps : standardRunSteps());
    binder_ = std::make_unique<IisBinder>(
        options_.binder ? *options_.binder : IisBinder::fromEnvironment(options_.runDir));
    grid_ = std::make_unique<SiteGridView>(*dispatcher_, run_->siteList(), controls_.siteGrid);
    // The configured sites are listed from the start, so the first Start runs them.
    refreshSiteList(run_->siteList(), options_.runDir);
    editorRuns_ = std::make_unique<EditorRuns>(*dispatcher_);

    connectHeader();
    connectEvents();
}

MainWindow::~MainWindow() {
    editorRuns_->finishAll();
    runner_->stopWork();
    // From here on no call reaches the widgets; prompts still waited for return.
    dispatcher_->shutDown();
    run_->setTimerListener({});
    editorRuns_.reset();
    grid_.reset();
    runner_.reset();
    run_.reset();
}

void MainWindow::connectHeader() {
    const WindowControls& c = controls_;
    connect(c.minimise, &QPushButton::clicked, this, [this] { showMinimized(); });
    connect(c.close, &QPushButton::clicked, this, [this] { close(); });
    connect(c.logo, &PressPicture::pressed, this, [this] { openPage(kHomePageUrl); });
    connect(c.banner, &PressPicture::pressed, this, [this] { openPage(kInfoPageUrl); });
    connect(c.infoLink, &PressPicture::pressed, this, [this] { openPage(kInfoPageUrl); });
    for (int k = 0; k < kSideEntries; ++k) {
        connect(c.sideEntries[k], &PressPicture::pressed, this, [this, k] { showPage(k); });
    }
}

void MainWindow::connectEvents() {
    const WindowControls& c = controls_;
    connect(c.newButton, &QPushButton::clicked, this,
            [this] { startEditorRun(EditorOperation::NewSite); });
    connect(c.saveButton, &QPushButton::clicked, this,
            [this] { startEditorRun(EditorOperation::SaveSite); });
    connect(c.deleteButton, &QPushButton::clicked, this, [this] { deleteClicked(); });
    connect(c.startButton, &QPushButton::clicked, this, [this] { runner_->startWork(); });
    connect(c.stopButton, &QPushButton::clicked, this, [this] { runner_->stopButtonClicked(); });
    connect(c.installPick, &QPushButton::clicked, this,
            [this] { pickInto(FormField::InstallPath); });
    connect(c.customPick, &QPushButton::clicked, this,
            [this] { pickInto(FormField::CustomLibrary); });
    connect(c.longTailPick, &QPushButton::clicked, this,
            [this] { pickInto(FormField::LongTailLibrary); });
    connect(c.news, &QCheckBox::clicked, this, [this] {
        WindowSiteForm form(*dispatcher_, controls_);
        modeBoxClicked(form, FormCheck::News);
    });
    connect(c.custom, &QCheckBox::clicked, this, [this] {
        WindowSiteForm form(*dispatcher_, controls_);
        modeBoxClicked(form, FormCheck::CustomArticles);
    });
    connect(c.category, &QComboBox::currentIndexChanged, this, [this](int index) {
        WindowSiteForm form(*dispatcher_, controls_);
        categoryChanged(form, *log_, index);
    });
    grid_->setOnCursorMoved([this](int) { startEditorRun(EditorOperation::LoadSite); });
    connect(c.interval, &QLineEdit::textChanged, this,
            [this](const QString& text) { run_->setIntervalText(gbkOf(text)); });

    connect(watchdog_, &QTimer::timeout, this, &MainWindow::watchdogFired);
    run_->setTimerListener([this](int) {
        if (dispatcher_->onUiThread()) {
            followTimer();
        } else {
            dispatcher_->post([this] { followTimer(); });
        }
    });
}

void MainWindow::followTimer() {
    // The context's current interval, so a late hand-over never undoes a newer change.
    const int ms = run_->timerIntervalMs();
    if (ms <= 0) {
        watchdog_->stop();
    } else if (!watchdog_->isActive() || watchdog_->interval() != ms) {
        watchdog_->start(ms);
    }
}

void MainWindow::watchdogFired() {
    runner_->watchdogTick();
}

void MainWindow::showPage(int k) {
    if (k < 0 || k >= kSideEntries) return;
    controls_.pages->setCurrentIndex(k);
    for (int i = 0; i < kSideEntries; ++i) {
        controls_.sideEntries[i]->setBackground(i == k ? kHighlightColour : kWindowColour);
    }
}

void MainWindow::startEditorRun(EditorOperation op) {
    if (op == EditorOperation::SaveSite) {
        // A second click cannot start a second save; saveSite enables it again.
        controls_.saveButton->setEnabled(false);
    }
    editorRuns_->start(op, [this, op](std::stop_token stop) {
        // A save is never cancelled: what the operator asked to store is stored.
        WindowSiteForm form(*dispatcher_, controls_,
                            op == EditorOperation::SaveSite ? std::stop_token() : stop);
        SiteEditorContext ctx{options_.runDir, run_->siteList(), form, *log_, *binder_, clock_};
        switch (op) {
            case EditorOperation::NewSite:
                newSite(ctx, stop);
                break;
            case EditorOperation::SaveSite:
                saveSite(ctx);
                break;
            case EditorOperation::LoadSite:
                loadSite(ctx, stop);
                break;
        }
    });
}

void MainWindow::deleteClicked() {
    // A save may be running the administration tool; the two share its output file,
    // so the deletion waits for the save (the window keeps handling events).
    while (editorRuns_->running(EditorOperation::SaveSite) > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    WindowSiteForm form(*dispatcher_, controls_);
    SiteEditorContext ctx{options_.runDir, run_->siteList(), form, *log_, *binder_, clock_};
    deleteSite(ctx);
}

void MainWindow::pickInto(FormField target) {
    const QString title = QString::fromStdString(gbk_to_utf8(kPickFolderTitle));
    const QString chosen = options_.hooks.pickFolder ? options_.hooks.pickFolder(this, title)
                                                     : pickFolderWithDialog(this, title);
    WindowSiteForm form(*dispatcher_, controls_);
    pickFolder(form, target, gbkOf(chosen));
}

void MainWindow::openPage(const QUrl& url) {
    if (options_.hooks.openUrl) {
        options_.hooks.openUrl(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}

void MainWindow::waitForEditorWork() {
    while (editorRuns_->running() > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing ends the program, and the run with it.
    runner_->stopWork();
    watchdog_->stop();
    editorRuns_->finishAll();
    event->accept();
}

}  // namespace qm::ui
