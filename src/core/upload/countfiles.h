#pragma once

#include <QString>
#include <QStringList>

namespace CountFiles {
// True for a name that the upload takes: first three characters "STK" and last three "TXT",
// case ignored (no dot needed).
bool isCountFileName(const QString &name);
// The count files waiting in folder, in listing order (by name), leaving out folders and
// hidden or special files. A missing folder holds none.
QStringList waiting(const QString &folder);
} // namespace CountFiles
