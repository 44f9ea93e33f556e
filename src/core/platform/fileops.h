#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <utility>

namespace FileOps {

// Writes bytes to path, replacing it: the content goes to a hidden temporary file in the same
// folder, is flushed to disk, and is then renamed into place, and the folder is flushed, so
// the file is never seen half written and survives a crash once this returns. False, with
// the reason in error when given, when anything fails; the old file (if any) is then
// untouched.
bool writeDurably(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// Copies source to target the same way.
bool copyReplacing(const QString &source, const QString &target, QString *error = nullptr);

// Several files written the same way, at the cost of two flushes of each file system
// involved: every content to its temporary file, then the file systems flushed, then every
// file renamed into place (afterRename is told the number of files in place so far), then
// the file systems flushed again for the folders' new entries.
// False with the reason when anything fails; files renamed before the failure stay.
bool writeAllDurably(const QList<std::pair<QString, QByteArray>> &files, QString *error = nullptr,
                     const std::function<void(int)> &afterRename = {});

// Flushes a file's content, or a folder's entries, to disk. False when it fails.
bool flushToDisk(const QString &path);

} // namespace FileOps
