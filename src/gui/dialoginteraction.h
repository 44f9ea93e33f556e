#pragma once

#include "core/platform/userinteraction.h"

#include <QPointer>
#include <QProgressBar>

class AppContext;
class QWidget;

// The window program's way of talking to the user: the language-aware message boxes and
// the progress bar of the window that runs the operation.
class DialogInteraction : public UserInteraction {
public:
    DialogInteraction(const AppContext &context, QWidget *parent);

    void setProgressBar(QProgressBar *bar) { m_progress = bar; }

    void notice(const QString &text) override;
    Answer question(const QString &text) override;
    Answer confirm(const QString &text, const QString &title, const QString &yesCaption,
                   const QString &cancelCaption) override;
    Answer alreadyDumped(const QString &text, const QString &yesCaption) override;
    void progressStart(int maximum) override;
    void progressStep() override;
    void progressEnd() override;

private:
    const AppContext &m_context;
    QWidget *m_parent;
    QPointer<QProgressBar> m_progress;
};
