#include "core/settings/campaignreset.h"

#include "core/data/datamodule.h"
#include "core/dump/dumpjournal.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/operationlock.h"
#include "core/sectors/sectorbook.h"
#include "core/sectors/sectordatabase.h"
#include "core/upload/countfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace CampaignReset {

namespace {

QStringList filesOf(const QString &folder) {
    if (folder.isEmpty())
        return {};
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Copies source into target durably, then deletes source; false (source kept) when the copy
// fails.
bool move(const QString &source, const QString &target) {
    if (!FileOps::copyReplacing(source, target))
        return false;
    QFile::remove(source);
    return true;
}

void exec(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_Erreur")).arg(query.lastError().text()));
}

} // namespace

int unsentCountFiles(const QString &countFolder) {
    return int(CountFiles::waiting(countFolder).size());
}

QString question(const AppContext &context, int unsent) {
    QString text = context.tr(QStringLiteral("FParam_Reinit"));
    if (unsent > 0)
        text +=
            QStringLiteral("\n\n") + context.tr(QStringLiteral("FParam_NonEnvoyes")).arg(unsent);
    return text;
}

QString archiveFolder(const QString &saveFolder, const QDate &date) {
    return withTrailingSeparator(saveFolder) + QStringLiteral("Archives/") +
           date.toString(QStringLiteral("yyyyMMdd"));
}

Outcome archiveFiles(const AppContext &context, const QString &countFolder,
                     const QString &saveFolder, const QDate &date) {
    Outcome outcome;
    outcome.archiveFolder = archiveFolder(saveFolder, date);
    const QString archive = outcome.archiveFolder;
    QDir().mkpath(archive);

    const QString save = withTrailingSeparator(saveFolder);
    for (const QString &name : filesOf(save))
        if (!move(save + name, joinPath(archive, name)))
            outcome.notArchived << save + name;

    // Count files were never sent: each goes into the archive too, beside the save copies
    // or, when one has its name, in a sub-folder of its own.
    const QString count = withTrailingSeparator(countFolder);
    for (const QString &name : filesOf(count)) {
        QString target = joinPath(archive, name);
        if (QFileInfo::exists(target)) {
            const QString unsent = joinPath(archive, kUnsentFolder);
            QDir().mkpath(unsent);
            target = joinPath(unsent, name);
            // A second reset on one day never writes over a count file kept by the first.
            for (int n = 1; QFileInfo::exists(target); ++n)
                target = joinPath(unsent, name + QLatin1Char('.') + QString::number(n));
        }
        if (!move(count + name, target))
            outcome.notArchived << count + name;
    }

    // The sector database is copied, not moved: a failed copy is told, the campaign's
    // records stay where they are.
    const QString sectors = SectorDatabase::path(context);
    if (QFile::exists(sectors) &&
        !FileOps::copyReplacing(sectors, joinPath(archive, QStringLiteral("ListeSectBD.fdb"))))
        outcome.notArchived << sectors;
    // The log starts afresh with the campaign, once its copy is kept.
    if (QFile::exists(context.logPath()) &&
        !move(context.logPath(), joinPath(archive, QStringLiteral("Brannoch.log"))))
        outcome.notArchived << context.logPath();
    return outcome;
}

void deleteZones(DataModule &data) {
    exec(data.sectorDatabase(), QStringLiteral("DELETE FROM DETSECT"));
}

void checkNoDumpPending(const AppContext &context) {
    if (DumpJournal::pending(context))
        throw KorvelloError(context.tr(QStringLiteral("Dump_Inacheve")));
}

Outcome run(AppContext &context, DataModule &data, const QDate &date) {
    const OperationLock lock(context);
    if (!lock.held())
        throw KorvelloError(context.tr(QStringLiteral("Dump_Verrou")));
    checkNoDumpPending(context);
    SectorDatabase::ensureOpen(data, context);
    if (!data.sectorDatabase().isOpen())
        throw KorvelloError(
            context.tr(QStringLiteral("Cli_BaseSecteursKo")).arg(SectorDatabase::path(context)));
    const Outcome outcome = archiveFiles(context, context.countFolder(FolderDefaults::Files),
                                         context.saveFolder(FolderDefaults::Files), date);
    SectorBook::inTransaction(data, [&] {
        deleteZones(data);
        exec(data.sectorDatabase(), QStringLiteral("DELETE FROM LISTESECT"));
    });
    return outcome;
}

} // namespace CampaignReset
