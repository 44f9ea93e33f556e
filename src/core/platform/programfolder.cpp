#include "core/platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString withoutTrailingSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}
} // namespace

namespace ProgramFolder {

QString ofExecutable() {
    return withoutTrailingSeparator(QCoreApplication::applicationDirPath());
}

QString resolve(const QString &home) {
    if (home.isEmpty())
        return ofExecutable();
    return withoutTrailingSeparator(QDir::cleanPath(QFileInfo(home).absoluteFilePath()));
}

} // namespace ProgramFolder
