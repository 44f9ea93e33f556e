#include "support/adbdouble.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
void writeFile(const QString &path, const QByteArray &content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
}
} // namespace

AdbDouble::AdbDouble(const QString &folder) : m_folder(QDir::cleanPath(folder)) {
    QDir().mkpath(m_folder);
    const QString target = m_folder + QStringLiteral("/adb");
    QFile::remove(target);
    if (!QFile::copy(TestPaths::fixtures() + QStringLiteral("/adb"), target))
        qFatal("cannot copy the adb double into %s", qPrintable(m_folder));
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
    QDir().mkpath(m_folder + QStringLiteral("/adb-state/storage"));
}

QString AdbDouble::prefix() const {
    return m_folder + QLatin1Char('/');
}

void AdbDouble::setDevices(const QStringList &lines) {
    QByteArray text;
    for (const QString &line : lines)
        text += line.toUtf8() + '\n';
    writeFile(m_folder + QStringLiteral("/adb-state/devices"), text);
}

void AdbDouble::setHanging(bool hanging) {
    const QString marker = m_folder + QStringLiteral("/adb-state/hang");
    if (hanging)
        writeFile(marker, QByteArray());
    else
        QFile::remove(marker);
}

void AdbDouble::failNext(const QString &command) {
    writeFile(m_folder + QStringLiteral("/adb-state/fail-") + command, QByteArray());
}

void AdbDouble::afterNextPull(const QByteArray &sql) {
    writeFile(m_folder + QStringLiteral("/adb-state/after-pull.sql"), sql);
}

QString AdbDouble::storagePath(const QString &handheldPath) const {
    return m_folder + QStringLiteral("/adb-state/storage") + handheldPath;
}

void AdbDouble::putFile(const QString &handheldPath, const QByteArray &content) {
    writeFile(storagePath(handheldPath), content);
}

QByteArray AdbDouble::file(const QString &handheldPath) const {
    QFile file(storagePath(handheldPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QStringList> AdbDouble::calls() const {
    QList<QStringList> result;
    QFile file(m_folder + QStringLiteral("/adb-state/calls"));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        QStringList args = QString::fromUtf8(line).split(QChar(0x1f));
        args.removeLast(); // each argument is ended by the separator
        result.append(args);
    }
    return result;
}

void AdbDouble::clearCalls() {
    QFile::remove(m_folder + QStringLiteral("/adb-state/calls"));
}

namespace TestPaths {
QString fixtures() {
    return QStringLiteral(KORVELLO_FIXTURES);
}
QString bin() {
    return QStringLiteral(KORVELLO_BIN_DIR);
}
} // namespace TestPaths
