#include "qt_icons.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace lw::gui {

namespace {

QPixmap dot(const QColor& fill, const QColor& mark, int kind) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(fill.darker(140));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(mark, 2));
    if (kind == 1) { // a tick
        p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5.5)}));
    } else if (kind == 2) { // an arrow down
        p.drawLine(QPointF(8, 4), QPointF(8, 11));
        p.drawPolyline(QPolygonF({QPointF(5, 8.5), QPointF(8, 11.5), QPointF(11, 8.5)}));
    } else { // a dash
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
    }
    return pixmap;
}

} // namespace

QIcon stateIcon(int index) {
    static const std::array<QIcon, 3> icons = {
        QIcon(dot(QColor(200, 200, 200), QColor(90, 90, 90), 0)),
        QIcon(dot(QColor(76, 175, 80), Qt::white, 1)),
        QIcon(dot(QColor(33, 150, 243), Qt::white, 2)),
    };
    if (index < 0 || index > 2)
        index = 0;
    return icons[static_cast<size_t>(index)];
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(232, 93, 4));
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 5.0, size / 5.0);
        p.setPen(QPen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(
            QPolygonF({QPointF(size * 0.3, size * 0.22), QPointF(size * 0.3, size * 0.75),
                       QPointF(size * 0.72, size * 0.75)}));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap splashPicture(int width, int height) {
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, QColor(255, 140, 50));
    gradient.setColorAt(1, QColor(200, 60, 10));
    p.fillRect(pixmap.rect(), gradient);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(28, 36, appIcon().pixmap(64, 64));
    QFont title = p.font();
    title.setPointSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(108, 36, width - 120, 64), Qt::AlignVCenter | Qt::AlignLeft, "Listwright");
    QFont sub = p.font();
    sub.setPointSize(11);
    sub.setBold(false);
    p.setFont(sub);
    p.drawText(QRect(28, 120, width - 56, 60), Qt::AlignLeft | Qt::TextWordWrap,
               QString::fromUtf8("阿里巴巴宝贝一键复制到淘宝助理数据包"));
    return pixmap;
}

} // namespace lw::gui
