#pragma once

#include <QString>

namespace ProgramFolder {
// The folder of the running executable without a trailing separator (the root keeps its
// own). Needs a QCoreApplication.
QString ofExecutable();
// The program folder named on the command line with --home, made absolute and without a
// trailing separator; the folder of the executable when home is empty.
QString resolve(const QString &home);
} // namespace ProgramFolder
