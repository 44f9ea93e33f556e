#pragma once

#include <QString>

namespace ProgramFolder {
// The folder of the running executable without a trailing separator (the root keeps its
// own). Needs a QCoreApplication.
QString ofExecutable();
// The program folder (settings, log, databases): the one named on the command line with
// --home, made absolute and without a trailing separator; else the folder of the executable
// when it can be written to (a build tree, a portable copy); else, installed for every user,
// $XDG_DATA_HOME/korvello (~/.local/share/korvello), created when missing.
QString resolve(const QString &home);
// A file that comes with the program and is only read (the language file, the handheld
// tools' folder): next to the executable, or in ../share/korvello/ as installed.
QString sharedFile(const QString &name);
} // namespace ProgramFolder
