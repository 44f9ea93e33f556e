#pragma once

#include "gui/dialoginteraction.h"

#include <QWidget>

#include <functional>
#include <memory>

class AppContext;
class QLabel;
class QPushButton;

namespace Ui {
class TransferWindow;
}

// The window that copies the article code database onto the connected handheld.
class TransferWindow : public QWidget {
    Q_OBJECT
public:
    explicit TransferWindow(AppContext &context, QWidget *parent = nullptr);
    ~TransferWindow() override;

    void transfer();
    void leave();

    void setInteraction(UserInteraction *interaction) { m_ask = interaction; }
    // The main window's device watch, paused for the copy.
    std::function<void()> watchOff;
    std::function<void()> watchOn;

signals:
    void left();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TransferWindow> m_ui;
    AppContext &m_context;
    DialogInteraction m_interaction;
    UserInteraction *m_ask = &m_interaction;

    // The form's controls, named for their use.
    QLabel *m_copyingText = nullptr;
    QPushButton *m_transferButton = nullptr;
    QPushButton *m_leaveButton = nullptr;

    friend class TestTransferWindow;
};
