#pragma once

#include <QDateTime>
#include <QString>

class AppContext;

namespace LogFile {
// Appends "[date][time] message" to program folder + "/Korvello.log", CR LF, Windows-1252.
// A new file first gets the line of "FChargeDB_CreaLog" in the current language. Date and
// time are the locale's short date and the time as HH:mm:ss. Raises
// KorvelloError when the file cannot be opened or written.
void append(const AppContext &context, const QString &message);

// "[date][time] " for the given moment; exposed so that tests can check the format.
QString stamp(const QDateTime &moment);
} // namespace LogFile
