#include "core/platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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
    if (!home.isEmpty())
        return withoutTrailingSeparator(QDir::cleanPath(QFileInfo(home).absoluteFilePath()));
    const QString executable = ofExecutable();
    if (QFileInfo(executable).isWritable())
        return executable;
    // Installed for every user: each keeps the files in a folder of their own.
    const QString own = withoutTrailingSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/korvello"));
    QDir().mkpath(own);
    return own;
}

QString sharedFile(const QString &name) {
    const QString beside = ofExecutable() + QLatin1Char('/') + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(ofExecutable() + QStringLiteral("/../share/korvello/") + name);
    return QFileInfo::exists(installed) ? installed : beside;
}

} // namespace ProgramFolder
