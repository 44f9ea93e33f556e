#pragma once

#include <QDateTime>
#include <QString>

class AppContext;

namespace LogFile {
// Appends "[date][time] message" to program folder + "/Korvello.log", CR LF, Windows-1252.
// A new file first gets the line of "FChargeDB_CreaLog" in the current language. Date and
// time follow the locale's short date and long time (without a time zone). Raises
// KorvelloError when the file cannot be opened or written.
void append(const AppContext &context, const QString &message);

// "[date][time] " for the given moment; exposed so that tests can check the format.
QString stamp(const QDateTime &moment);
} // namespace LogFile
