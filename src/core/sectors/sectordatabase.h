#pragma once

#include <QString>

class AppContext;
class DataModule;

namespace SectorDatabase {
// The sector database file in the program folder.
QString path(const AppContext &context);

// Makes sure the sector database exists (written from the embedded template when missing,
// never replacing a file) and connects to it, trying the second password when the first is
// refused. A failure of both attempts is swallowed: the caller's next use reports it. The
// first failure and a second-attempt success are traced to "log.txt" in the current
// directory.
void ensureOpen(DataModule &data, const AppContext &context);

// Appends one line (Windows-1252, CR LF) to the debug trace file "log.txt" in the current
// directory. Raises KorvelloError when it cannot be written.
void trace(const QString &line);
} // namespace SectorDatabase
