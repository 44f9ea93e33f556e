#pragma once

#include "core/i18n/translation.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of the built korvello-cli, with no standard input.
struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList &args,
                     const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KORVELLO_BIN_DIR "/korvello-cli"), args);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        qFatal("korvello-cli did not end");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A text of the language file korvello-cli reads, in its default language (Dutch) unless
// told otherwise; %1, %2 filled in.
inline QString cliText(const QString &key, const QStringList &args = {},
                       const QString &language = QStringLiteral("NL")) {
    QString text = Translation::lookup(key, language);
    for (const QString &arg : args)
        text = text.arg(arg);
    return text;
}
