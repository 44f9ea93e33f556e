#include "core/platform/fileops.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace FileOps {

bool writeDurably(const QString &path, const QByteArray &bytes, QString *error) {
    const QFileInfo info(path);
    // Hidden and without the count files' name pattern: no listing takes it for one.
    const QString temporary =
        info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".part");
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        QFile::remove(temporary);
        return false;
    };
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        return fail(file.errorString());
    if (::fsync(file.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    file.close();
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(path).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

bool copyReplacing(const QString &source, const QString &target, QString *error) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(source, in.errorString());
        return false;
    }
    return writeDurably(target, in.readAll(), error);
}

} // namespace FileOps
