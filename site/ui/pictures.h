// The window's pictures, drawn with QPainter when the window is built: the header and
// its band, the logo and banner, the minimise and close images, the side-bar icons,
// the side-bar background, the link picture and the window icon. Nothing is loaded
// from files, so the window needs no resources beside the executable.
//
// Window thread only (QPixmap needs the GUI).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace qm::ui {

enum class SideIcon { Sites, Log, Links, Templates };

QPixmap headerPicture(int width, int height);    // 图片框7
QPixmap bandPicture(int width, int height);      // 图片框1
QPixmap logoPicture(int width, int height);      // 图片框13
QPixmap bannerPicture(int width, int height);    // 图片框11
QPixmap sideBarPicture(int width, int height);   // 图片框2
QPixmap pageAreaPicture(int width, int height);  // 图片框8
QPixmap sideIcon(SideIcon icon, int width, int height);
QPixmap linkPicture(int width, int height);        // 图片框10
QPixmap decorationPicture(int width, int height);  // 图片框9
QIcon minimiseImage(int width, int height);        // 图形按钮8
QIcon closeImage(int width, int height);           // 图形按钮7
QIcon programIcon();                               // 48 x 48

}  // namespace qm::ui
