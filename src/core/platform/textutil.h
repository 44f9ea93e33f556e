#pragma once

#include <QString>
#include <QStringList>

namespace TextUtil {
// Removes leading and trailing characters with codes 0 to 32, the program's one meaning of
// "trimmed" (QString::trimmed also takes other Unicode blanks).
QString trimmed(const QString &text);
// Splits console or file text into lines, accepting CR LF, LF and lone CR endings. A final
// line ending does not add an empty line.
QStringList lines(const QString &text);
} // namespace TextUtil
