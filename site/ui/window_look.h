// The main window's look: its colours, its font and the style sheet of its controls.
//
// The window is drawn in a dark frame (#343E47) around light pages; the highlight
// colour #CC553D marks the chosen side-bar entry and the pressed buttons. Captions
// use 微软雅黑 where it is installed and fall back to an installed CJK face (the
// set-up installs Noto Sans CJK SC), always at pixel sizes, because every control
// has a fixed pixel size.
//
// Window thread only (fonts and style sheets are GUI objects).
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QApplication;

namespace qm::ui {

inline const QColor kWindowColour{0x34, 0x3E, 0x47};      // frame and side bar
inline const QColor kHighlightColour{0xCC, 0x55, 0x3D};   // chosen entry, accents
inline const QColor kSideTextColour{0xEC, 0xEC, 0xEC};    // side-bar captions
inline const QColor kPageColour{0xF4, 0xF5, 0xF7};        // page background
inline const QColor kHeadingColour{0xE1, 0xE5, 0xEA};     // heading strips
inline const QColor kHeaderDarkColour{0x2A, 0x32, 0x3A};  // header gradient end

// The window's caption font at a pixel size.
QFont windowFont(int pixelSize, bool bold = false);

// Sets the application font and the style sheet every control of the window uses.
void applyWindowLook(QApplication& app);

// The style sheet on its own (the window sets it on itself as well, so a window made
// without applyWindowLook, as in tests, looks the same).
QString windowStyleSheet();

}  // namespace qm::ui
