#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class AppContext;
class DataModule;

// The start of a new counting campaign: the last campaign's save copies, count files,
// sector database and log go into a dated archive folder, and the sector database is
// emptied.
namespace CampaignReset {

// Count files still waiting in the count folder: never sent to the head office.
int unsentCountFiles(const QString &countFolder);
// The question asked before a reset, telling how many count files were never sent.
QString question(const AppContext &context, int unsent);

// The archive folder of a reset on date: save folder + "Archives/" + year, month, day.
QString archiveFolder(const QString &saveFolder, const QDate &date);

struct Outcome {
    QString archiveFolder;
    QStringList notArchived; // files that could not be copied: left where they were
};

// Moves every file of the save folder into the archive folder, then every file of the
// count folder (into the sub-folder "NonEnvoyes" when a save copy of the same name is
// there; never over a file kept there, a number is added to the name), copies the sector
// database and the log there (the log as "Brannoch.log") and
// deletes the log. A file is deleted only once its copy is safely on disk: nothing that
// cannot be archived is lost. The folders are the window's texts (separators optional).
Outcome archiveFiles(const AppContext &context, const QString &countFolder,
                     const QString &saveFolder, const QDate &date);

// The sub-folder of the archive that takes count files whose name a save copy already has.
inline const QString kUnsentFolder = QStringLiteral("NonEnvoyes");

// Deletes every zone row (DETSECT). Raises KorvelloError on a database error.
void deleteZones(DataModule &data);

// The whole reset as a command runs it: under the operation lock (no dump or upload on the
// way, none unsettled), the files archived, then both sector tables emptied in one
// transaction. Raises KorvelloError with the reason when it cannot run.
Outcome run(AppContext &context, DataModule &data, const QDate &date);

// Raises KorvelloError when a reset must not run now: an unsettled dump waits for its
// handheld, and its journal needs the sector rows and count files as they are.
void checkNoDumpPending(const AppContext &context);

} // namespace CampaignReset
