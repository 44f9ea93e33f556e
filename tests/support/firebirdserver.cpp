#include "support/firebirdserver.h"
#include "support/servers.h"

#include <QDir>
#include <QFile>

namespace {

const QString kFirebirdLib = QStringLiteral("/usr/lib/x86_64-linux-gnu/firebird/3.0");
const QString kServer = QStringLiteral("/usr/sbin/firebird");

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
    process.start(QStringLiteral("isql-fb"),
                  QStringList{QStringLiteral("-q"), QStringLiteral("-b")} + args);
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
    QFile::link(kFirebirdLib + QStringLiteral("/intl/libfbintl.so"),
                dir.filePath(QStringLiteral("intl/fbintl")));
    QFile::copy(QStringLiteral("/etc/firebird/3.0/fbintl.conf"),
                dir.filePath(QStringLiteral("intl/fbintl.conf")));
    QFile::copy(QStringLiteral("/etc/firebird/3.0/plugins.conf"),
                dir.filePath(QStringLiteral("plugins.conf")));
    writeText(dir.filePath(QStringLiteral("databases.conf")), QString());

    m_port = freePort();
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
    if (waitForPort(m_port, 10000))
        return true;
    *error = QStringLiteral("the Firebird server does not answer: ") +
             QString::fromUtf8(m_server.readAll());
    stop();
    return false;
}

void FirebirdServer::stop() {
    stopProcess(m_server);
}

QString FirebirdServer::connectionString(const QString &path) const {
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_port).arg(path);
}

bool FirebirdServer::createDatabase(const QString &path, const QString &sql, QString *error) {
    return isql({},
                QStringLiteral("SET SQL DIALECT 1;\n"
                               "CREATE DATABASE '%1' USER 'SYSDBA' PASSWORD 'masterkey' "
                               "PAGE_SIZE 4096 DEFAULT CHARACTER SET NONE;\n%2\nCOMMIT;\n")
                    .arg(connectionString(path), sql),
                error);
}
