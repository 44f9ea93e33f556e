#pragma once

#include <QString>

namespace Resources {
// Writes the bytes of the embedded resource name to path, replacing the file. Raises
// KorvelloError when the resource is missing or the file cannot be written.
void extract(const QString &name, const QString &path);
} // namespace Resources
