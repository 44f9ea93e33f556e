#pragma once

#include <QWidget>

// The picture of one entry of the main window's left column, drawn by the program itself.
class EntryIcon : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Settings, Generation, Transfer, Dump, Progress, Quit };

    EntryIcon(Kind kind, const QString &objectName, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
};

// The main window's backdrop: a large, faint barcode under a scanner's beam.
class Backdrop : public QWidget {
    Q_OBJECT
public:
    explicit Backdrop(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
