#include "site/ui/press_picture.h"

#include <QMouseEvent>
#include <QWindow>

namespace qm::ui {

PressPicture::PressPicture(QWidget* parent) : QLabel(parent) {}

void PressPicture::setBackground(const QColor& colour) {
    background_ = colour;
    setStyleSheet(QStringLiteral("background: %1;").arg(colour.name()));
}

void PressPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit pressed();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

DragPicture::DragPicture(QWidget* parent) : PressPicture(parent) {}

void DragPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    emit pressed();
    event->accept();
    QWidget* top = window();
    QWindow* handle = top->windowHandle();
    if (handle != nullptr && handle->startSystemMove()) {
        return;  // the window system moves the window until the button is released
    }
    dragging_ = true;
    grabOffset_ = event->globalPosition().toPoint() - top->pos();
}

void DragPicture::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - grabOffset_);
        event->accept();
        return;
    }
    QLabel::mouseMoveEvent(event);
}

void DragPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace qm::ui
