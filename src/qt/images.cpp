#include "qt/images.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace penwick::qt {

namespace {

// A sheet of note paper with ruled lines and a pen across its corner, in colours of the
// classic 16-colour palette, drawn on a 16-unit grid. At 16 pixels it is drawn without
// antialiasing, so that it stays a 16-colour icon; larger sizes are the same drawing, smoothed.
void drawNote(QPainter& p, int pixels) {
    p.scale(pixels / 16.0, pixels / 16.0);
    if (pixels > 16) p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(1, 1, 11, 13);
    p.setPen(QPen(QColor(0, 128, 128), 1));
    for (int y = 4; y <= 12; y += 3) p.drawLine(3, y, 10, y);
    p.setPen(QPen(QColor(128, 0, 0), 2));
    p.drawLine(14, 2, 8, 10);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.drawPoint(7, 11);
}

// A key, for the login.
QPixmap keyIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(128, 96, 0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 5.5, 6, 6));
    p.drawLine(QPointF(7.5, 8.5), QPointF(14.5, 8.5));
    p.drawLine(QPointF(12.5, 8.5), QPointF(12.5, 11.5));
    p.drawLine(QPointF(14.5, 8.5), QPointF(14.5, 11.5));
    return pm;
}

// "abc" with a tick under it, for the spell check.
QPixmap spellIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0, 0, 128));
    QFont f = p.font();
    f.setPixelSize(7);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 8), Qt::AlignCenter, QStringLiteral("abc"));
    p.setPen(QPen(QColor(0, 128, 0), 2));
    p.drawLine(3, 11, 6, 14);
    p.drawLine(6, 14, 13, 8);
    return pm;
}

}  // namespace

QImage mainIconImage(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    drawNote(p, pixels);
    return image;
}

QIcon windowIcon(ui::Image image) {
    switch (image) {
        case ui::Image::MainIcon:
            return QIcon(QPixmap::fromImage(mainIconImage(16)));
        case ui::Image::LoginIcon:
            return QIcon(keyIcon());
        case ui::Image::SpellIcon:
            return QIcon(spellIcon());
        default:
            return {};
    }
}

QCursor linkCursor() {
    // Two colours: a white hand with a black outline on a transparent ground.
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    // The outline from the finger tip round the back of the hand.
    const QPolygon hand({{6, 1},
                         {9, 1},
                         {9, 11},
                         {12, 10},
                         {15, 11},
                         {18, 12},
                         {21, 14},
                         {21, 22},
                         {18, 27},
                         {8, 27},
                         {2, 19},
                         {2, 15},
                         {6, 17}});
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(hand);
    p.drawLine(12, 11, 12, 16);
    p.drawLine(15, 12, 15, 16);
    p.drawLine(18, 13, 18, 16);
    p.end();
    return QCursor(pm, 7, 1);
}

}  // namespace penwick::qt
