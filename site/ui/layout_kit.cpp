#include "site/ui/layout_kit.h"

#include <QFrame>
#include <QTabBar>

#include "site/ui/window_look.h"

namespace qm::ui {

void setLook(QWidget* widget, const char* look) {
    widget->setProperty("look", QString::fromLatin1(look));
}

QLabel* heading(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                int h) {
    auto* label = place<QLabel>(parent, name, x, y, w, h);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setFont(windowFont(12, true));
    setLook(label, "heading");
    return label;
}

QLabel* caption(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                int h, Qt::Alignment alignment) {
    auto* label = place<QLabel>(parent, name, x, y, w, h);
    label->setText(text);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

QLineEdit* editBox(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                   int h, bool centred) {
    auto* edit = place<QLineEdit>(parent, name, x, y, w, h);
    edit->setText(text);
    if (centred) {
        edit->setAlignment(Qt::AlignCenter);
    }
    return edit;
}

QPushButton* framedButton(QWidget* parent, const QString& name, const QString& text, int fx, int fy,
                          int fw, int fh) {
    auto* frame = new QFrame(parent);
    frame->setGeometry(fx, fy, fw, fh);
    setLook(frame, "buttonFrame");
    auto* button = place<QPushButton>(frame, name, 2, 2, fw - 4, fh - 4);
    button->setText(text);
    return button;
}

QTabWidget* tabControl(QWidget* parent, const QString& name, int x, int y, int w, int h,
                       std::initializer_list<QString> pageNames) {
    auto* tabs = place<QTabWidget>(parent, name, x, y, w, h);
    tabs->setDocumentMode(true);
    tabs->tabBar()->hide();
    for (const QString& pageName : pageNames) {
        auto* page = new QWidget;
        page->setObjectName(name + QLatin1Char('/') + pageName);
        page->setAttribute(Qt::WA_StyledBackground);
        setLook(page, "page");
        tabs->addTab(page, pageName);
    }
    return tabs;
}

}  // namespace qm::ui
