#pragma once

#include <QFrame>

// A panel with a caption drawn in its middle, as the program's title bands and entry tiles
// show them. Child widgets sit on top of the caption.
class Panel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit Panel(QWidget *parent = nullptr);
    Panel(const QString &objectName, QWidget *parent);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    void setCaptionAlignment(Qt::Alignment alignment);

signals:
    // A click on the panel or on a child that does not take clicks (a picture, a label).
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_caption;
    Qt::Alignment m_alignment = Qt::AlignCenter;
};
