#pragma once

#include <QString>

// How the operations talk to the user: the window program answers with message boxes, the
// command-line program with the terminal, the tests with scripted answers. Every operation
// goes through this, so each one runs, and is tested, without a screen.
class UserInteraction {
public:
    enum class Answer { Yes, No, Cancel, Ok };

    virtual ~UserInteraction() = default;

    // A notice: information or error, one OK button, titled with "FMain.Caption".
    virtual void notice(const QString &text) = 0;
    // A question answered Yes or No.
    virtual Answer question(const QString &text) = 0;
    // A confirmation with the caller's captions for Yes and Cancel (the upload asks this).
    virtual Answer confirm(const QString &text, const QString &title, const QString &yesCaption,
                           const QString &cancelCaption) = 0;
    // A zone found already dumped: Yes adds its lines again, Cancel ends the dump.
    virtual Answer alreadyDumped(const QString &text, const QString &yesCaption) = 0;

    // Progress of a long operation.
    virtual void progressStart(int maximum) = 0;
    virtual void progressStep() = 0;
    virtual void progressEnd() = 0;
};
