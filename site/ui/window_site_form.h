// WindowSiteForm: the settings form and the site grid's cursor of the main window, as
// the site editor's SiteForm port. Texts cross as GBK (the widgets hold Unicode).
//
// Every call runs on the window's thread through the dispatcher and waits for it, so a
// read gives the control's content at that moment and a write is visible on return.
// An editor run gets its own form with the run's stop token: once a newer run of the
// same operation has asked it to stop, its reads give empty values and its writes are
// dropped, even a write already queued, so a cancelled run never touches the form
// again. After the dispatcher's shut-down every call does nothing.
//
// Any thread; the controls must outlive the form.
#pragma once

#include <stop_token>
#include <type_traits>

#include "site/site_form.h"
#include "site/ui/ui_dispatcher.h"
#include "site/ui/window_controls.h"

namespace qm::ui {

class WindowSiteForm : public SiteForm {
  public:
    WindowSiteForm(UiDispatcher& dispatcher, const WindowControls& controls,
                   std::stop_token stop = {});

    Text text(FormField field) override;
    void setText(FormField field, const Text& text) override;
    bool checked(FormCheck box) override;
    void setChecked(FormCheck box, bool on) override;
    TextList comboItems() override;
    int comboIndex() override;
    void setComboIndex(int index) override;
    void setIdentityLocked(bool locked) override;
    void setSaveEnabled(bool enabled) override;
    int selectedSiteRow() override;
    void focusFunctionHeading() override;
    void processEvents() override;

  private:
    template <class F>
    auto onUi(F f) -> std::invoke_result_t<F> {
        if (stop_.stop_requested()) return std::invoke_result_t<F>();
        return dispatcher_.call(std::move(f), stop_);
    }

    UiDispatcher& dispatcher_;
    const WindowControls& controls_;
    std::stop_token stop_;
};

// The edit box and the check box of the window that hold a form field or check.
QLineEdit* fieldEdit(const WindowControls& controls, FormField field);
QCheckBox* checkBoxOf(const WindowControls& controls, FormCheck box);

}  // namespace qm::ui
