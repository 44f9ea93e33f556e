#include "core/dump/dumpjournal.h"

#include "core/device/bridge.h"
#include "core/device/runners.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/logfile.h"
#include "core/platform/operationlock.h"
#include "core/sectors/sectorbook.h"
#include "core/sectors/sectordatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <unistd.h>

namespace DumpJournal {

namespace {

QString journalFile(const AppContext &context) {
    return joinPath(folder(context), QStringLiteral("journal.json"));
}

QString stateName(Record::State state) {
    return state == Record::State::Writing ? QStringLiteral("writing") : QStringLiteral("pushing");
}

QByteArray toJson(const Record &record) {
    QJsonObject root;
    root.insert(QStringLiteral("state"), stateName(record.state));
    QJsonArray files;
    for (const FileMark &mark : record.files)
        files.append(QJsonObject{{QStringLiteral("path"), mark.path},
                                 {QStringLiteral("length"), double(mark.length)}});
    root.insert(QStringLiteral("files"), files);
    if (record.hasSectors)
        root.insert(QStringLiteral("sectors"), record.sectors);
    root.insert(QStringLiteral("validatedOnly"), record.lines == CountDatabase::Lines::Validated);
    root.insert(QStringLiteral("serial"), record.serial);
    root.insert(QStringLiteral("workFolder"), record.workFolder);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<Record> load(const AppContext &context) {
    QFile file(journalFile(context));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    if (root.isEmpty())
        return std::nullopt;
    Record record;
    record.state = root.value(QStringLiteral("state")).toString() == QLatin1String("pushing")
                       ? Record::State::Pushing
                       : Record::State::Writing;
    for (const QJsonValue &value : root.value(QStringLiteral("files")).toArray()) {
        const QJsonObject mark = value.toObject();
        record.files.append({mark.value(QStringLiteral("path")).toString(),
                             qint64(mark.value(QStringLiteral("length")).toDouble(-1))});
    }
    record.hasSectors = root.contains(QStringLiteral("sectors"));
    record.sectors = root.value(QStringLiteral("sectors")).toObject();
    record.lines = root.value(QStringLiteral("validatedOnly")).toBool()
                       ? CountDatabase::Lines::Validated
                       : CountDatabase::Lines::All;
    record.serial = root.value(QStringLiteral("serial")).toString();
    record.workFolder = root.value(QStringLiteral("workFolder")).toString();
    return record;
}

void write(const AppContext &context, const Record &record) {
    QString error;
    if (!FileOps::writeDurably(journalFile(context), toJson(record), &error))
        throw KorvelloError(Translation::message(QStringLiteral("Dump_JournalKo")).arg(error));
}

// The handheld's count database as it is now, pulled into the journal's folder; nothing
// when the handheld dumped is not the one plugged in, or cannot be read.
std::optional<QString> pullHandheld(const AppContext &context, const Record &record) {
    QString listing;
    Bridge::detect(context.toolsPrefix, listing);
    if (Bridge::readySerials(listing) != QStringList{record.serial})
        return std::nullopt;
    const QString check = joinPath(folder(context), QStringLiteral("check"));
    if (!CountDatabase::pullFresh(context.toolsPrefix, check).ok)
        return std::nullopt;
    return joinPath(check, QStringLiteral("Inventaire.s3db"));
}

void log(const AppContext &context, const QString &key) {
    try {
        LogFile::append(context, context.tr(key));
    } catch (const KorvelloError &) {
        // The settling itself matters more than its line in the log.
    }
}

} // namespace

QString folder(const AppContext &context) {
    return context.programFolder() + QStringLiteral("/DumpJournal");
}

QString dumpedCopy(const AppContext &context) {
    return joinPath(folder(context), QStringLiteral("dumped.s3db"));
}

bool pending(const AppContext &context) {
    return QFileInfo::exists(folder(context));
}

void begin(const AppContext &context, const Record &record, const QString &countDatabase) {
    QDir(folder(context)).removeRecursively();
    QString error;
    // The copy read is a second name for the working copy, which nothing writes to while
    // the dump runs; a real copy only when the two folders are on different file systems.
    // Writing the record below flushes the file system, and the file with it.
    if (!QDir().mkpath(folder(context)) ||
        (::link(QFile::encodeName(countDatabase).constData(),
                QFile::encodeName(dumpedCopy(context)).constData()) != 0 &&
         !FileOps::copyReplacing(countDatabase, dumpedCopy(context), &error))) {
        QDir(folder(context)).removeRecursively();
        throw KorvelloError(Translation::message(QStringLiteral("Dump_JournalKo"))
                                .arg(error.isEmpty() ? folder(context) : error));
    }
    try {
        write(context, record);
    } catch (...) {
        QDir(folder(context)).removeRecursively();
        throw;
    }
}

void setState(const AppContext &context, Record &record, Record::State state) {
    record.state = state;
    write(context, record);
}

void rollBack(const AppContext &context, DataModule &data, const Record &record) {
    QSet<QString> folders;
    for (const FileMark &mark : record.files) {
        folders.insert(QFileInfo(mark.path).absolutePath());
        if (mark.length < 0) {
            QFile::remove(mark.path);
        } else if (QFileInfo(mark.path).size() > mark.length) {
            QFile file(mark.path);
            if (!file.resize(mark.length))
                throw KorvelloError(Translation::message(QStringLiteral("Err_Ecriture"))
                                        .arg(mark.path, file.errorString()));
            FileOps::flushToDisk(mark.path);
        }
    }
    for (const QString &touched : std::as_const(folders))
        FileOps::flushToDisk(touched);
    if (record.hasSectors) {
        SectorDatabase::ensureOpen(data, context);
        SectorBook::restore(data, record.sectors);
    }
    finish(context);
}

void finish(const AppContext &context) {
    QDir(folder(context)).removeRecursively();
}

Recovery recover(const AppContext &context, DataModule &data) {
    if (!pending(context))
        return Recovery::Nothing;
    const std::optional<Record> record = load(context);
    if (!record) {
        // Cut while the journal was being made: nothing had been written yet.
        finish(context);
        return Recovery::Nothing;
    }
    if (record->state == Record::State::Pushing) {
        const std::optional<QString> handheld = pullHandheld(context, *record);
        if (!handheld)
            return Recovery::Pending;
        const bool holds =
            CountDatabase::holdsDumpedLines(*handheld, dumpedCopy(context), record->lines);
        if (!holds) {
            finish(context);
            log(context, QStringLiteral("Dump_RepriseTerminee"));
            return Recovery::Completed;
        }
    }
    rollBack(context, data, *record);
    log(context, QStringLiteral("Dump_RepriseAnnulee"));
    return Recovery::RolledBack;
}

Recovery recoverAtStart(const AppContext &context, DataModule &data) {
    if (!pending(context))
        return Recovery::Nothing;
    const OperationLock lock(context);
    if (!lock.held())
        return Recovery::Pending;
    return recover(context, data);
}

} // namespace DumpJournal
