#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace FileOps {

// Writes bytes to path, replacing it: the content goes to a hidden temporary file in the same
// folder, is flushed to disk, and is then renamed into place, and the folder is flushed, so
// the file is never seen half written and survives a crash once this returns. False, with
// the reason in error when given, when anything fails; the old file (if any) is then
// untouched.
bool writeDurably(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// Copies source to target the same way.
bool copyReplacing(const QString &source, const QString &target, QString *error = nullptr);

// Bytes to add at the end of a file that holds `length` bytes now (-1: a file that does not
// exist yet and is created).
struct Append {
    QString path;
    QByteArray bytes;
    qint64 length = -1;
};
// Appends to every file in place, then flushes the file systems involved once: for files
// whose previous lengths are journaled elsewhere, so that a crash is undone by cutting them
// back (or removing the new ones). A file that exists when it should not, or whose length
// is not the one expected, is left alone and fails the call. afterEach is told the number of
// files written so far. False with the reason when anything fails; *touched (when given)
// then tells how many files, from the first, were changed and need undoing.
bool appendAllDurably(const QList<Append> &files, QString *error = nullptr,
                      qsizetype *touched = nullptr, const std::function<void(int)> &afterEach = {});

// Flushes a file's content, or a folder's entries, to disk. False when it fails.
bool flushToDisk(const QString &path);

} // namespace FileOps
