// Small helpers the layout builders share: create a control with its name at its
// fixed place, and the common kinds of control (heading, caption, edit box, button in
// its frame). Window thread only.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTabWidget>
#include <QWidget>
#include <initializer_list>

namespace qm::ui {

// Creates a W under parent, named name, at (x, y) with size (w, h).
template <class W>
W* place(QWidget* parent, const QString& name, int x, int y, int w, int h) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}

// Tags a widget with a look of the window's style sheet.
void setLook(QWidget* widget, const char* look);

// A heading strip (" 网站列表").
QLabel* heading(QWidget* parent, const QString& name, const QString& caption, int x, int y, int w,
                int h);

// A caption label, text centred vertically; alignment as given.
QLabel* caption(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                int h, Qt::Alignment alignment = Qt::AlignCenter);

// An edit box with an initial text.
QLineEdit* editBox(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                   int h, bool centred = false);

// A button inside its own unnamed frame: the frame at (fx, fy, fw, fh) in parent, the
// button at (2, 2, fw - 4, fh - 4) in the frame.
QPushButton* framedButton(QWidget* parent, const QString& name, const QString& text, int fx, int fy,
                          int fw, int fh);

// A tab control whose pages cover its whole rectangle: the strip is hidden, so the
// children of a page are placed relative to the tab control itself. Each page is titled
// with its name and named "<tab control>/<page>" ("选择夹1/仓库").
QTabWidget* tabControl(QWidget* parent, const QString& name, int x, int y, int w, int h,
                       std::initializer_list<QString> pageNames);

}  // namespace qm::ui
