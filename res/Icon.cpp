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
    wing.moveTo(30, 23);
    wing.cubicTo(22, 15, 12, 11, 3, 12);  // leading edge, swept forward to the tip
    wing.cubicTo(9, 17, 13, 23, 15, 30);  // primaries
    wing.cubicTo(20, 31, 25, 33, 30, 37); // trailing edge back to the body
    wing.closeSubpath();
    return wing;
}

QPainterPath Bird() {
    QPainterPath bird;
    bird.setFillRule(Qt::WindingFill);
    const QPainterPath left = LeftWing();
    bird.addPath(left);
    bird.addPath(QTransform(-1, 0, 0, 1, 64, 0).map(left));
    QPainterPath body;
    body.moveTo(32, 14);
    body.cubicTo(36.5, 14, 37, 22, 36, 30);
    body.cubicTo(35.5, 35, 34.5, 38, 34, 40);
    body.lineTo(30, 40);
    body.cubicTo(29.5, 38, 28.5, 35, 28, 30);
    body.cubicTo(27, 22, 27.5, 14, 32, 14);
    bird.addPath(body);
    QPainterPath tail; // long, slightly fanned
    tail.moveTo(30, 38);
    tail.lineTo(34, 38);
    tail.lineTo(37.5, 55);
    tail.quadTo(32, 57.5, 26.5, 55);
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
    painter.drawEllipse(QPointF(4, 13), 7.0, 5.0);
    painter.drawEllipse(QPointF(60, 13), 7.0, 5.0);
    painter.drawRect(QRectF(20, 51.5, 24, 2.2));
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
