#include "core/dump/countdatabase.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/i18n/translation.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QStringDecoder>
#include <QVariant>

namespace CountDatabase {

namespace {
QSqlQuery run(const QSqlDatabase &db, const QString &statement, const QVariantList &values = {}) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = query.prepare(statement);
    for (const QVariant &value : values)
        query.addBindValue(value);
    ok = ok && query.exec();
    if (!ok)
        throw KorvelloError(Translation::message(QStringLiteral("Dump_BaseIllisible"))
                                .arg(db.databaseName(), query.lastError().text()));
    return query;
}
} // namespace

QString tempFolder(const QString &countFolder) {
    return countFolder + QStringLiteral("/Temp");
}

QString workingCopy(const QString &countFolder) {
    return countFolder + QStringLiteral("/Temp/Inventaire.s3db");
}

bool tableExists(const QSqlDatabase &db) {
    QSqlQuery query(db);
    if (!query.exec(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type= 'table' AND name='GCD'")))
        return false;
    return query.next();
}

QString summaryStatement(Lines lines) {
    switch (lines) {
    case Lines::NotValidated:
        return QStringLiteral("SELECT distinct a.ZONE, SUM(a.Quantite) as Qte FROM GCD a "
                              "WHERE Valide = 'N' GROUP BY ZONE");
    case Lines::Validated:
        return QStringLiteral("SELECT distinct a.ZONE, SUM(a.Quantite) as Qte FROM GCD a "
                              "WHERE Valide = 'O' GROUP BY ZONE");
    case Lines::All:
        break;
    }
    return QStringLiteral(
        "SELECT distinct a.ZONE, SUM(a.Quantite) as Qte FROM GCD a GROUP BY ZONE");
}

QList<ZoneQuantity> zoneSummary(const QSqlDatabase &db, Lines lines) {
    QSqlQuery query = run(db, summaryStatement(lines));
    QList<ZoneQuantity> result;
    while (query.next())
        result.append({query.value(0).toString(), query.value(1).toLongLong()});
    return result;
}

qint64 zoneTotal(const QSqlDatabase &db, const QString &zone) {
    QSqlQuery query =
        run(db, QStringLiteral("SELECT SUM(Quantite) as Qte FROM GCD WHERE ZONE = ?"), {zone});
    return query.next() ? query.value(0).toLongLong() : 0;
}

QString zoneStartTime(const QSqlDatabase &db, const QString &zone) {
    QSqlQuery query =
        run(db, QStringLiteral("SELECT Min(Heure) as Heure FROM GCD WHERE ZONE = ?"), {zone});
    return query.next() ? query.value(0).toString() : QString();
}

QSqlQuery zoneLines(const QSqlDatabase &db, const QString &zone) {
    return run(db, QStringLiteral("SELECT * FROM GCD WHERE ZONE = ?"), {zone});
}

void deleteValidatedLines(const QSqlDatabase &db) {
    run(db, QStringLiteral("DELETE FROM GCD WHERE VALIDE = 'O'"));
}

void deleteAllLines(const QSqlDatabase &db) {
    run(db, QStringLiteral("DELETE FROM GCD"));
}

QHash<QString, ZoneLines> readZones(const QSqlDatabase &db) {
    QSqlQuery query = run(db, QStringLiteral("SELECT ZONE, Code, Quantite, Heure FROM GCD"));
    QHash<QString, ZoneLines> zones;
    while (query.next()) {
        ZoneLines &zone = zones[query.value(0).toString()];
        const qint64 quantity = query.value(2).toLongLong();
        zone.lines.append({query.value(1).toString(), quantity});
        zone.total += quantity;
        // MIN() leaves out missing times, as SQLite does.
        if (!query.value(3).isNull()) {
            const QString time = query.value(3).toString();
            if (zone.startTime.isNull() || time < zone.startTime)
                zone.startTime = time;
        }
    }
    return zones;
}

bool refreshWorkingCopy(DataModule &data, const QString &prefix, const QString &countFolder) {
    QDir().mkdir(tempFolder(countFolder));
    HiddenRunner::run(Bridge::pullCountDatabase(prefix, countFolder));
    if (!data.openSqlite(workingCopy(countFolder)))
        return false;
    return tableExists(data.sqlite());
}

QString firstLine(const QByteArray &content) {
    QByteArray bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    qsizetype end = 0;
    while (end < bytes.size() && bytes.at(end) != '\n' && bytes.at(end) != '\r')
        ++end;
    const QByteArray line = bytes.left(end);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(line);
    return utf8.hasError() ? Cp1252::decode(line) : text;
}

std::optional<QString> readDumpMode(const QString &prefix, const QString &countFolder) {
    HiddenRunner::run(Bridge::pullHandheldTempFolder(prefix, countFolder));
    // Older tools copy the folder's content, newer ones the folder itself.
    for (const QString &candidate : {countFolder + QStringLiteral("/Temp/Param.txt"),
                                     countFolder + QStringLiteral("/Temp/tmp/Param.txt")}) {
        QFile file(candidate);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString mode = firstLine(file.readAll());
        file.close();
        file.remove();
        return mode;
    }
    return std::nullopt;
}

void writeBack(DataModule &data, const QString &prefix, const QString &countFolder) {
    data.closeSqlite();
    HiddenRunner::run(Bridge::pushCountDatabase(prefix, countFolder));
    removeTempFolder(data, countFolder);
}

void removeTempFolder(DataModule &data, const QString &countFolder) {
    data.closeSqlite();
    QDir(tempFolder(countFolder)).removeRecursively();
}

} // namespace CountDatabase
