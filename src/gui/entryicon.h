#pragma once

#include <QWidget>

// The picture of one entry of the main window's left column, drawn by the program itself.
class EntryIcon : public QWidget {
    Q_OBJECT
    // Set by the form, so each entry draws its own picture.
    Q_PROPERTY(Kind kind READ kind WRITE setKind)
public:
    enum class Kind { Settings, Generation, Transfer, Dump, Progress, Quit };
    Q_ENUM(Kind)

    explicit EntryIcon(QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind = Kind::Settings;
};

// The main window's backdrop: a large, faint barcode under a scanner's beam.
class Backdrop : public QWidget {
    Q_OBJECT
public:
    explicit Backdrop(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
