#pragma once

#include <optional>

#include <QStringList>
#include <QTextStream>

class AppContext;
class DataModule;
class UserInteraction;

namespace CliCommands {

// Exit statuses of korvello-cli.
enum Exit { Done = 0, Error = 1, Usage = 2, Cancelled = 3, NothingToDo = 4 };

// Asks the tool for the handheld and puts what it found into the context; true when one is
// ready.
bool detect(AppContext &context);

// Prints the handheld state, the count folder and the number of waiting count files; with
// a handheld, also its dump mode and its zones with their quantities.
int status(AppContext &context, DataModule &data, QTextStream &out);

// What the dump window does: activation (detection, pull, zone summary, dump mode) and then
// "Vidage", with the automatic upload when configured. 0 the dump ran to its end, 3 ended at
// a question, 4 nothing to dump (reason on standard error), 1 an error.
int dump(AppContext &context, DataModule &data, UserInteraction &ui, QTextStream &out,
         QTextStream &err);

// Sends the waiting count files to the server, as the upload button does. 0 when the upload
// ran to its end (SFTP files that failed are listed), 3 cancelled at the confirmation, 1 an
// error (connection, change of directory, a failed FTP transfer).
int upload(AppContext &context, UserInteraction &ui, QTextStream &out, QTextStream &err);
// The sectors' progress, a line a sector and a total line; with zonesOf set, that sector's
// zones instead. In columns, or semicolon-separated values with csv. 1 when the sector
// database cannot be read.
int progress(AppContext &context, DataModule &data, const std::optional<int> &zonesOf, bool csv,
             QTextStream &out, QTextStream &err);
// Declares a waiting zone empty, as the progress window does. 0 declared, 1 when the zone
// does not exist or is not waiting (nothing changed then).
int emptyZone(AppContext &context, DataModule &data, const QString &zone, QTextStream &out,
              QTextStream &err);

// The campaign reset of the settings window, after its question: 0 done (files that could not
// be archived are listed), 3 not answered Yes, 1 an error (a dump or upload running, an
// unsettled dump, the sector database).
int reset(AppContext &context, DataModule &data, UserInteraction &ui, QTextStream &out,
          QTextStream &err);
// The settings window's "Test FTP" with the stored settings: 0 passed, 1 failed.
int testServer(AppContext &context, QTextStream &out);
// Looks shop code up in the customer directory and saves what it found with the server copy
// ticked. 1 with the reason when the directory cannot be asked or does not know the shop
// (nothing written then).
int fetchSettings(AppContext &context, DataModule &data, const QString &code, QTextStream &out,
                  QTextStream &err);

struct ArticleOptions {
    QString textFile;
    QString storeDatabase;
    QStringList families; // empty: all products
    QString reportFile;
};
// Builds the article code database: 0 built, 1 failed (the previous database kept), 2 an
// unknown family.
int buildArticles(AppContext &context, DataModule &data, const ArticleOptions &options,
                  QTextStream &out, QTextStream &err);
// Copies the article code database onto the handheld: 0 copied, 1 not.
int transfer(AppContext &context, UserInteraction &ui, QTextStream &out, QTextStream &err);

} // namespace CliCommands
