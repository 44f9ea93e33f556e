#pragma once

#include "core/platform/userinteraction.h"

// The command-line program's way of talking to the user. Notices go to standard output.
// Questions are answered Yes with --yes; otherwise they are asked on the terminal when
// standard input is one, and answered No (or Cancel) when it is not.
class TerminalInteraction : public UserInteraction {
public:
    explicit TerminalInteraction(bool assumeYes) : m_assumeYes(assumeYes) {}

    void notice(const QString &text) override;
    Answer question(const QString &text) override;
    Answer confirm(const QString &text, const QString &title, const QString &yesCaption,
                   const QString &cancelCaption) override;
    Answer alreadyDumped(const QString &text, const QString &yesCaption) override;
    void progressStart(int maximum) override;
    void progressStep() override;
    void progressEnd() override;

private:
    // Asks on the terminal; true for an answer beginning with y, o or j (yes, oui, ja).
    bool ask(const QString &text, const QString &choices);

    bool m_assumeYes;
    int m_maximum = 0;
    int m_done = 0;
};
