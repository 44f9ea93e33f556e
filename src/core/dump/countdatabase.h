#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <optional>

class DataModule;

// The handheld's count database ("Inventaire.s3db", table "GCD") and its working copy in
// the temporary folder of the count folder.
namespace CountDatabase {

QString tempFolder(const QString &countFolder);  // count folder + "/Temp"
QString workingCopy(const QString &countFolder); // count folder + "/Temp/Inventaire.s3db"

// True when the database holds a table "GCD"; a file that is no database reads as false.
bool tableExists(const QSqlDatabase &db);

enum class Lines { All, NotValidated, Validated };
QString summaryStatement(Lines lines);

struct ZoneQuantity {
    QString zone;
    qint64 quantity = 0;
    bool operator==(const ZoneQuantity &) const = default;
};
// One row per zone, in the order the database groups them. Raises KorvelloError when the
// statement fails.
QList<ZoneQuantity> zoneSummary(const QSqlDatabase &db, Lines lines);
// Statements on one zone, the zone passed as a bound value. Raise KorvelloError on failure.
qint64 zoneTotal(const QSqlDatabase &db, const QString &zone);
QString zoneStartTime(const QSqlDatabase &db, const QString &zone);
QSqlQuery zoneLines(const QSqlDatabase &db, const QString &zone);
void deleteValidatedLines(const QSqlDatabase &db);
void deleteAllLines(const QSqlDatabase &db);

// One counted line, as a count file needs it.
struct CountLine {
    QString code;
    qint64 quantity = 0;
};
// A zone's lines in the order the table holds them, its total and its earliest time.
struct ZoneLines {
    QList<CountLine> lines;
    qint64 total = 0;
    QString startTime;
};
// Every zone of the table read in one pass, so that a dump costs in proportion to the lines
// rather than to lines times zones; the same lines, order, totals and times as the per-zone
// statements give. Raises KorvelloError when the table cannot be read.
QHash<QString, ZoneLines> readZones(const QSqlDatabase &db);

// Creates the temporary folder (one level), pulls the handheld's count database into it,
// points the data module's SQLite connection at the working copy and tells whether it holds
// the table "GCD". A failed pull, or a pulled file that is no database, reads as false.
bool refreshWorkingCopy(DataModule &data, const QString &prefix, const QString &countFolder);

// Pulls the handheld's temporary folder and reads the first line of "Param.txt", wherever
// the tool put it (directly in the temporary folder, or in its "tmp" sub-folder); the local
// copy is deleted. Nothing when no "Param.txt" came.
std::optional<QString> readDumpMode(const QString &prefix, const QString &countFolder);
// The first line of a "Param.txt": UTF-8 when it is valid UTF-8, else Windows-1252.
QString firstLine(const QByteArray &content);

// Closes the working copy, pushes it back to the handheld, removes the temporary folder.
void writeBack(DataModule &data, const QString &prefix, const QString &countFolder);
// Closes the working copy and removes the temporary folder with its content.
void removeTempFolder(DataModule &data, const QString &countFolder);

} // namespace CountDatabase
