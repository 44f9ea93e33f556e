#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the single-byte code page the head office's side reads for count files and
// the log. Qt only offers it when built with ICU, so the table is ours.
namespace Cp1252 {
// Characters without a place in the code page become '?'.
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// True when every character of text has a place in the code page.
bool canEncode(const QString &text);
// Text whose encoding is not told: UTF-8 when the bytes are valid UTF-8, else Windows-1252
// (what the shops' databases and older handhelds write).
QString decodeUtf8OrCp1252(const QByteArray &bytes);
} // namespace Cp1252
