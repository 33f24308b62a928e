#include "site/ui/window_site_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include "foundation/gbk_codec.h"

namespace qm::ui {

namespace {

Text gbkOf(const QString& text) {
    return utf8_to_gbk(text.toStdString());
}

QString shown(const Text& gbk) {
    return QString::fromStdString(gbk_to_utf8(gbk));
}

}  // namespace

QLineEdit* fieldEdit(const WindowControls& c, FormField field) {
    switch (field) {
        case FormField::Domain:
            return c.domain;
        case FormField::Ip:
            return c.ip;
        case FormField::InstallPath:
            return c.installPath;
        case FormField::Template:
            return c.templateName;
        case FormField::Title:
            return c.title;
        case FormField::Keywords:
            return c.keywords;
        case FormField::Description:
            return c.description;
        case FormField::Columns:
            return c.columns;
        case FormField::InsertKeywordCount:
            return c.insertKeywordCount;
        case FormField::CustomLibrary:
            return c.customLibrary;
        case FormField::LongTailLibrary:
            return c.longTailLibrary;
        case FormField::LongTailCount:
            return c.longTailCount;
        case FormField::InternalLinkCount:
            return c.internalLinkCount;
        case FormField::GenerateCount:
            return c.generateCount;
        case FormField::Interval:
            return c.interval;
    }
    return nullptr;
}

QCheckBox* checkBoxOf(const WindowControls& c, FormCheck box) {
    switch (box) {
        case FormCheck::News:
            return c.news;
        case FormCheck::CustomArticles:
            return c.custom;
        case FormCheck::LongTail:
            return c.longTail;
        case FormCheck::InternalLinks:
            return c.internalLinks;
        case FormCheck::InsertKeywords:
            return c.insertKeywords;
    }
    return nullptr;
}

WindowSiteForm::WindowSiteForm(UiDispatcher& dispatcher, const WindowControls& controls,
                               std::stop_token stop)
    : dispatcher_(dispatcher), controls_(controls), stop_(std::move(stop)) {}

Text WindowSiteForm::text(FormField field) {
    QLineEdit* edit = fieldEdit(controls_, field);
    return onUi([edit] { return gbkOf(edit->text()); });
}

void WindowSiteForm::setText(FormField field, const Text& text) {
    QLineEdit* edit = fieldEdit(controls_, field);
    const QString value = shown(text);
    onUi([edit, value] { edit->setText(value); });
}

bool WindowSiteForm::checked(FormCheck box) {
    QCheckBox* check = checkBoxOf(controls_, box);
    return onUi([check] { return check->isChecked(); });
}

void WindowSiteForm::setChecked(FormCheck box, bool on) {
    QCheckBox* check = checkBoxOf(controls_, box);
    onUi([check, on] { check->setChecked(on); });
}

TextList WindowSiteForm::comboItems() {
    QComboBox* combo = controls_.category;
    return onUi([combo] {
        TextList items;
        for (int i = 0; i < combo->count(); ++i) items.push_back(gbkOf(combo->itemText(i)));
        return items;
    });
}

int WindowSiteForm::comboIndex() {
    QComboBox* combo = controls_.category;
    // A call that gave up reads as "no item selected".
    return onUi([combo] { return combo->currentIndex() + 1; }) - 1;
}

void WindowSiteForm::setComboIndex(int index) {
    QComboBox* combo = controls_.category;
    // The editor's own selection (a loaded site's category, the restriction's return
    // to " 热门新闻") is not the operator choosing an item: the category handler,
    // bound to the list's selection changes, must not run for it.
    onUi([combo, index] {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(index);
    });
}

void WindowSiteForm::setIdentityLocked(bool locked) {
    const WindowControls& c = controls_;
    QWidget* identity[] = {c.domain, c.ip, c.installPath, c.templateName, c.installPick};
    onUi([identity, locked] {
        // The style sheet paints disabled edit boxes #F0F0F0 and enabled ones white.
        for (QWidget* widget : identity) widget->setEnabled(!locked);
    });
}

void WindowSiteForm::setSaveEnabled(bool enabled) {
    QPushButton* save = controls_.saveButton;
    onUi([save, enabled] { save->setEnabled(enabled); });
}

int WindowSiteForm::selectedSiteRow() {
    QTableWidget* grid = controls_.siteGrid;
    return onUi([grid] { return grid->currentRow() + 1; }) - 1;
}

void WindowSiteForm::focusFunctionHeading() {
    QLabel* heading = controls_.functionHeading;
    onUi([heading] { heading->setFocus(Qt::OtherFocusReason); });
}

void WindowSiteForm::processEvents() {
    if (dispatcher_.onUiThread()) QCoreApplication::processEvents();
}

}  // namespace qm::ui
