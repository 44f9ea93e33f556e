#include "core/dump/countdatabase.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"
#include "core/platform/textutil.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringDecoder>
#include <QVariant>

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

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

// A connection of its own to one SQLite file, for the work on copies that must not disturb
// the data module's connection (the working copy the windows show).
class SqliteFile {
public:
    explicit SqliteFile(const QString &path)
        : m_name(QStringLiteral("countdb-%1").arg(++s_counter)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        if (!db.open())
            throw KorvelloError(Translation::message(QStringLiteral("Dump_BaseIllisible"))
                                    .arg(path, db.lastError().text()));
    }
    ~SqliteFile() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    static inline int s_counter = 0;
    QString m_name;
};

// Lines of the working copy that a dump takes, joined to the same lines of another copy.
QString dumpedLinesJoin(Lines lines) {
    QString sql = QStringLiteral(
        "FROM main.GCD g JOIN dumped.GCD d ON d.rowid = g.rowid AND g.ZONE IS d.ZONE AND "
        "g.Code IS d.Code AND g.Quantite IS d.Quantite AND g.Heure IS d.Heure AND "
        "g.Valide IS d.Valide");
    if (lines == Lines::Validated)
        sql += QStringLiteral(" WHERE d.Valide = 'O'");
    return sql;
}

// True when both files hold the same bytes; false too when either cannot be read.
bool sameBytes(const QString &a, const QString &b) {
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size())
        return false;
    if (first.size() == 0)
        return true;
    const uchar *one = first.map(0, first.size());
    const uchar *other = second.map(0, second.size());
    return one && other && std::memcmp(one, other, size_t(first.size())) == 0;
}

void attachDumped(const QSqlDatabase &db, const QString &dumpedPath) {
    run(db, QStringLiteral("ATTACH DATABASE ? AS dumped"), {dumpedPath});
}

// Why a text cannot stand in a count line, or nothing when it can.
QString textProblem(const QString &text) {
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('\r')) ||
        text.contains(QLatin1Char('\n')))
        return Translation::message(QStringLiteral("Dump_LigneSeparateur"));
    if (!Cp1252::canEncode(text))
        return Translation::message(QStringLiteral("Dump_LigneCaractere"));
    return QString();
}

// The quantity as a whole number; nothing when it is none ("12abc", 1.5, empty).
std::optional<qint64> wholeNumber(const QVariant &value) {
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return value.toLongLong();
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (d == double(qint64(d)))
            return qint64(d);
        return std::nullopt;
    }
    default: {
        static const QRegularExpression integer(QStringLiteral("^-?[0-9]+$"));
        const QString text = value.toString();
        bool ok = false;
        const qint64 q = text.toLongLong(&ok);
        if (ok && integer.match(text).hasMatch())
            return q;
        return std::nullopt;
    }
    }
}
} // namespace

QString tempFolder(const QString &countFolder) {
    return joinPath(countFolder, QStringLiteral("Temp"));
}

QString workingCopy(const QString &countFolder) {
    return joinPath(tempFolder(countFolder), QStringLiteral("Inventaire.s3db"));
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

namespace {

// A statement on the connection's own SQLite handle, finalised however the reading ends.
class Statement {
public:
    Statement(const QSqlDatabase &db, const QString &sql) : m_name(db.databaseName()) {
        const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            m_db = *static_cast<sqlite3 *const *>(handle.constData());
        if (!m_db)
            fail(db.lastError().text());
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool next() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return false;
    }
    sqlite3_stmt *get() const { return m_stmt; }

private:
    [[noreturn]] void fail(const QString &why) const {
        throw KorvelloError(
            Translation::message(QStringLiteral("Dump_BaseIllisible")).arg(m_name, why));
    }
    QString m_name;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

// A column's value as Qt's SQLite driver gives it, for the values read the slow way.
QVariant columnValue(sqlite3_stmt *stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        return QString(static_cast<const QChar *>(sqlite3_column_text16(stmt, column)),
                       sqlite3_column_bytes16(stmt, column) / 2);
    }
}

// A text column that is plain ASCII, as its bytes: the same bytes in Windows-1252. A null
// view when the value is no text or holds anything else.
QByteArrayView asciiText(sqlite3_stmt *stmt, int column) {
    if (sqlite3_column_type(stmt, column) != SQLITE_TEXT)
        return {};
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    const QByteArrayView bytes(text, sqlite3_column_bytes(stmt, column));
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return {};
    return bytes;
}

// A code as a count line holds it: plain ASCII without separators as it stands, anything
// else checked and encoded character by character.
bool plainCode(QByteArrayView bytes) {
    return !bytes.isNull() && !bytes.contains(',') && !bytes.contains('\r') &&
           !bytes.contains('\n');
}

} // namespace

namespace {
// Looks plain ASCII zones up by their bytes, without making a text of each line's zone.
struct BytesHash {
    using is_transparent = void;
    size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>()(bytes); }
};
} // namespace

