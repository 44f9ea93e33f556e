#include "core/platform/logfile.h"

#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"

#include <QFile>
#include <QLocale>

namespace {

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
    // Hours, minutes and seconds with colons, as the workstations' long time reads
    // ("06:12:05"); some locales spell it "6 h 12 min 05 s".
    return QLatin1Char('[') + locale.toString(moment.date(), QLocale::ShortFormat) +
           QStringLiteral("][") + moment.time().toString(QStringLiteral("HH:mm:ss")) +
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
