#include "gui/entryicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

const QColor kInk(255, 255, 255);
const QColor kAccent(255, 196, 64);

void gear(QPainter &p, QPointF c, qreal r) {
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a0 = (i * M_PI) / teeth;
        const qreal a1 = ((i + 1) * M_PI) / teeth;
        const qreal rad = (i % 2 == 0) ? r : r * 0.78;
        const QPointF p0 = c + QPointF(qCos(a0) * rad, qSin(a0) * rad);
        const QPointF p1 = c + QPointF(qCos(a1) * rad, qSin(a1) * rad);
        if (i == 0)
            path.moveTo(p0);
        else
            path.lineTo(p0);
        path.lineTo(p1);
    }
    path.closeSubpath();
    path.addEllipse(c, r * 0.35, r * 0.35);
    path.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(path);
}

void database(QPainter &p, QRectF r) {
    p.setPen(QPen(kInk, 2.2));
    p.setBrush(Qt::NoBrush);
    const qreal eh = r.height() * 0.25;
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), eh));
    p.drawLine(QPointF(r.left(), r.top() + eh / 2), QPointF(r.left(), r.bottom() - eh / 2));
    p.drawLine(QPointF(r.right(), r.top() + eh / 2), QPointF(r.right(), r.bottom() - eh / 2));
    p.drawArc(QRectF(r.left(), r.center().y() - eh / 2, r.width(), eh), 180 * 16, 180 * 16);
    p.drawArc(QRectF(r.left(), r.bottom() - eh, r.width(), eh), 180 * 16, 180 * 16);
}

void handheld(QPainter &p, QRectF r) {
    p.setPen(QPen(kInk, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(kInk);
    p.drawRect(QRectF(r.left() + 4, r.top() + 5, r.width() - 8, r.height() * 0.42));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(r.center().x() - 3, r.bottom() - 8, 6, 4));
}

void arrow(QPainter &p, QPointF from, QPointF to) {
    p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QLineF line(to, from);
    const qreal angle = qDegreesToRadians(line.angle());
    const QPointF a = to + QPointF(qCos(angle + 0.5) * 8, -qSin(angle + 0.5) * 8);
    const QPointF b = to + QPointF(qCos(angle - 0.5) * 8, -qSin(angle - 0.5) * 8);
    p.drawLine(to, a);
    p.drawLine(to, b);
}

} // namespace

EntryIcon::EntryIcon(QWidget *parent) : QWidget(parent) {
    // A click on the picture is a click on its entry.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void EntryIcon::setKind(Kind kind) {
    m_kind = kind;
    update();
}

void EntryIcon::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(4, 4, -4, -4);
    const QPointF c = r.center();
    switch (m_kind) {
    case Kind::Settings:
        gear(p, c, r.height() / 2);
        break;
    case Kind::Generation:
        database(p, QRectF(c.x() - 13, r.top() + 2, 26, r.height() - 4));
        p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.right() - 5, r.top() + 3), QPointF(r.right() - 5, r.top() + 15));
        p.drawLine(QPointF(r.right() - 11, r.top() + 9), QPointF(r.right() + 1, r.top() + 9));
        break;
    case Kind::Transfer:
        database(p, QRectF(r.left(), r.top() + 6, 16, r.height() - 12));
        handheld(p, QRectF(r.right() - 15, r.top(), 15, r.height()));
        arrow(p, QPointF(r.left() + 18, c.y()), QPointF(r.right() - 18, c.y()));
        break;
    case Kind::Dump:
        handheld(p, QRectF(r.left(), r.top(), 15, r.height()));
        p.setPen(QPen(kInk, 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(r.right() - 16, r.top() + 4, 16, r.height() - 8));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(r.right() - 13, r.top() + 10 + i * 6),
                       QPointF(r.right() - 3, r.top() + 10 + i * 6));
        arrow(p, QPointF(r.left() + 18, c.y()), QPointF(r.right() - 19, c.y()));
        break;
    case Kind::Progress: {
        p.setPen(Qt::NoPen);
        const qreal w = r.width() / 5;
        const qreal heights[] = {0.35, 0.6, 0.45, 0.9};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(i == 3 ? kAccent : kInk);
            const qreal h = r.height() * heights[i];
            p.drawRect(QRectF(r.left() + i * (w + w / 3), r.bottom() - h, w, h));
        }
        break;
    }
    case Kind::Quit:
        p.setPen(QPen(kInk, 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(r.left() + 2, r.top(), r.width() * 0.5, r.height()));
        arrow(p, QPointF(c.x() - 2, c.y()), QPointF(r.right(), c.y()));
        break;
    }
}

Backdrop::Backdrop(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Backdrop::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Bar widths of an EAN-like pattern; the look matters, not the code.
    static const int widths[] = {1, 1, 2, 1, 3, 2, 1, 1, 2, 3, 1, 2, 1, 1, 3, 1, 2, 2, 1,
                                 3, 1, 1, 2, 1, 1, 3, 2, 1, 2, 1, 1, 2, 3, 1, 1, 2, 1, 1};
    const qreal unit = 4;
    qreal total = 0;
    for (int w : widths)
        total += w * unit * 2;
    qreal x = (width() - total) / 2;
    const QRectF bars(x, height() * 0.15, total, height() * 0.62);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(31, 58, 86, 28));
    bool ink = true;
    for (int w : widths) {
        if (ink)
            p.drawRect(QRectF(x, bars.top(), w * unit, bars.height()));
        x += w * unit * (ink ? 1 : 3);
        ink = !ink;
    }
    QLinearGradient beam(0, 0, width(), 0);
    beam.setColorAt(0.0, QColor(255, 64, 64, 0));
    beam.setColorAt(0.5, QColor(255, 64, 64, 110));
    beam.setColorAt(1.0, QColor(255, 64, 64, 0));
    p.setBrush(beam);
    p.drawRect(QRectF(bars.left() - 40, bars.center().y() - 1.5, bars.width() + 80, 3));
}
