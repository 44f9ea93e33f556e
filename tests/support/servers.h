#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Ends a process the test started (terminate, then kill).
void stopProcess(QProcess &process);
// Waits until something accepts connections on 127.0.0.1:port (at most timeoutMs).
bool waitForPort(int port, int timeoutMs);
// A port on 127.0.0.1 that nothing listens on right now.
int freePort();

// The FTP test server (pyftpdlib, run with /usr/bin/python3) on 127.0.0.1:21, which is where
// the program's FTP client goes. Plain or with explicit TLS; it can be told to drop the
// connection when a given file is sent.
class FtpServer {
public:
    static constexpr const char *kUser = "shop";
    static constexpr const char *kPassword = "Qv-ftp-2026";

    ~FtpServer() { stop(); }
    bool start(bool tls, const QString &dropFile, QString *error);
    void stop();
    // The folder the account sees as its root.
    QString root() const { return m_dir.filePath(QStringLiteral("root")); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// An OpenSSH server of the test's own on a free loopback port: its own configuration, host
// key and authorised keys, and a test account ("korvellotest") made for it, whose SFTP root
// is a folder of the test.
class SshServer {
public:
    static constexpr const char *kUser = "korvellotest";
    static constexpr const char *kPassword = "Kv-sftp-7391";

    ~SshServer() { stop(); }
    bool start(QString *error);
    void stop();
    // Starts again on the same port with a new host key.
    bool restartWithNewHostKey(QString *error);
    // Lets the public key (OpenSSH one-line form) log in.
    bool authorize(const QByteArray &publicKeyLine);

    int port() const { return m_port; }
    QString home() const { return m_dir.filePath(QStringLiteral("home")); }
    QString folder() const { return m_dir.path(); }

private:
    bool makeHostKey(QString *error);
    bool launch(QString *error);

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

// Runs a tool and waits; false with its output in error when it fails.
bool runTool(const QString &program, const QStringList &args, QString *error,
             const QByteArray &input = {});
