#include "core/platform/logfile.h"

#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"

#include <QFile>
#include <QLocale>

namespace {

// The locale's long time pattern, less its time-zone part: a workstation's long time reads
// "14:05:09", not "14:05:09 CET".
QString longTimePattern(const QLocale &locale) {
    const QString pattern = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : pattern) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out.append(c);
    }
    return out.simplified();
}

void writeLine(QFile &file, const QString &message) {
    const QByteArray line = Cp1252::encode(LogFile::stamp(QDateTime::currentDateTime()) + message) +
                            QByteArrayLiteral("\r\n");
    if (file.write(line) != line.size())
        throw KorvelloError(Translation::message(QStringLiteral("Err_LogEcriture"))
                                .arg(file.fileName(), file.errorString()));
}

} // namespace

namespace LogFile {

QString stamp(const QDateTime &moment) {
    const QLocale locale;
    return QLatin1Char('[') + locale.toString(moment.date(), QLocale::ShortFormat) +
           QStringLiteral("][") + locale.toString(moment.time(), longTimePattern(locale)) +
           QStringLiteral("] ");
}

void append(const AppContext &context, const QString &message) {
    QFile file(context.logPath());
    const bool isNew = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw KorvelloError(Translation::message(QStringLiteral("Err_LogOuverture"))
                                .arg(file.fileName(), file.errorString()));
    if (isNew)
        writeLine(file, context.tr(QStringLiteral("FChargeDB_CreaLog")));
    writeLine(file, message);
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw KorvelloError(Translation::message(QStringLiteral("Err_LogEcriture"))
                                .arg(file.fileName(), file.errorString()));
}

} // namespace LogFile
