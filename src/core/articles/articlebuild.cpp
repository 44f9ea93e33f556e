#include "core/articles/articlebuild.h"

#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/logfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ArticleBuild {

namespace {

// Progress is told every so many rows: often enough for a moving bar, rarely enough to cost
// nothing.
constexpr qint64 kProgressEvery = 8192;

struct Family {
    bool Families::*flag;
    const char *code;
    const char *caption;
};
const Family kFamilies[] = {
    {&Families::media, "MEDIA", "MULTIMEDIA"}, {&Families::papet, "PAPET", "PAPETERIE"},
    {&Families::video, "VIDEO", "VIDEO"},      {&Families::disque, "DISQU", "DISQUE"},
    {&Families::divers, "DIVER", "DIVERS"},    {&Families::livre, "LIVRE", "LIVRE"}};

const char *const kPromotionsAndLinked =
    "union\r\n"
    "Select ap.gcd_fabricant_app from appromo ap where ap.active_app = 1 and ap.date_to_app > "
    "'now'\r\n"
    "Union\r\n"
    "Select  pl.gcd_produit from produitslies pl where pl.etat = 10";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The reason's key for a code given as UTF-8 bytes.
const char *suspicionOf(QByteArrayView code) {
    // Store databases hand CHAR(13) codes padded with blanks; the padding is no fault.
    while (!code.isEmpty() && code.back() == ' ')
        code.chop(1);
    if (code.isEmpty())
        return "Art_CodeVide";
    if (QUtf8StringView(code).length() > 13)
        return "Art_CodeLong";
    if (code.size() == 13 && std::all_of(code.begin(), code.end(), isDigit)) {
        int sum = 0;
        for (int i = 0; i < 12; ++i)
            sum += (code[i] - '0') * (i % 2 == 0 ? 1 : 3);
        return (10 - sum % 10) % 10 == code[12] - '0' ? nullptr : "Art_Ean13";
    }
    if (code.size() == 10 && std::all_of(code.begin(), code.begin() + 9, isDigit) &&
        (isDigit(code[9]) || code[9] == 'X' || code[9] == 'x')) {
        int sum = 0;
        for (int i = 0; i < 9; ++i)
            sum += (code[i] - '0') * (10 - i);
        const int check = isDigit(code[9]) ? code[9] - '0' : 10;
        return (sum + check) % 11 == 0 ? nullptr : "Art_Isbn10";
    }
    return nullptr;
}

// The article code database being written: a temporary file next to the real one, with
// neither journal nor per-statement flush (a failed build throws the whole file away), made
// durable once at the end and renamed into place.
class CodeWriter {
public:
    CodeWriter(QString target, Outcome &outcome) : m_target(std::move(target)), m_outcome(outcome) {
        const QFileInfo info(m_target);
        m_temporary =
            info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".new");
    }
    ~CodeWriter() {
        close();
        if (!m_done)
            QFile::remove(m_temporary);
    }

