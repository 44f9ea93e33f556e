#include "cli/terminalinteraction.h"

#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {
QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}
} // namespace

namespace {
// The message boxes' texts break lines with a bare CR, which a terminal would use to write
// over the line before.
QString asLines(const QString &text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}
} // namespace

void TerminalInteraction::notice(const QString &text) {
    out() << asLines(text) << Qt::endl;
}

bool TerminalInteraction::ask(const QString &text, const QString &choices) {
    out() << asLines(text) << Qt::endl;
    if (m_assumeYes) {
        out() << choices << " yes (--yes)" << Qt::endl;
        return true;
    }
    if (!isatty(STDIN_FILENO)) {
        out() << choices << " no (no terminal to ask on; --yes answers yes)" << Qt::endl;
        return false;
    }
    out() << choices << ' ' << Qt::flush;
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer.startsWith(QLatin1Char('y')) || answer.startsWith(QLatin1Char('o')) ||
           answer.startsWith(QLatin1Char('j'));
}

UserInteraction::Answer TerminalInteraction::question(const QString &text) {
    return ask(text, QStringLiteral("[y/N]")) ? Answer::Yes : Answer::No;
}

UserInteraction::Answer TerminalInteraction::confirm(const QString &text, const QString &title,
                                                     const QString &yesCaption,
                                                     const QString &cancelCaption) {
    const QString heading = title.isEmpty() ? text : title + QStringLiteral(": ") + text;
    return ask(heading, QStringLiteral("[y = %1 / N = %2]").arg(yesCaption, cancelCaption))
               ? Answer::Yes
               : Answer::Cancel;
}

UserInteraction::Answer TerminalInteraction::alreadyDumped(const QString &text,
                                                           const QString &yesCaption) {
    return ask(text, QStringLiteral("[y = %1 / N = cancel]").arg(yesCaption)) ? Answer::Yes
                                                                              : Answer::Cancel;
}

void TerminalInteraction::progressStart(int maximum) {
    m_maximum = maximum;
    m_done = 0;
}

void TerminalInteraction::progressStep() {
    ++m_done;
    if (isatty(STDERR_FILENO))
        fprintf(stderr, "\r%d/%d", m_done, m_maximum);
}

void TerminalInteraction::progressEnd() {
    if (isatty(STDERR_FILENO) && m_done > 0)
        fprintf(stderr, "\n");
}
