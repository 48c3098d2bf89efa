#include "FileStateIcons.h"

#include <system/ReadOnly.h>

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 16;

QPixmap blank() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon drawLock() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x5a, 0x5a, 0x5a), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16); // the shackle
    p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
    p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
    p.setPen(QPen(QColor(0x7a, 0x5c, 0x10), 1));
    p.setBrush(QColor(0xe0, 0xb0, 0x30));
    p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5a, 0x40, 0x08));
    p.drawEllipse(QPointF(8, 10.5), 1.3, 1.3);
    p.drawRect(QRectF(7.4, 10.5, 1.2, 2.6));
    return QIcon(pixmap);
}

QIcon drawPencil() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(8, 8);
    p.rotate(-45);
    p.setPen(QPen(QColor(0x4a, 0x3a, 0x10), 0.8));
    p.setBrush(QColor(0xf2, 0xc0, 0x30)); // the body
    p.drawRect(QRectF(-5, -2, 9, 4));
    p.setBrush(QColor(0xe8, 0x90, 0x90)); // the eraser
    p.drawRect(QRectF(4, -2, 2.5, 4));
    QPainterPath tip;
    tip.moveTo(-5, -2);
    tip.lineTo(-8, 0);
    tip.lineTo(-5, 2);
    tip.closeSubpath();
    p.setBrush(QColor(0xf0, 0xdc, 0xb0));
    p.drawPath(tip);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(-7.3, 0), 0.8, 0.8);
    return QIcon(pixmap);
}

QIcon drawMissingMark() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0x20, 0x20));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.2, 5.2), QPointF(10.8, 10.8));
    p.drawLine(QPointF(10.8, 5.2), QPointF(5.2, 10.8));
    return QIcon(pixmap);
}

} // namespace

FileState fileStateOf(const QString& path) {
    if (!QFileInfo::exists(path))
        return FileState::Missing;
    return isReadOnlyFile(path) ? FileState::ReadOnly : FileState::Writable;
}

QIcon drawFileStateIcon(FileState state) {
    switch (state) {
    case FileState::ReadOnly:
        return drawLock();
    case FileState::Writable:
        return drawPencil();
    case FileState::Missing:
        break;
    }
    return drawMissingMark();
}

QString fileStateText(FileState state) {
    switch (state) {
    case FileState::ReadOnly:
        return QStringLiteral("read-only");
    case FileState::Writable:
        return QStringLiteral("writable");
    case FileState::Missing:
        break;
    }
    return QStringLiteral("missing on disk");
}
