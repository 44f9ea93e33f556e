#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A Firebird server of the test's own, on a free loopback port, with its own configuration
// and security database: nothing of the machine's Firebird setup is used or touched. It
// knows the users SYSDBA (password "masterkey") and QUOREL (the program's store account).
class FirebirdServer {
public:
    FirebirdServer() = default;
    ~FirebirdServer() { stop(); }
    FirebirdServer(const FirebirdServer &) = delete;
    FirebirdServer &operator=(const FirebirdServer &) = delete;

    // False with the reason in error when the server cannot be set up or does not answer.
    bool start(QString *error);
    void stop();

    int port() const { return m_port; }
    // A file path for a database of the test.
    QString filePath(const QString &name) const { return m_root.filePath(name); }
    // "127.0.0.1/PORT:path", as a shop's settings name a remote database.
    QString connectionString(const QString &path) const;

    // Creates a database through the server (owner SYSDBA, dialect 1) and runs sql in it.
    bool createDatabase(const QString &path, const QString &sql, QString *error);

private:
    bool isql(const QStringList &args, const QString &input, QString *error);
    QProcessEnvironment environment() const;

    QTemporaryDir m_root;
    QProcess m_server;
    int m_port = 0;
};
