// The operator prompts as message boxes: the notice "友情提醒" (information icon, one
// OK button, owned by a visible window of the process) and the plain message box whose
// icon and buttons follow a message-box style value (kMbIconError and friends in
// foundation/run_log.h).
//
// A PromptRequest describes one box completely; presentPrompt shows it modally and
// returns the button pressed as a message-box result (kMbResultOk for OK, 1 Cancel,
// 2 Abort, 3 Retry, 4 Ignore, 5 Yes, 6 No). A PromptHook stands in for presentPrompt
// where no box may be shown (tests record the request and answer at once).
//
// Window thread only.
#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>

class QWidget;

namespace qm::ui {

struct PromptRequest {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QWidget* owner = nullptr;  // none for a plain message box
};

using PromptHook = std::function<int(const PromptRequest&)>;

// The notice box for text, owned by findOwnerWindow(preferred).
PromptRequest noticeRequest(const QString& text, QWidget* preferred);

// A plain box for a message-box style value (icon bits 0xF0, button bits 0x0F).
PromptRequest messageRequest(const QString& text, int style, const QString& title);

// The owner of a notice: preferred when it is visible, else the first visible
// top-level window of the process, else none. (A minimised window still counts as
// visible.) It never waits for a window to appear.
QWidget* findOwnerWindow(QWidget* preferred);

// Shows the box modally and returns the result code of the button pressed.
int presentPrompt(const PromptRequest& request);

// The result code of a standard button.
int resultCode(QMessageBox::StandardButton button);

}  // namespace qm::ui
