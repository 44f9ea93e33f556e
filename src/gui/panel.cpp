#include "gui/panel.h"

#include <QMouseEvent>
#include <QPainter>

Panel::Panel(QWidget *parent) : QFrame(parent) {}

Panel::Panel(const QString &objectName, QWidget *parent) : QFrame(parent) {
    setObjectName(objectName);
}

void Panel::setCaption(const QString &caption) {
    m_caption = caption;
    update();
}

void Panel::setCaptionAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void Panel::paintEvent(QPaintEvent *event) {
    QFrame::paintEvent(event);
    if (m_caption.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect().adjusted(6, 0, -6, 0), int(m_alignment) | Qt::TextWordWrap,
                     m_caption);
}

void Panel::mousePressEvent(QMouseEvent *event) {
    event->setAccepted(event->button() == Qt::LeftButton);
}

void Panel::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
