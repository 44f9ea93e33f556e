#pragma once

#include "core/platform/userinteraction.h"

#include <QList>
#include <QStringList>

// Answers the operations' questions from a script and keeps what they said.
class ScriptedInteraction : public UserInteraction {
public:
    // Answers given in order; when they run out, questions are answered Cancel.
    QList<Answer> answers;
    QStringList notices;
    QStringList questions; // every question asked, of whatever shape
    int progressMaximum = -1;
    int progressSteps = 0;
    bool progressShown = false;

    void notice(const QString &text) override { notices << text; }
    Answer question(const QString &text) override { return next(text); }
    Answer confirm(const QString &text, const QString &, const QString &,
                   const QString &) override {
        return next(text);
    }
    Answer alreadyDumped(const QString &text, const QString &) override { return next(text); }
    void progressStart(int maximum) override {
        progressMaximum = maximum;
        progressSteps = 0;
        progressShown = true;
    }
    void progressStep() override { ++progressSteps; }
    void progressEnd() override { progressShown = false; }

private:
    Answer next(const QString &text) {
        questions << text;
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
};
