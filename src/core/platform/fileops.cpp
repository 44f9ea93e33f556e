#include "core/platform/fileops.h"

#include "core/i18n/translation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

namespace {
// Flushes the file systems that hold paths, one call each: the cost of a single flush
// however many files were written, where one flush a file would cost one disk wait each.
bool flushFileSystems(const QStringList &paths, QString *failedPath) {
    QSet<dev_t> done;
    for (const QString &path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            *failedPath = path;
            return false;
        }
        struct stat info {};
        const bool ok =
            ::fstat(fd, &info) == 0 && (done.contains(info.st_dev) || ::syncfs(fd) == 0);
        done.insert(info.st_dev);
        ::close(fd);
        if (!ok) {
            *failedPath = path;
            return false;
        }
    }
    return true;
}
} // namespace

namespace {
bool writeWhole(int fd, const QByteArray &bytes) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}
} // namespace

bool appendAllDurably(const QList<Append> &files, QString *error, qsizetype *touched,
                      const std::function<void(int)> &afterEach) {
    qsizetype changed = 0;
    auto fail = [&](const QString &path, const QString &why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        if (touched)
            *touched = changed;
        return false;
    };
    QSet<QString> folders;
    for (const Append &file : files) {
        const QByteArray name = QFile::encodeName(file.path);
        const bool create = file.length < 0;
        const int fd = create
                           ? ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)
                           : ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0)
            return fail(file.path, lastError());
        struct stat info {};
        if (!create && (::fstat(fd, &info) != 0 || info.st_size != file.length)) {
            ::close(fd);
            return fail(file.path, Translation::message(QStringLiteral("Dump_FichierChange")));
        }
        ++changed;
        const bool written = writeWhole(fd, file.bytes);
        const QString why = lastError();
        if (::close(fd) != 0 || !written)
            return fail(file.path, written ? lastError() : why);
        folders.insert(QFileInfo(file.path).absolutePath());
        if (afterEach)
            afterEach(int(changed));
    }
    // One flush of each file system puts every content and every new name on disk.
    QString failed;
    if (!flushFileSystems(folders.values(), &failed))
        return fail(failed, lastError());
    return true;
}

bool writeDurably(const QString &path, const QByteArray &bytes, QString *error) {
    const QString temporary = temporaryFor(path);
    auto fail = [&](const QString &where, const QString &why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(where, why);
        QFile::remove(temporary);
        return false;
    };
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        return fail(path, file.errorString());
    file.close();
    const QStringList folder{QFileInfo(path).absolutePath()};
    // The content on disk before the name points at it: a crash then leaves either the old
    // file or the whole new one.
    QString failed;
    if (!flushFileSystems(folder, &failed))
        return fail(failed, lastError());
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(path).constData()) != 0)
        return fail(path, lastError());
    // The new name on disk too.
    if (!flushFileSystems(folder, &failed)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(failed, lastError());
        return false;
    }
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
