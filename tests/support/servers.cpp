#include "support/servers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// Ends a server the test started: politely, then for good.
void stopProcess(QProcess &process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool waitForPort(int port, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        close(fd);
        if (ok)
            return true;
        QThread::msleep(50);
    }
    return false;
}

int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

bool runTool(const QString &program, const QStringList &args, QString *error,
             const QByteArray &input) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted()) {
        *error = program + QStringLiteral(" cannot be started");
        return false;
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = program + QStringLiteral(": ") + QString::fromUtf8(process.readAll());
    return false;
}

bool FtpServer::start(bool tls, const QString &dropFile, QString *error) {
    QDir().mkpath(root());
    QStringList args{QStringLiteral(KORVELLO_FIXTURES "/ftpserver.py"),
                     QStringLiteral("--root"),
                     root(),
                     QStringLiteral("--user"),
                     QString::fromLatin1(kUser),
                     QStringLiteral("--password"),
                     QString::fromLatin1(kPassword)};
    if (tls)
        args << QStringLiteral("--tls");
    if (!dropFile.isEmpty())
        args << QStringLiteral("--drop") << dropFile;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Debian's own interpreter, which has pyftpdlib.
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted()) {
        *error = QStringLiteral("/usr/bin/python3 cannot be started");
        return false;
    }
    while (m_process.waitForReadyRead(15000)) {
        if (m_process.readAll().contains("READY") && waitForPort(21, 5000))
            return true;
    }
    *error =
        QStringLiteral("the FTP server did not start: ") + QString::fromUtf8(m_process.readAll());
    stop();
    return false;
}

void FtpServer::stop() {
    stopProcess(m_process);
}

bool SshServer::makeHostKey(QString *error) {
    const QString key = m_dir.filePath(QStringLiteral("host_key"));
    QFile::remove(key);
    QFile::remove(key + QStringLiteral(".pub"));
    return runTool(QStringLiteral("ssh-keygen"),
                   {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                    QStringLiteral("-N"), QString(), QStringLiteral("-f"), key},
                   error);
}

bool SshServer::start(QString *error) {
    // The account must reach its SFTP root through the test's folder.
    QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ReadOther |
                                            QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    QDir().mkpath(home());
    // The account the tests log in with; its password is set afresh each time.
    const QString user = QString::fromLatin1(kUser);
    QString ignored;
    if (!runTool(QStringLiteral("id"), {user}, &ignored) &&
        !runTool(QStringLiteral("useradd"),
                 {QStringLiteral("--no-create-home"), QStringLiteral("--home-dir"),
                  QStringLiteral("/nonexistent"), QStringLiteral("--shell"),
                  QStringLiteral("/bin/sh"), user},
                 error))
        return false;
    if (!runTool(QStringLiteral("chpasswd"), {}, error,
                 (user + QLatin1Char(':') + QString::fromLatin1(kPassword) + QLatin1Char('\n'))
                     .toUtf8()) ||
        !runTool(QStringLiteral("chown"), {user, home()}, error))
        return false;
    QFile authorized(m_dir.filePath(QStringLiteral("authorized_keys")));
    if (!authorized.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("cannot write authorized_keys");
        return false;
    }
    authorized.close();
    QDir().mkpath(QStringLiteral("/run/sshd")); // sshd's privilege separation folder
    if (!makeHostKey(error))
        return false;
    m_port = freePort();
    QFile config(m_dir.filePath(QStringLiteral("sshd_config")));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write sshd_config");
        return false;
    }
    config.write(QStringLiteral("Port %1\n"
                                "ListenAddress 127.0.0.1\n"
                                "HostKey %2/host_key\n"
                                "PidFile %2/sshd.pid\n"
                                "UsePAM no\n"
                                "StrictModes no\n"
                                "PasswordAuthentication yes\n"
                                "KbdInteractiveAuthentication no\n"
                                "PubkeyAuthentication yes\n"
                                "PubkeyAcceptedAlgorithms +ssh-rsa\n"
                                "AuthorizedKeysFile %2/authorized_keys\n"
                                "PermitRootLogin no\n"
                                "AllowUsers %3\n"
                                "Subsystem sftp internal-sftp\n"
                                "ForceCommand internal-sftp -d %4\n")
                     .arg(m_port)
                     .arg(m_dir.path(), user, home())
                     .toUtf8());
    config.close();
    return launch(error);
}

bool SshServer::launch(QString *error) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("/usr/sbin/sshd"),
                    {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                     m_dir.filePath(QStringLiteral("sshd_config"))});
    if (m_process.waitForStarted() && waitForPort(m_port, 10000))
        return true;
    *error = QStringLiteral("sshd did not start: ") + QString::fromUtf8(m_process.readAll());
    stop();
    return false;
}

bool SshServer::restartWithNewHostKey(QString *error) {
    stop();
    return makeHostKey(error) && launch(error);
}

bool SshServer::authorize(const QByteArray &publicKeyLine) {
    QFile authorized(m_dir.filePath(QStringLiteral("authorized_keys")));
    if (!authorized.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    authorized.write(publicKeyLine.trimmed() + '\n');
    return true;
}

void SshServer::stop() {
    stopProcess(m_process);
}
