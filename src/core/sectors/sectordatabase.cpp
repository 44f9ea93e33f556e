#include "core/sectors/sectordatabase.h"

#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"
#include "core/platform/resources.h"

#include <QFile>

namespace {
void setParams(ConnectionParams &params, const QString &database, const QString &password) {
    params.clear();
    params.set(QStringLiteral("Database"), database);
    params.set(QStringLiteral("Server"), QString());
    params.set(QStringLiteral("Protocol"), QStringLiteral("local"));
    params.set(QStringLiteral("User_Name"), QStringLiteral("SYSDBA"));
    params.set(QStringLiteral("Password"), password);
    params.set(QStringLiteral("SQLDialect"), QStringLiteral("1"));
    params.set(QStringLiteral("CharacterSet"), QStringLiteral("WIN1252"));
}
} // namespace

namespace SectorDatabase {

QString path(const AppContext &context) {
    return context.programFolder() + QStringLiteral("/ListeSectBD.fdb");
}

void ensureOpen(DataModule &data, const AppContext &context) {
    const QString database = path(context);
    if (!QFile::exists(database))
        Resources::extract(QStringLiteral("RSSECTION"), database);
    data.closeSectorDatabase();
    setParams(data.sectorParams(), database, QStringLiteral("pinewharf"));
    QString error;
    if (data.openSectorDatabase(&error))
        return;
    trace(QStringLiteral("Sector database, first attempt: ") + error);
    data.closeSectorDatabase();
    setParams(data.sectorParams(), database, QStringLiteral("tarmik"));
    if (data.openSectorDatabase())
        trace(QStringLiteral("Sector database, second attempt: connected"));
}

void trace(const QString &line) {
    QFile file(QStringLiteral("log.txt"));
    // One event, one line: the driver's messages span several.
    QString flat = line;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray bytes = Cp1252::encode(flat) + QByteArrayLiteral("\r\n");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
        throw KorvelloError(
            Translation::message(QStringLiteral("Err_Trace")).arg(file.errorString()));
}

} // namespace SectorDatabase
