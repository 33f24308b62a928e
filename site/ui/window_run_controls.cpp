#include "site/ui/window_run_controls.h"

#include <QPushButton>
#include <QTableWidget>

namespace qm::ui {

WindowRunControls::WindowRunControls(UiDispatcher& dispatcher, const WindowControls& controls)
    : dispatcher_(dispatcher), controls_(controls) {}

void WindowRunControls::lockRunControls() {
    apply(false, false);
}

void WindowRunControls::unlockRunControls() {
    apply(true, false);
}

void WindowRunControls::lockStartOnly() {
    apply(false, true);
}

void WindowRunControls::apply(bool enabled, bool startOnly) {
    const WindowControls& c = controls_;
    auto change = [&c, enabled, startOnly] {
        c.startButton->setEnabled(enabled);
        if (startOnly) return;
        QWidget* locked[] = {c.siteGrid, c.modifyButton, c.deleteButton, c.saveButton, c.newButton};
        for (QWidget* widget : locked) widget->setEnabled(enabled);
    };
    // A change handed over from another thread is dropped when a later change has
    // already been made on the window's thread (Start right after a single run ended).
    const std::uint64_t order = ++issued_;
    if (dispatcher_.onUiThread()) {
        change();
        applied_ = order;
    } else {
        dispatcher_.post([this, change, order] {
            if (order < applied_) return;
            change();
            applied_ = order;
        });
    }
}

}  // namespace qm::ui
