#include "core/upload/countfiles.h"

#include <QDir>

namespace CountFiles {

bool isCountFileName(const QString &name) {
    return name.left(3).toUpper() == QLatin1String("STK") &&
           name.right(3).toUpper() == QLatin1String("TXT");
}

QStringList waiting(const QString &folder) {
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    QStringList result;
    for (const QString &name : names)
        if (isCountFileName(name))
            result.append(name);
    return result;
}

} // namespace CountFiles
