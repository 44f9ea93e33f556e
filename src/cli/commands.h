#pragma once

#include <optional>

#include <QTextStream>

class AppContext;
class DataModule;
class UserInteraction;

namespace CliCommands {

// Exit statuses of korvello-cli.
enum Exit { Done = 0, Error = 1, Usage = 2, Cancelled = 3, NothingToDo = 4 };

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

} // namespace CliCommands
