// Labels and pictures that act when the left mouse button is pressed on them: the
// side-bar entries and the link pictures (PressPicture), and the header picture that
// drags the window (DragPicture).
//
// A press is taken on the widget itself only: a press on a child (the logo and the
// banner inside the header) goes to the child and does not drag. DragPicture asks the
// window system for a move first, as a caption bar would; where the platform offers
// none it moves the window itself while the button is held.
//
// Window thread only.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPoint>

namespace qm::ui {

class PressPicture : public QLabel {
    Q_OBJECT
  public:
    explicit PressPicture(QWidget* parent = nullptr);

    // Paints the label's background in colour (the side-bar highlight).
    void setBackground(const QColor& colour);
    QColor background() const { return background_; }

  signals:
    void pressed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QColor background_;
};

class DragPicture : public PressPicture {
    Q_OBJECT
  public:
    explicit DragPicture(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool dragging_ = false;
    QPoint grabOffset_;  // cursor position minus window position at the press
};

}  // namespace qm::ui
