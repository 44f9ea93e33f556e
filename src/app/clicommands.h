#pragma once

#include <QTextStream>

class AppContext;
class UserInteraction;

namespace CliCommands {

// Exit statuses of korvello-cli.
enum Exit { Done = 0, Error = 1, Usage = 2, Cancelled = 3, NothingToDo = 4 };

// Prints the handheld state, the count folder and the number of waiting count files.
int status(AppContext &context, QTextStream &out);

// Sends the waiting count files to the server, as the upload button does. 0 when the upload
// ran to its end (SFTP files that failed are listed), 3 cancelled at the confirmation, 1 an
// error (connection, change of directory, a failed FTP transfer).
int upload(AppContext &context, UserInteraction &ui, QTextStream &out, QTextStream &err);

} // namespace CliCommands
