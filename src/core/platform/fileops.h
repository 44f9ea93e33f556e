#pragma once

#include <QByteArray>
#include <QString>

namespace FileOps {
// Writes bytes to path, replacing it: the content goes to a hidden temporary file in the same
// folder, is flushed to disk, and is then renamed into place, so the file is never seen half
// written. False, with the reason in error when given, when anything fails; the old file (if
// any) is then untouched.
bool writeDurably(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// Copies source to target the same way.
bool copyReplacing(const QString &source, const QString &target, QString *error = nullptr);
} // namespace FileOps
