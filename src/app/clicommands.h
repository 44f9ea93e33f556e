#pragma once

#include <QTextStream>

class AppContext;

namespace CliCommands {

// Exit statuses of korvello-cli.
enum Exit { Done = 0, Error = 1, Usage = 2, Cancelled = 3, NothingToDo = 4 };

// Prints the handheld state, the count folder and the number of waiting count files.
int status(AppContext &context, QTextStream &out);

} // namespace CliCommands
