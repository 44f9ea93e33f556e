#pragma once

#include <QString>

namespace FileOps {
// Copies source to target, replacing target; the target is either the old file or the whole
// new one, never half a copy. False when the source cannot be read or the target written.
bool copyReplacing(const QString &source, const QString &target);
} // namespace FileOps