    void open() {
        QFile::remove(m_temporary);
        if (sqlite3_open_v2(QFile::encodeName(m_temporary).constData(), &m_db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            fail();
        exec("PRAGMA journal_mode=OFF");
        exec("PRAGMA synchronous=OFF");
        exec("CREATE TABLE GENCOD(Code Char(13))");
        exec("BEGIN");
        if (sqlite3_prepare_v2(m_db, "INSERT INTO GenCod (Code) VALUES (:Code)", -1, &m_insert,
                               nullptr) != SQLITE_OK)
            fail();
    }

    void insert(QByteArrayView code) {
        sqlite3_bind_text(m_insert, 1, code.data(), int(code.size()), SQLITE_STATIC);
        if (sqlite3_step(m_insert) != SQLITE_DONE)
            fail();
        sqlite3_reset(m_insert);
        ++m_outcome.inserted;
        if (const char *reason = suspicionOf(code))
            m_outcome.suspicious.append({m_outcome.inserted,
                                         QString::fromUtf8(code.data(), code.size()),
                                         QString::fromLatin1(reason)});
    }

    // Commits, adds the index when asked, and puts the file in place.
    void finish(bool index) {
        sqlite3_finalize(m_insert);
        m_insert = nullptr;
        exec("COMMIT");
        if (index)
            exec("CREATE INDEX GENCOD_INDEX ON GENCOD (Code)");
        close();
        if (!FileOps::flushToDisk(m_temporary))
            throw KorvelloError(QStringLiteral("%1: %2").arg(m_temporary, lastSystemError()));
        if (std::rename(QFile::encodeName(m_temporary).constData(),
                        QFile::encodeName(m_target).constData()) != 0)
            throw KorvelloError(QStringLiteral("%1: %2").arg(m_target, lastSystemError()));
        m_done = true;
        FileOps::flushToDisk(QFileInfo(m_target).absolutePath());
    }

private:
    static QString lastSystemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

    void exec(const char *sql) {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }
    [[noreturn]] void fail() {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                     : QStringLiteral("cannot open %1").arg(m_temporary);
        throw KorvelloError(message);
    }
    void close() {
        if (m_insert)
            sqlite3_finalize(m_insert);
        m_insert = nullptr;
        if (m_db)
            sqlite3_close(m_db);
        m_db = nullptr;
    }

    QString m_target;
    QString m_temporary;
    Outcome &m_outcome;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    bool m_done = false;
};

void tell(const Progress &progress, qint64 done) {
    if (progress.step && done % kProgressEvery == 0)
        progress.step(done);
}

// The lines of a text file as UTF-8 byte ranges: CR LF, LF and lone CR end a line; a final
// line ending adds no line.
QList<QByteArrayView> splitLines(const QByteArray &bytes) {
    QList<QByteArrayView> lines;
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\n' && c != '\r')
            continue;
        lines.append(QByteArrayView(data + start, i - start));
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(QByteArrayView(data + start, size - start));
    return lines;
}

bool isAscii(const QByteArray &bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void buildFromText(const AppContext &context, const Request &request, CodeWriter &writer,
                   Outcome &outcome, const Progress &progress) {
    QFile file(request.textFile);
    if (request.textFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        throw KorvelloError(Translation::message(QStringLiteral("Err_Lecture"))
                                .arg(request.textFile, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KorvelloError(Translation::message(QStringLiteral("Err_Lecture"))
                                .arg(request.textFile, file.errorString()));
    // Files written on Windows hold Windows-1252; the database holds UTF-8.
    if (!isAscii(bytes))
        bytes = Cp1252::decodeUtf8OrCp1252(bytes).toUtf8();
    const QList<QByteArrayView> lines = splitLines(bytes);
    outcome.expected = lines.size();
    writer.open();
    if (progress.start)
        progress.start(outcome.expected);
    LogFile::append(context, context.tr(QStringLiteral("FChargeDB_CreaDB")) + request.textFile);
    for (const QByteArrayView line : lines) {
        writer.insert(line);
        tell(progress, outcome.inserted);
    }
    writer.finish(false);
}

QString storeError(const QSqlQuery &query) {
    return query.lastError().text();
}

void buildFromStore(const AppContext &context, DataModule &data, const Request &request,
                    CodeWriter &writer, Outcome &outcome, const Progress &progress) {
    data.storeParams().set(QStringLiteral("Database"), request.storeDatabase);
    QString error;
    if (!data.openStore(&error))
        throw KorvelloError(error);
    writer.open();
    QSqlQuery query(data.storeDatabase());
    query.setForwardOnly(true);
    // Only a store database has this table.
    if (!query.exec(QStringLiteral("SELECT Count (*) FROM Gestion")))
        throw KorvelloError(storeError(query));
    if (!query.exec(countStatement(request.families)) || !query.next())
        throw KorvelloError(storeError(query));
    outcome.expected = query.value(0).toLongLong();
    query.finish();
    if (!query.exec(codeStatement(request.families)))
        throw KorvelloError(storeError(query));
    if (progress.start)
        progress.start(outcome.expected);
    LogFile::append(context, context.tr(QStringLiteral("FChargeDB_CreaDB")) + QLatin1Char(' ') +
                                 request.shopCode + QStringLiteral(" (") +
                                 familyList(request.families) + QLatin1Char(')'));
    while (query.next()) {
        const QVariant value = query.value(0);
        const QByteArray code = value.typeId() == QMetaType::QByteArray
                                    ? Cp1252::decodeUtf8OrCp1252(value.toByteArray()).toUtf8()
                                    : value.toString().toUtf8();
        writer.insert(code);
        tell(progress, outcome.inserted);
    }
    if (query.lastError().isValid())
        throw KorvelloError(storeError(query));
    query.finish();
    writer.finish(true);
}

} // namespace

const QStringList &familyCodes() {
    static const QStringList codes = [] {
        QStringList list;
        for (const Family &family : kFamilies)
            list << QString::fromLatin1(family.code);
        return list;
    }();
    return codes;
}

bool parseFamilies(const QStringList &names, Families &families, QString *unknown) {
    for (const QString &name : names) {
        const QString wanted = name.trimmed().toUpper();
        bool known = false;
        for (const Family &family : kFamilies)
            if (wanted == QLatin1String(family.code) || wanted == QLatin1String(family.caption)) {
                families.*family.flag = true;
                known = true;
            }
        if (!known) {
            if (unknown)
                *unknown = name;
            return false;
        }
    }
    return true;
}

QString familyList(const Families &families) {
    QStringList quoted;
    for (const Family &family : kFamilies)
        if (families.*family.flag)
            quoted << QLatin1Char('\'') + QLatin1String(family.code) + QLatin1Char('\'');
    return quoted.join(QStringLiteral(", "));
}

QString familyFilter(const Families &families) {
    if (families.allProducts)
        return QString();
    return QStringLiteral("WHERE CODE_PRODUIT IN (") + familyList(families) + QLatin1Char(')');
}

QString countStatement(const Families &families) {
    return QStringLiteral("SELECT count (*) FROM ( SELECT a.GCD_FABRICANT FROM PRODUIT a ") +
           familyFilter(families) + QStringLiteral("\r\n") + QLatin1String(kPromotionsAndLinked) +
           QStringLiteral("\r\n)");
}

QString codeStatement(const Families &families) {
    return QStringLiteral("SELECT a.GCD_FABRICANT FROM PRODUIT a ") + familyFilter(families) +
           QStringLiteral("\r\n") + QLatin1String(kPromotionsAndLinked);
}

QString databasePath(const AppContext &context) {
    return context.programFolder() + QStringLiteral("/GenCodBD.s3db");
}

QString suspicion(const QString &code) {
    const QByteArray bytes = code.toUtf8();
    const char *reason = suspicionOf(bytes);
    return reason ? QString::fromLatin1(reason) : QString();
}

Outcome build(const AppContext &context, DataModule &data, const Request &request,
              const Progress &progress) {
    Outcome outcome;
    const bool store = request.source == Request::Source::Store;
    if (store && !request.families.any()) {
        outcome.end = Outcome::End::NoFamily;
        return outcome;
    }
    if (store && request.storeDatabase.isEmpty()) {
        outcome.end = Outcome::End::NoSource;
        return outcome;
    }
    data.closeSqlite();
    try {
        CodeWriter writer(databasePath(context), outcome);
        if (store)
            buildFromStore(context, data, request, writer, outcome, progress);
        else
            buildFromText(context, request, writer, outcome, progress);
        if (progress.step)
            progress.step(outcome.inserted);
        outcome.end = Outcome::End::Built;
    } catch (const KorvelloError &error) {
        outcome.end = Outcome::End::Failed;
        outcome.error = context.tr(QStringLiteral("Art_Echec")).arg(error.message());
    }
    if (progress.end)
        progress.end();
    if (store)
        data.closeStore();
    if (outcome.end == Outcome::End::Built) {
        LogFile::append(context,
                        context.tr(QStringLiteral("FChargeDB_FinDB")) + QStringLiteral(" (") +
                            QString::number(outcome.expected) + QLatin1Char(' ') +
                            context.tr(QStringLiteral("FChargeDB_FinDB2")) + QStringLiteral(")."));
        if (!outcome.suspicious.isEmpty())
            LogFile::append(
                context, context.tr(QStringLiteral("Art_Suspects")).arg(outcome.suspicious.size()));
    } else
        try {
            LogFile::append(context, outcome.error);
        } catch (const KorvelloError &) {
            // The failure itself is what the user is told; a log that cannot take it adds
            // nothing.
        }
    return outcome;
}

QString finishedMessage(const AppContext &context, const Outcome &outcome) {
    QString text = context.tr(QStringLiteral("FChargeDB_FinDB")) + QStringLiteral(" (") +
                   QString::number(outcome.expected) + QLatin1Char(' ') +
                   context.tr(QStringLiteral("FChargeDB_FinDB2")) + QStringLiteral("). ") +
                   context.tr(QStringLiteral("FChargeDB_FinDB3"));
    if (!outcome.suspicious.isEmpty())
        text += QStringLiteral("\n\n") +
                context.tr(QStringLiteral("Art_Suspects")).arg(outcome.suspicious.size());
    return text;
}

QByteArray report(const AppContext &context, const Outcome &outcome) {
    QByteArray bytes;
    for (const Suspicious &code : outcome.suspicious)
        bytes += QString::number(code.row).toUtf8() + '\t' + code.code.toUtf8() + '\t' +
                 context.tr(code.reasonKey).toUtf8() + '\n';
    return bytes;
}

} // namespace ArticleBuild
