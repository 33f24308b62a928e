#include "site/ui/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "site/ui/window_look.h"

namespace qm::ui {

namespace {

QPixmap blank(int width, int height, const QColor& fill = Qt::transparent) {
    QPixmap pixmap(width, height);
    pixmap.fill(fill);
    return pixmap;
}

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

// A rounded square with a white quill stroke: the mark used by the logo and the icon.
void drawMark(QPainter& painter, const QRectF& box) {
    const qreal r = box.width() * 0.18;
    painter.setPen(Qt::NoPen);
    painter.setBrush(kHighlightColour);
    painter.drawRoundedRect(box, r, r);

    const qreal w = box.width();
    const qreal h = box.height();
    QPainterPath quill;
    quill.moveTo(box.left() + w * 0.26, box.bottom() - h * 0.20);
    quill.cubicTo(box.left() + w * 0.34, box.top() + h * 0.50, box.left() + w * 0.52,
                  box.top() + h * 0.26, box.right() - w * 0.20, box.top() + h * 0.18);
    quill.cubicTo(box.right() - w * 0.26, box.top() + h * 0.44, box.left() + w * 0.52,
                  box.top() + h * 0.64, box.left() + w * 0.30, box.bottom() - h * 0.28);
    quill.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(quill);
    painter.setPen(QPen(Qt::white, qMax(1.0, w * 0.05), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(box.left() + w * 0.22, box.bottom() - h * 0.14),
                     QPointF(box.left() + w * 0.40, box.top() + h * 0.58));
}

QPen iconPen(qreal width = 2.0) {
    return QPen(kSideTextColour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

}  // namespace

QPixmap headerPicture(int width, int height) {
    QPixmap pixmap = blank(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0.0, QColor(0x3D, 0x48, 0x52));
    fill.setColorAt(1.0, kHeaderDarkColour);
    painter.fillRect(pixmap.rect(), fill);
    // A faint line pattern on the right gives the header some depth.
    painter.setPen(QPen(QColor(255, 255, 255, 14), 1));
    for (int x = width / 2; x < width + height; x += 14) {
        painter.drawLine(x, height, x - height, 0);
    }
    painter.fillRect(QRect(0, height - 2, width, 2), kHighlightColour);
    painter.end();
    return pixmap;
}

QPixmap bandPicture(int width, int height) {
    QPixmap pixmap = blank(width, height, kHeaderDarkColour);
    QPainter painter(&pixmap);
    painter.fillRect(QRect(0, height - 8, width, 8), kWindowColour);
    painter.end();
    return pixmap;
}

QPixmap logoPicture(int width, int height) {
    QPixmap pixmap = blank(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    const int side = qMin(width, height) - 6;
    drawMark(painter, QRectF((width - side) / 2.0, (height - side) / 2.0, side, side));
    painter.end();
    return pixmap;
}

QPixmap bannerPicture(int width, int height) {
    QPixmap pixmap = blank(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    painter.setPen(Qt::white);
    painter.setFont(windowFont(22, true));
    painter.drawText(QRect(4, 2, width - 4, height / 2 + 8), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Quillmoor"));
    painter.setPen(kSideTextColour);
    painter.setFont(windowFont(12));
    painter.drawText(QRect(6, height / 2 + 8, width - 6, height / 2 - 8),
                     Qt::AlignLeft | Qt::AlignTop, QStringLiteral("多站点自动更新"));
    painter.end();
    return pixmap;
}

QPixmap sideBarPicture(int width, int height) {
    QPixmap pixmap = blank(width, height, kWindowColour);
    QPainter painter(&pixmap);
    painter.fillRect(QRect(180, 0, 1, height), QColor(0x2A, 0x32, 0x3A));
    painter.end();
    return pixmap;
}

QPixmap pageAreaPicture(int width, int height) {
    return blank(width, height, kPageColour);
}

QPixmap sideIcon(SideIcon icon, int width, int height) {
    QPixmap pixmap = blank(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    painter.setPen(iconPen());
    painter.setBrush(Qt::NoBrush);
    const QRectF box(5.5, 5.5, width - 11.0, height - 11.0);
    switch (icon) {
        case SideIcon::Sites: {  // a globe: circle, equator and meridian
            painter.drawEllipse(box);
            painter.drawEllipse(QRectF(box.center().x() - box.width() / 4.5, box.top(),
                                       box.width() / 2.25, box.height()));
            painter.drawLine(QPointF(box.left(), box.center().y()),
                             QPointF(box.right(), box.center().y()));
            break;
        }
        case SideIcon::Log: {  // a sheet with text lines
            painter.drawRoundedRect(box.adjusted(2, 0, -2, 0), 2, 2);
            for (int i = 0; i < 3; ++i) {
                const qreal y = box.top() + 6 + i * 5;
                painter.drawLine(QPointF(box.left() + 6, y), QPointF(box.right() - 6, y));
            }
            break;
        }
        case SideIcon::Links: {  // two chain links
            painter.drawRoundedRect(QRectF(box.left(), box.center().y() - 4, 13, 8), 4, 4);
            painter.drawRoundedRect(QRectF(box.right() - 13, box.center().y() - 4, 13, 8), 4, 4);
            painter.drawLine(QPointF(box.left() + 8, box.center().y()),
                             QPointF(box.right() - 8, box.center().y()));
            break;
        }
        case SideIcon::Templates: {  // four tiles
            const qreal s = (box.width() - 3) / 2;
            for (int i = 0; i < 4; ++i) {
                painter.drawRect(
                    QRectF(box.left() + (i % 2) * (s + 3), box.top() + (i / 2) * (s + 3), s, s));
            }
            break;
        }
    }
    painter.end();
    return pixmap;
}

QPixmap linkPicture(int width, int height) {
    QPixmap pixmap = blank(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    const int side = qMin(width, height) - 8;
    const QRectF circle((width - side) / 2.0, (height - side) / 2.0, side, side);
    painter.setPen(iconPen(2));
    painter.drawEllipse(circle);
    painter.setFont(windowFont(side * 2 / 3, true));
    painter.setPen(kSideTextColour);
    painter.drawText(circle, Qt::AlignCenter, QStringLiteral("i"));
    painter.end();
    return pixmap;
}

QPixmap decorationPicture(int width, int height) {
    QPixmap pixmap = blank(width, height, kWindowColour);
    QPainter painter(&pixmap);
    painter.fillRect(QRect(width - 2, 0, 2, height), kHighlightColour);
    painter.end();
    return pixmap;
}

QIcon minimiseImage(int width, int height) {
    QPixmap pixmap = blank(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    painter.setPen(iconPen(1.6));
    painter.drawLine(QPointF(width / 2.0 - 5, height / 2.0 + 1),
                     QPointF(width / 2.0 + 5, height / 2.0 + 1));
    painter.end();
    return QIcon(pixmap);
}

QIcon closeImage(int width, int height) {
    QPixmap pixmap = blank(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    painter.setPen(iconPen(1.6));
    const QPointF c(width / 2.0, height / 2.0);
    painter.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
    painter.drawLine(c + QPointF(-4.5, 4.5), c + QPointF(4.5, -4.5));
    painter.end();
    return QIcon(pixmap);
}

QIcon programIcon() {
    QPixmap pixmap = blank(48, 48);
    QPainter painter(&pixmap);
    prepare(painter);
    drawMark(painter, QRectF(1, 1, 46, 46));
    painter.end();
    return QIcon(pixmap);
}

}  // namespace qm::ui
