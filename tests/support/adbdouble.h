#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The handheld test double: the fixture "adb" copied into a tools folder of the test's own,
// with its state (handhelds listed, storage, calls) beside it.
class AdbDouble {
public:
    // Copies the double into folder (created when missing).
    explicit AdbDouble(const QString &folder);

    // The tools prefix that reaches the double: the folder with a trailing separator.
    QString prefix() const;

    // One line per handheld, "SERIAL\tdevice" or "SERIAL\tunauthorized".
    void setDevices(const QStringList &lines);
    void connectOne() { setDevices({QStringLiteral("R58M12345\tdevice")}); }
    void setHanging(bool hanging);
    // The next "pull" (cut half-way) or "push" (refused) fails once.
    void failNext(const QString &command);
    // Right after the next pull of the count database, runs sql on the handheld's copy: a
    // scanner that goes on counting during a dump.
    void afterNextPull(const QByteArray &sql);

    // Files on the handheld, by handheld path.
    QString storagePath(const QString &handheldPath) const;
    void putFile(const QString &handheldPath, const QByteArray &content);
    QByteArray file(const QString &handheldPath) const;

    // The argument lists of every call so far, in order.
    QList<QStringList> calls() const;
    void clearCalls();

private:
    QString m_folder;
};

// Fixed folders of the build.
namespace TestPaths {
QString fixtures();
QString bin();
} // namespace TestPaths