QHash<QString, ZoneLines> readZones(const QSqlDatabase &db, Lines lines) {
    QString sql = QStringLiteral("SELECT ZONE, Code, Quantite, Heure FROM GCD");
    if (lines == Lines::Validated)
        sql += QStringLiteral(" WHERE Valide = 'O'");
    Statement query(db, sql);
    sqlite3_stmt *row = query.get();
    auto refuse = [](const QString &zone, qsizetype line, const QString &code, const QString &why) {
        throw KorvelloError(Translation::message(QStringLiteral("Dump_LigneKo"))
                                .arg(zone, QString::number(line), code, why));
    };
    struct Zone {
        QString name;
        ZoneLines lines;
        // The earliest time among the plain ASCII ones (compared as bytes, which orders them
        // as their texts), and among the others; the earlier of both is the zone's.
        QByteArray asciiStart;
        QString otherStart;
    };
    QList<Zone> zones; // in the order first met
    QHash<QString, qsizetype> byName;
    std::unordered_map<std::string, qsizetype, BytesHash, std::equal_to<>> byBytes;
    // A zone met for the first time: refused at its first line when it cannot name a count
    // line. The same text may come stored as a number and as text: one zone.
    auto zoneNamed = [&](const QString &name) {
        const auto found = byName.constFind(name);
        if (found != byName.cend())
            return found.value();
        const QString problem = textProblem(name);
        if (!problem.isEmpty())
            refuse(name, 1, columnValue(row, 1).toString(), problem);
        byName.insert(name, zones.size());
        zones.append({name, ZoneLines(), QByteArray(), QString()});
        return zones.size() - 1;
    };
    while (query.next()) {
        const QByteArrayView zoneText = asciiText(row, 0);
        qsizetype index;
        if (zoneText.isNull()) {
            index = zoneNamed(columnValue(row, 0).toString());
        } else {
            const std::string_view bytes(zoneText.data(), size_t(zoneText.size()));
            const auto found = byBytes.find(bytes);
            if (found != byBytes.end()) {
                index = found->second;
            } else {
                index = zoneNamed(QString::fromLatin1(zoneText));
                byBytes.emplace(std::string(bytes), index);
            }
        }
        Zone &zone = zones[index];
        const qsizetype number = zone.lines.size() + 1;

        const QByteArrayView codeText = asciiText(row, 1);
        QByteArray encoded;
        if (!plainCode(codeText)) {
            const QString code = columnValue(row, 1).toString();
            const QString problem = textProblem(code);
            if (!problem.isEmpty())
                refuse(zone.name, number, code, problem);
            encoded = Cp1252::encode(code);
        }
        qint64 quantity = 0;
        if (sqlite3_column_type(row, 2) == SQLITE_INTEGER) {
            quantity = sqlite3_column_int64(row, 2);
        } else {
            const QVariant value = columnValue(row, 2);
            const std::optional<qint64> whole = wholeNumber(value);
            if (!whole)
                refuse(zone.name, number, columnValue(row, 1).toString(),
                       Translation::message(QStringLiteral("Dump_LigneQuantite"))
                           .arg(value.toString()));
            quantity = *whole;
        }
        zone.lines.append(plainCode(codeText) ? codeText : QByteArrayView(encoded), quantity);
        // MIN() leaves out missing times, as SQLite does.
        if (sqlite3_column_type(row, 3) != SQLITE_NULL) {
            const QByteArrayView timeText = asciiText(row, 3);
            if (!timeText.isNull()) {
                if (zone.asciiStart.isNull() || timeText < QByteArrayView(zone.asciiStart))
                    zone.asciiStart = timeText.toByteArray();
            } else {
                const QString time = columnValue(row, 3).toString();
                if (zone.otherStart.isNull() || time < zone.otherStart)
                    zone.otherStart = time;
            }
        }
    }
    QHash<QString, ZoneLines> result;
    result.reserve(zones.size());
    for (Zone &zone : zones) {
        QString start = zone.otherStart;
        if (!zone.asciiStart.isNull()) {
            const QString ascii = QString::fromLatin1(zone.asciiStart);
            if (start.isNull() || ascii < start)
                start = ascii;
        }
        zone.lines.startTime = start;
        result.insert(zone.name, std::move(zone.lines));
    }
    return result;
}

