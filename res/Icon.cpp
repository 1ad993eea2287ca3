// The program icon: a pale hovering kestrel on a rufous rounded square, drawn with vector paths so
// every size is sharp.
#include "res/Icon.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace res {
namespace {

// One wing in a 64-unit box, for the left side; the right wing is its mirror image.
QPainterPath LeftWing() {
    QPainterPath wing;
    wing.moveTo(29, 25);
    wing.cubicTo(21, 17, 11, 15, 3, 19);
    wing.cubicTo(10, 22, 14, 26, 16, 31);
    wing.cubicTo(21, 30, 25, 31, 29, 34);
    wing.closeSubpath();
    return wing;
}

QPainterPath Bird() {
    QPainterPath bird;
    bird.setFillRule(Qt::WindingFill);
    const QPainterPath left = LeftWing();
    bird.addPath(left);
    bird.addPath(QTransform(-1, 0, 0, 1, 64, 0).map(left));
    bird.addEllipse(QPointF(32, 30), 5.0, 11.0); // body
    bird.addEllipse(QPointF(32, 17.5), 4.5, 4.5); // head
    QPainterPath tail;
    tail.moveTo(29.5, 38);
    tail.lineTo(34.5, 38);
    tail.lineTo(38, 53);
    tail.quadTo(32, 56, 26, 53);
    tail.closeSubpath();
    bird.addPath(tail);
    return bird.simplified();
}

QImage Paint(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    QLinearGradient background(0, 0, 0, 64);
    background.setColorAt(0, QColor(0xD2, 0x69, 0x2A));
    background.setColorAt(1, QColor(0x8E, 0x3A, 0x12));
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(1, 1, 62, 62), 13, 13);

    const QPainterPath bird = Bird();
    painter.setBrush(QColor(0x3B, 0x1C, 0x0A, 90)); // soft shadow
    painter.drawPath(bird.translated(1.2, 1.6));
    painter.setBrush(QColor(0xFF, 0xF4, 0xE2));
    painter.drawPath(bird);

    // Dark wing tips and tail band, the kestrel's markings.
    painter.setBrush(QColor(0x2E, 0x1A, 0x10));
    painter.setClipPath(bird);
    painter.drawEllipse(QPointF(3, 19), 7.0, 5.0);
    painter.drawEllipse(QPointF(61, 19), 7.0, 5.0);
    painter.drawRect(QRectF(20, 50, 24, 2.2));
    return image;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(Paint(size)));
    return icon;
}

} // namespace res
