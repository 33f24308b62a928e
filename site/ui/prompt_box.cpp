#include "site/ui/prompt_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIcon>

#include <QWidget>
#include <utility>

#include "foundation/run_log.h"

namespace qm::ui {

namespace {

QMessageBox::StandardButtons buttonsOfStyle(int style) {
    switch (style & 0x0F) {
        case 1:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case 2:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case 3:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case 4:
            return QMessageBox::Yes | QMessageBox::No;
        case 5:
            return QMessageBox::Retry | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconOfStyle(int style) {
    switch (style & 0xF0) {
        case 0x10:
            return QMessageBox::Critical;
        case 0x20:
            return QMessageBox::Question;
        case 0x30:
            return QMessageBox::Warning;
        case 0x40:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The captions a Chinese desktop gives the standard buttons.
void captionButtons(QMessageBox& box) {
    static const std::pair<QMessageBox::StandardButton, const char16_t*> kCaptions[] = {
        {QMessageBox::Ok, u"确定"},     {QMessageBox::Cancel, u"取消"},
        {QMessageBox::Yes, u"是"},      {QMessageBox::No, u"否"},
        {QMessageBox::Abort, u"中止"},  {QMessageBox::Retry, u"重试"},
        {QMessageBox::Ignore, u"忽略"},
    };
    for (const auto& [which, caption] : kCaptions) {
        if (QAbstractButton* button = box.button(which)) {
            button->setText(QString::fromUtf16(caption));
            button->setIcon(QIcon());
        }
    }
}

bool qualifiesAsOwner(const QWidget* widget) {
    if (widget == nullptr || !widget->isWindow() || !widget->isVisible()) return false;
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen;
}

}  // namespace

PromptRequest noticeRequest(const QString& text, QWidget* preferred) {
    PromptRequest request;
    request.text = text;
    request.title = QStringLiteral("友情提醒");
    request.icon = QMessageBox::Information;
    request.buttons = QMessageBox::Ok;
    request.owner = findOwnerWindow(preferred);
    return request;
}

PromptRequest messageRequest(const QString& text, int style, const QString& title) {
    PromptRequest request;
    request.text = text;
    request.title = title;
    request.icon = iconOfStyle(style);
    request.buttons = buttonsOfStyle(style);
    return request;
}

QWidget* findOwnerWindow(QWidget* preferred) {
    if (qualifiesAsOwner(preferred)) return preferred;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qualifiesAsOwner(widget)) return widget;
    }
    return nullptr;
}

int presentPrompt(const PromptRequest& request) {
    QMessageBox box(request.icon, request.title, request.text, request.buttons, request.owner);
    // Without an owner the box still blocks the whole program (a task-modal box).
    box.setWindowModality(Qt::ApplicationModal);
    box.setCursor(Qt::ArrowCursor);
    captionButtons(box);
    return resultCode(static_cast<QMessageBox::StandardButton>(box.exec()));
}

int resultCode(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Cancel:
            return 1;
        case QMessageBox::Abort:
            return 2;
        case QMessageBox::Retry:
            return 3;
        case QMessageBox::Ignore:
            return 4;
        case QMessageBox::Yes:
            return 5;
        case QMessageBox::No:
            return 6;
        default:
            return kMbResultOk;
    }
}

}  // namespace qm::ui