namespace {
Transfer transfer(const ToolCommand &command) {
    const RunResult result = HiddenRunner::run(command);
    Transfer outcome;
    outcome.ok = result.started && result.finished && result.exitCode == 0;
    outcome.message = TextUtil::trimmed(QString::fromLocal8Bit(result.output));
    if (!result.started && outcome.message.isEmpty())
        outcome.message = command.program;
    return outcome;
}
} // namespace

Transfer pullFresh(const QString &prefix, const QString &folder) {
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder))
        return {false, Translation::message(QStringLiteral("Dump_DossierKo")).arg(folder)};
    Transfer outcome = transfer(Bridge::pullCountDatabase(prefix, folder));
    // A tool that says it copied but left no file has not copied.
    if (outcome.ok && !QFile::exists(joinPath(folder, QStringLiteral("Inventaire.s3db"))))
        outcome.ok = false;
    return outcome;
}

Transfer push(const QString &prefix, const QString &folder) {
    return transfer(Bridge::pushCountDatabase(prefix, folder));
}

WorkingCopy loadWorkingCopy(DataModule &data, const QString &prefix, const QString &countFolder) {
    data.closeSqlite();
    const Transfer pull = pullFresh(prefix, tempFolder(countFolder));
    if (!pull.ok)
        return {false, Translation::message(QStringLiteral("Dump_LectureKo")) + QLatin1Char('\r') +
                           pull.message};
    if (!data.openSqlite(workingCopy(countFolder)))
        return {false, Translation::message(QStringLiteral("Dump_BaseAbimee"))};
    QSqlQuery check(data.sqlite());
    if (!check.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                   "name = 'GCD'")))
        return {false, Translation::message(QStringLiteral("Dump_BaseAbimee")) + QLatin1Char('\r') +
                           check.lastError().text()};
    if (!check.next())
        return {false, Translation::message(QStringLiteral("Cli_PasDeTable"))};
    return {true, QString()};
}

bool refreshWorkingCopy(DataModule &data, const QString &prefix, const QString &countFolder) {
    return loadWorkingCopy(data, prefix, countFolder).ready;
}

