#include "site/ui/window_run_log.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "foundation/gbk_codec.h"

namespace qm::ui {

namespace {

QString displayText(const Text& gbk) {
    QString text = QString::fromStdString(gbk_to_utf8(gbk));
    // The box breaks lines at LF; the CR of each CR LF is not shown.
    text.remove(QLatin1Char('\r'));
    return text;
}

}  // namespace

WindowRunLog::WindowRunLog(UiDispatcher& dispatcher, QPlainTextEdit* box, QWidget* owner)
    : dispatcher_(dispatcher), box_(box), owner_(owner) {}

void WindowRunLog::setPromptHook(PromptHook hook) {
    hook_ = std::move(hook);
}

void WindowRunLog::append_log(const Text& text) {
    queueChange(Change{false, text});
}

void WindowRunLog::clear_log() {
    queueChange(Change{true, Text()});
}

Text WindowRunLog::read_log() {
    std::lock_guard lock(mutex_);
    return text_;
}

void WindowRunLog::queueChange(Change change) {
    bool post = false;
    {
        std::lock_guard lock(mutex_);
        if (change.clear) {
            text_.clear();
            unshown_.clear();  // nothing before a clear needs showing
        } else {
            text_ += change.text;
        }
        unshown_.push_back(std::move(change));
        if (!showQueued_) {
            showQueued_ = true;
            post = true;
        }
    }
    if (dispatcher_.onUiThread()) {
        showChanges();
    } else if (post) {
        dispatcher_.post([this] { showChanges(); });
    }
}

void WindowRunLog::showChanges() {
    std::vector<Change> changes;
    {
        std::lock_guard lock(mutex_);
        changes.swap(unshown_);
        showQueued_ = false;
    }
    // Consecutive appends are shown as one insertion.
    QString pending;
    auto insertPending = [&] {
        if (pending.isEmpty()) return;
        QTextCursor cursor = box_->textCursor();
        cursor.movePosition(QTextCursor::End);
        box_->setTextCursor(cursor);
        box_->ensureCursorVisible();
        cursor.insertText(pending);
        box_->setTextCursor(cursor);
        box_->ensureCursorVisible();
        pending.clear();
    };
    for (const Change& change : changes) {
        if (change.clear) {
            pending.clear();
            box_->clear();
        } else {
            pending += displayText(change.text);
        }
    }
    insertPending();
}

void WindowRunLog::show_prompt(const Text& text) {
    const QString shown = QString::fromStdString(gbk_to_utf8(text));
    dispatcher_.call([this, shown] { present(noticeRequest(shown, owner_)); });
}

int WindowRunLog::show_message(const Text& text, int style, const Text& title) {
    const PromptRequest request = messageRequest(QString::fromStdString(gbk_to_utf8(text)), style,
                                                 QString::fromStdString(gbk_to_utf8(title)));
    // A call that gives up (the window has gone) answers OK.
    return dispatcher_.call([this, request] { return present(request); });
}

int WindowRunLog::present(const PromptRequest& request) {
    return hook_ ? hook_(request) : presentPrompt(request);
}

}  // namespace qm::ui
