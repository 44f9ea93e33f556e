#include "core/platform/fileops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace FileOps {

namespace {

QString lastError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Hidden and without the count files' name pattern: no listing takes it for one.
QString temporaryFor(const QString &path) {
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".part");
}

} // namespace

bool flushToDisk(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool writeAllDurably(const QList<std::pair<QString, QByteArray>> &files, QString *error,
                     const std::function<void(int)> &afterRename) {
    QStringList temporaries;
    auto fail = [&](const QString &path, const QString &why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        for (const QString &temporary : std::as_const(temporaries))
            QFile::remove(temporary);
        return false;
    };
    for (const auto &[path, bytes] : files) {
        const QString temporary = temporaryFor(path);
        QFile file(temporary);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(path, file.errorString());
        temporaries << temporary;
        if (file.write(bytes) != bytes.size() || !file.flush())
            return fail(path, file.errorString());
    }
    for (qsizetype i = 0; i < files.size(); ++i)
        if (!flushToDisk(temporaries.at(i)))
            return fail(files.at(i).first, lastError());
    QSet<QString> folders;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString &path = files.at(i).first;
        if (std::rename(QFile::encodeName(temporaries.at(i)).constData(),
                        QFile::encodeName(path).constData()) != 0) {
            temporaries = temporaries.mid(i);
            return fail(path, lastError());
        }
        folders.insert(QFileInfo(path).absolutePath());
        if (afterRename)
            afterRename(int(i + 1));
    }
    temporaries.clear();
    for (const QString &folder : std::as_const(folders))
        if (!flushToDisk(folder))
            return fail(folder, lastError());
    return true;
}

bool writeDurably(const QString &path, const QByteArray &bytes, QString *error) {
    return writeAllDurably({{path, bytes}}, error);
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