int removeDumpedLines(const QString &path, const QString &dumpedPath, Lines lines) {
    // The same bytes as the copy dumped: nothing was counted since, so every line goes
    // without comparing them one by one.
    const bool unchanged = lines == Lines::All && sameBytes(path, dumpedPath);
    SqliteFile file(path);
    QSqlDatabase db = file.db();
    // A copy made only to be pushed: a crash throws it away, so it needs no journal on disk
    // and no flush; what is pushed is whole once the commit returns.
    run(db, QStringLiteral("PRAGMA journal_mode = MEMORY"));
    run(db, QStringLiteral("PRAGMA synchronous = OFF"));
    attachDumped(db, dumpedPath);
    if (!db.transaction())
        throw KorvelloError(Translation::message(QStringLiteral("Dump_BaseIllisible"))
                                .arg(path, db.lastError().text()));
    QSqlQuery removed;
    try {
        // When every line goes (nothing counted since, nothing left unvalidated), the table
        // is emptied at once, which SQLite does far faster than line by line.
        bool everyLine = unchanged;
        if (!everyLine) {
            QSqlQuery left = run(db, QStringLiteral("SELECT (SELECT COUNT(*) FROM main.GCD) - "
                                                    "(SELECT COUNT(*) ") +
                                         dumpedLinesJoin(lines) + QLatin1Char(')'));
            everyLine = left.next() && left.value(0).toLongLong() == 0;
            left.finish();
        }
        removed = run(db, everyLine ? QStringLiteral("DELETE FROM main.GCD")
                                    : QStringLiteral("DELETE FROM main.GCD WHERE rowid IN "
                                                     "(SELECT g.rowid ") +
                                          dumpedLinesJoin(lines) + QLatin1Char(')'));
    } catch (...) {
        db.rollback();
        throw;
    }
    const int count = removed.numRowsAffected();
    removed.finish();
    if (!db.commit())
        throw KorvelloError(Translation::message(QStringLiteral("Dump_BaseIllisible"))
                                .arg(path, db.lastError().text()));
    run(db, QStringLiteral("DETACH DATABASE dumped"));
    return count;
}

bool holdsDumpedLines(const QString &path, const QString &dumpedPath, Lines lines) {
    SqliteFile file(path);
    attachDumped(file.db(), dumpedPath);
    QSqlQuery query = run(file.db(), QStringLiteral("SELECT 1 ") + dumpedLinesJoin(lines) +
                                         QStringLiteral(" LIMIT 1"));
    const bool holds = query.next();
    query.finish();
    return holds;
}

std::optional<QString> firstLine(const QByteArray &content) {
    QString text;
    if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(content.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                            : QStringDecoder::Utf16BE);
        text = utf16.decode(content.mid(2));
    } else if (content.contains('\0')) {
        return std::nullopt;
    } else {
        QByteArray bytes = content;
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        text = Cp1252::decodeUtf8OrCp1252(bytes);
    }
    qsizetype end = 0;
    while (end < text.size() && text.at(end) != QLatin1Char('\n') &&
           text.at(end) != QLatin1Char('\r'))
        ++end;
    return text.left(end);
}

ParamFile readParamFile(const QString &prefix, const QString &countFolder) {
    // A folder of its own, absent before the pull, so that nothing earlier is read.
    const QString folder = joinPath(tempFolder(countFolder), QStringLiteral("Param"));
    QDir(folder).removeRecursively();
    QDir().mkpath(tempFolder(countFolder));
    HiddenRunner::run(Bridge::pullHandheldTempFolder(prefix, folder));
    ParamFile param;
    // Older tools copy the folder's content, newer ones the folder itself.
    for (const QString &candidate : {joinPath(folder, QStringLiteral("Param.txt")),
                                     joinPath(folder, QStringLiteral("tmp/Param.txt"))}) {
        QFile file(candidate);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<QString> line = firstLine(file.readAll());
        param.found = true;
        param.readable = line.has_value();
        param.mode = line.value_or(QString());
        break;
    }
    QDir(folder).removeRecursively();
    return param;
}

std::optional<QString> readDumpMode(const QString &prefix, const QString &countFolder) {
    const ParamFile param = readParamFile(prefix, countFolder);
    if (!param.found || !param.readable)
        return std::nullopt;
    return param.mode;
}

void writeBack(DataModule &data, const QString &prefix, const QString &countFolder) {
    data.closeSqlite();
    push(prefix, tempFolder(countFolder));
    removeTempFolder(data, countFolder);
}

void removeTempFolder(DataModule &data, const QString &countFolder) {
    data.closeSqlite();
    QDir(tempFolder(countFolder)).removeRecursively();
}

} // namespace CountDatabase
