#include "site/ui/window_look.h"

#include <QApplication>
#include <QStringList>

namespace qm::ui {

namespace {

const QString kCaptionFamily = QStringLiteral("微软雅黑");

// Where 微软雅黑 is not installed, the CJK faces a Linux desktop commonly has stand in
// for it (the set-up installs Noto Sans CJK SC). Registered once, for every font of the
// program, so style sheets that change only a size keep the fallback.
void registerFallbacks() {
    static const bool registered = [] {
        QFont::insertSubstitutions(
            kCaptionFamily,
            {QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC"),
             QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei"),
             QStringLiteral("Droid Sans Fallback")});
        return true;
    }();
    (void)registered;
}

}  // namespace

QFont windowFont(int pixelSize, bool bold) {
    registerFallbacks();
    QFont font(kCaptionFamily);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QString windowStyleSheet() {
    // Roles are set as the dynamic property "look" on the controls that need them.
    // Fonts are set on the controls, never here: a style-sheet font would lose the
    // caption face.
    return QStringLiteral(R"(
QWidget[look="page"] { background: #F4F5F7; }
QLabel { color: #343E47; }
QLabel[look="heading"] {
    background: #E1E5EA; color: #343E47; border-left: 3px solid #CC553D;
    padding-left: 2px;
}
QLabel[look="side"] { color: #ECECEC; }
QGroupBox { background: #FFFFFF; border: 1px solid #D3D8DE; margin: 0; padding: 0; }
QLineEdit {
    background: #FFFFFF; color: #222A31; border: 1px solid #BCC4CC;
    padding: 0 3px; selection-background-color: #CC553D;
}
QLineEdit:focus { border: 1px solid #CC553D; }
QLineEdit:disabled { background: #F0F0F0; color: #5E6870; }
QPushButton {
    background: #343E47; color: #FFFFFF; border: none; border-radius: 3px;
}
QPushButton:hover { background: #46525D; }
QPushButton:pressed { background: #CC553D; }
QPushButton:disabled { background: #A7AFB6; color: #E9ECEF; }
QPushButton[look="image"] { background: transparent; border-radius: 0; }
QPushButton[look="image"]:hover { background: #46525D; }
QPushButton[look="close"] { background: transparent; border-radius: 0; }
QPushButton[look="close"]:hover { background: #CC553D; }
QFrame[look="buttonFrame"] { background: #E1E5EA; border-radius: 4px; }
QCheckBox { color: #343E47; spacing: 4px; }
QTableWidget {
    background: #FFFFFF; color: #222A31; border: 1px solid #D3D8DE;
    gridline-color: #E4E7EB; selection-background-color: #CC553D;
    selection-color: #FFFFFF;
}
QTableWidget:disabled { background: #F0F0F0; color: #7A838B; }
QPlainTextEdit {
    background: #FFFFFF; color: #222A31; border: 1px solid #D3D8DE;
    selection-background-color: #CC553D;
}
QComboBox { background: #FFFFFF; border: 1px solid #BCC4CC; padding: 0 3px; }
QTabWidget::pane { border: none; }
QMessageBox { background: #F4F5F7; }
QMessageBox QPushButton { min-width: 72px; min-height: 26px; }
QFrame[look="pageFrame"] { background: #F4F5F7; }
)");
}

void applyWindowLook(QApplication& app) {
    app.setFont(windowFont(12));
    app.setStyleSheet(windowStyleSheet());
}

}  // namespace qm::ui
