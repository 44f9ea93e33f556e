#include "support/firebirdserver.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kFirebirdLib = QStringLiteral("/usr/lib/x86_64-linux-gnu/firebird/3.0");
const QString kServer = QStringLiteral("/usr/sbin/firebird");

int freeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

bool accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

bool writeText(const QString &path, const QString &text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

QProcessEnvironment FirebirdServer::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), m_root.path());
    env.insert(QStringLiteral("FIREBIRD_LOCK"), m_root.filePath(QStringLiteral("lock")));
    env.insert(QStringLiteral("FIREBIRD_TMP"), m_root.filePath(QStringLiteral("tmp")));
    return env;
}

bool FirebirdServer::isql(const QStringList &args, const QString &input, QString *error) {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("isql-fb"), QStringList{QStringLiteral("-q"), QStringLiteral("-b")} + args);
    if (!process.waitForStarted()) {
        *error = QStringLiteral("isql-fb cannot be started (firebird3.0-utils)");
        return false;
    }
    process.write(input.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = QStringLiteral("isql-fb failed: ") + QString::fromUtf8(process.readAll());
    return false;
}

bool FirebirdServer::start(QString *error) {
    if (!QFile::exists(kServer)) {
        *error = QStringLiteral("%1 is missing (package firebird3.0-server)").arg(kServer);
        return false;
    }
    const QString root = m_root.path();
    QDir dir(root);
    dir.mkpath(QStringLiteral("lock"));
    dir.mkpath(QStringLiteral("tmp"));
    dir.mkpath(QStringLiteral("intl"));
    // The engine's own files come from the installed Firebird; the configuration is ours.
    for (const QString &name : {QStringLiteral("plugins"), QStringLiteral("lib"),
                                QStringLiteral("UDF"), QStringLiteral("firebird.msg")})
        QFile::link(kFirebirdLib + QLatin1Char('/') + name, dir.filePath(name));
    // The character sets module is looked up under the root, by a name without extension.
    QFile::link(kFirebirdLib + QStringLiteral("/intl/libfbintl.so"), dir.filePath(QStringLiteral("intl/fbintl")));
    QFile::copy(QStringLiteral("/etc/firebird/3.0/fbintl.conf"), dir.filePath(QStringLiteral("intl/fbintl.conf")));
    QFile::copy(QStringLiteral("/etc/firebird/3.0/plugins.conf"), dir.filePath(QStringLiteral("plugins.conf")));
    writeText(dir.filePath(QStringLiteral("databases.conf")), QString());

    m_port = freeLoopbackPort();
    const QString security = dir.filePath(QStringLiteral("security3.fdb"));
    writeText(dir.filePath(QStringLiteral("firebird.conf")),
              QStringLiteral("RemoteServicePort = %1\n"
                             "RemoteBindAddress = 127.0.0.1\n"
                             "SecurityDatabase = %2\n"
                             "AuthServer = Srp\n"
                             "AuthClient = Srp\n"
                             "UserManager = Srp\n"
                             "ServerMode = Super\n")
                  .arg(m_port)
                  .arg(security));

    if (!isql({QStringLiteral("-user"), QStringLiteral("SYSDBA")},
              QStringLiteral("create database '%1';\n").arg(security), error) ||
        !isql({QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-i"),
               QStringLiteral("/usr/share/firebird/3.0/security.sql"), security},
              QString(), error) ||
        !isql({QStringLiteral("-user"), QStringLiteral("SYSDBA"), security},
              QStringLiteral("create user SYSDBA password 'masterkey' using plugin Srp;\n"
                             "create user QUOREL password 'Qz7391r#' using plugin Srp;\n"
                             "commit;\n"),
              error))
        return false;

    m_server.setProcessEnvironment(environment());
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(kServer, {});
    if (!m_server.waitForStarted()) {
        *error = QStringLiteral("the Firebird server did not start");
        return false;
    }
    for (int i = 0; i < 200; ++i) {
        if (accepts(m_port))
            return true;
        if (m_server.state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    *error = QStringLiteral("the Firebird server does not answer: ") +
             QString::fromUtf8(m_server.readAll());
    stop();
    return false;
}

void FirebirdServer::stop() {
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
}

QString FirebirdServer::connectionString(const QString &path) const {
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_port).arg(path);
}

bool FirebirdServer::createDatabase(const QString &path, const QString &sql, QString *error) {
    return isql({}, QStringLiteral("SET SQL DIALECT 1;\n"
                                   "CREATE DATABASE '%1' USER 'SYSDBA' PASSWORD 'masterkey' "
                                   "PAGE_SIZE 4096 DEFAULT CHARACTER SET NONE;\n%2\nCOMMIT;\n")
                        .arg(connectionString(path), sql),
                error);
}
