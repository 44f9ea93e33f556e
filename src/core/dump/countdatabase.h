#pragma once

#include <QByteArray>
#include <QByteArrayView>
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

QString tempFolder(const QString &countFolder);  // count folder + "Temp"
QString workingCopy(const QString &countFolder); // count folder + "Temp/Inventaire.s3db"

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

// A zone's lines in the order the table holds them, its total and its earliest time. The
// codes are kept one after the other in one buffer, in Windows-1252 as the count file holds
// them: a dump reads every line of the handheld, and one allocation a line would dominate.
struct ZoneLines {
    QByteArray codes;
    QList<qsizetype> codeEnds; // where each line's code ends in codes
    QList<qint64> quantities;  // each line's quantity
    qint64 total = 0;
    QString startTime;

    qsizetype size() const { return quantities.size(); }
    QByteArrayView code(qsizetype line) const {
        const qsizetype start = line == 0 ? 0 : codeEnds.at(line - 1);
        return QByteArrayView(codes).sliced(start, codeEnds.at(line) - start);
    }
    void append(QByteArrayView code, qint64 quantity) {
        codes.append(code);
        codeEnds.append(codes.size());
        quantities.append(quantity);
        total += quantity;
    }
};
// Every zone of the table read in one pass, so that a dump costs in proportion to the lines
// rather than to lines times zones; the same lines, order, totals and times as the per-zone
// statements give. With Lines::Validated only the validated lines are read. Raises
// KorvelloError when the table cannot be read, and for a line that no count file can hold
// (a zone or code with a comma, a line break or a character the code page lacks, a
// quantity that is no whole number), naming its zone and line.
QHash<QString, ZoneLines> readZones(const QSqlDatabase &db, Lines lines = Lines::All);

// The outcome of a copy by the handheld tool: the tool's own words when it failed.
struct Transfer {
    bool ok = false;
    QString message;
};
// Empties folder (an earlier copy, SQLite journal or WAL must never meet a new pull), then
// pulls the handheld's count database into it.
Transfer pullFresh(const QString &prefix, const QString &folder);
// Pushes folder's count database onto the handheld.
Transfer push(const QString &prefix, const QString &folder);

// Pulls the handheld's count database afresh into the temporary folder, points the data
// module's SQLite connection at the working copy and tells whether it holds the table
// "GCD", and when it does not, why (in the user's language): the tool's own words for a
// pull refused or cut, a count folder that cannot take the copy, a damaged database, a
// database without the table.
struct WorkingCopy {
    bool ready = false;
    QString problem;
};
WorkingCopy loadWorkingCopy(DataModule &data, const QString &prefix, const QString &countFolder);
// The same, telling only whether the working copy is ready.
bool refreshWorkingCopy(DataModule &data, const QString &prefix, const QString &countFolder);

// Removes from the database at path exactly the lines that were dumped from the copy at
// dumpedPath (the same rowid and the same five columns), in one transaction; lines counted
// on the handheld since that copy was pulled stay. With Lines::Validated only the copy's
// validated lines count as dumped. Returns how many were removed; raises KorvelloError.
int removeDumpedLines(const QString &path, const QString &dumpedPath, Lines lines);
// True when the database at path still holds any line dumped from the copy at dumpedPath.
bool holdsDumpedLines(const QString &path, const QString &dumpedPath, Lines lines);

// The handheld's "Param.txt", as read from its temporary folder.
struct ParamFile {
    bool found = false;
    bool readable = false; // false: a text with NUL bytes and no byte-order mark
    QString mode;          // its first line
};
// Pulls the handheld's temporary folder into a fresh folder and reads "Param.txt", wherever
// the tool put it (directly, or in a "tmp" sub-folder); the local copy is deleted.
ParamFile readParamFile(const QString &prefix, const QString &countFolder);
// The dump mode of a readable "Param.txt"; nothing otherwise.
std::optional<QString> readDumpMode(const QString &prefix, const QString &countFolder);
// The first line of a "Param.txt": UTF-16 after its byte-order mark, UTF-8 when it is valid
// UTF-8, else Windows-1252. Nothing for a text with NUL bytes and no UTF-16 byte-order mark.
std::optional<QString> firstLine(const QByteArray &content);

// Closes the working copy, pushes it back to the handheld, removes the temporary folder.
void writeBack(DataModule &data, const QString &prefix, const QString &countFolder);
// Closes the working copy and removes the temporary folder with its content.
void removeTempFolder(DataModule &data, const QString &countFolder);

} // namespace CountDatabase
