#include "core/upload/sftpclient.h"
#include "support/servers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"

using Sftp::sendFile;
using Sftp::testConnection;

namespace {} // namespace

class TestSftp : public QObject {
    Q_OBJECT

    SshServer m_server;
    QTemporaryDir m_work; // the current directory, where key files are looked for
    QString m_startDir;
    const QString m_host = "127.0.0.1";
    const QString m_user = SshServer::kUser;
    const QString m_password = SshServer::kPassword;

    QString countFile(const QString &name, const QByteArray &content) {
        const QString path = m_work.filePath(name);
        writeFile(path, content);
        return path;
    }

    // A key of the given format in the current directory, allowed to log in.
    QString makeKey(const QString &name, const QStringList &keygenArgs, bool putty = false) {
        QString error;
        const QString path = m_work.filePath(name);
        if (putty) {
            writeFile(path + ".pass", "\n"); // no passphrase
            if (!runTool("puttygen",
                         QStringList{"-q", "-t", "rsa", "-b", "2048", "-o", path,
                                     "--new-passphrase", path + ".pass", "--ppk-param"} +
                             keygenArgs,
                         &error) ||
                !runTool("puttygen", {path, "-O", "public-openssh", "-o", path + ".pub"}, &error))
                qWarning("%s", qPrintable(error));
        } else if (!runTool("ssh-keygen", QStringList{"-q", "-N", "", "-f", path} + keygenArgs,
                            &error)) {
            qWarning("%s", qPrintable(error));
        }
        m_server.authorize(readFile(path + ".pub"));
        return name;
    }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_work.path()));
        Sftp::setKnownHostsFile(m_work.filePath("known_hosts"));
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void passwordLogInIntoTheLoginFolder() {
        const QString file = countFile("Stk3001.txt", "3001,9782070360024,00002\r\n");
        Sftp::ErrorList errors;
        QVERIFY2(sendFile(m_host, m_user, m_password, "", "", m_server.port(), file, &errors),
                 qPrintable(errors.value("Error")));
        QCOMPARE(readFile(m_server.home() + "/Stk3001.txt"),
                 QByteArray("3001,9782070360024,00002\r\n"));
        // The first meeting stored the server's key.
        QVERIFY(readFile(m_work.filePath("known_hosts")).contains("[127.0.0.1]:"));
    }

    void missingDirectoryIsMadeOnce() {
        const QString file = countFile("Stk3002.txt", "a\r\n");
        QVERIFY(sendFile(m_host, m_user, m_password, "", "inbox", m_server.port(), file, nullptr));
        QVERIFY(sendFile(m_host, m_user, m_password, "", "inbox", m_server.port(), file, nullptr));
        QCOMPARE(readFile(m_server.home() + "/inbox/Stk3002.txt"), QByteArray("a\r\n"));
        // Only one level is made.
        Sftp::ErrorList errors;
        QVERIFY(!sendFile(m_host, m_user, m_password, "", "a/b", m_server.port(), file, &errors));
        QVERIFY(errors.value("Error").contains("a/b"));
    }

    void remoteFileIsReplacedAndKeepsTheLocalTime() {
        const QString file = countFile("Stk3003.txt", "first version, longer\r\n");
        QVERIFY(sendFile(m_host, m_user, m_password, "", "", m_server.port(), file, nullptr));
        writeFile(file, "second\r\n");
        const QDateTime stamp(QDate(2026, 3, 14), QTime(9, 26, 53));
        QFile local(file);
        QVERIFY(local.open(QIODevice::ReadWrite));
        QVERIFY(local.setFileTime(stamp, QFileDevice::FileModificationTime));
        local.close();
        QVERIFY(sendFile(m_host, m_user, m_password, "", "", m_server.port(), file, nullptr));
        QCOMPARE(readFile(m_server.home() + "/Stk3003.txt"), QByteArray("second\r\n"));
        QCOMPARE(QFileInfo(m_server.home() + "/Stk3003.txt").lastModified(), stamp);
    }

    void keyFormats_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("OpenSSH") << makeKey("id_openssh", {"-t", "rsa", "-b", "2048"});
        QTest::newRow("PEM") << makeKey("id_pem", {"-t", "rsa", "-b", "2048", "-m", "PEM"});
        QTest::newRow("Ed25519") << makeKey("id_ed25519", {"-t", "ed25519"});
        QTest::newRow("PuTTY version 2") << makeKey("client2.ppk", {"version=2"}, true);
        QTest::newRow("PuTTY version 3") << makeKey("client3.ppk", {"version=3"}, true);
    }
    void keyFormats() {
        QFETCH(QString, key);
        const QString file = countFile("Stk4001.txt", "k\r\n");
        Sftp::ErrorList errors;
        // No password: only the key can open the session.
        QVERIFY2(sendFile(m_host, m_user, "", key, "", m_server.port(), file, &errors),
                 qPrintable(errors.value("Error")));
        QVERIFY(testConnection(m_host, m_user, "", key, "", m_server.port()));
        // The key given by its full path works for the upload.
        QVERIFY(
            sendFile(m_host, m_user, "", m_work.filePath(key), "", m_server.port(), file, nullptr));
    }

    void refusals() {
        const QString file = countFile("Stk5001.txt", "r\r\n");
        Sftp::ErrorList errors{{"Error", "earlier"}};
        QVERIFY(!sendFile(m_host, m_user, "wrong", "", "", m_server.port(), file, &errors));
        QVERIFY(errors.value("Error").contains("Authentication refused"));
        // A login of blanks sets no user name: the server sees another account.
        QVERIFY(!sendFile(m_host, "   ", m_password, "", "", m_server.port(), file, nullptr));
        QVERIFY(!testConnection(m_host, m_user, "wrong", "", "", m_server.port()));
        // A text naming no file names no key; the password still lets the call in.
        QVERIFY(sendFile(m_host, m_user, m_password, "no such key", "", m_server.port(), file,
                         nullptr));
        QVERIFY(!sendFile(m_host, m_user, m_password, "", "", m_server.port(),
                          m_work.filePath("missing.txt"), nullptr));
        QVERIFY(!sendFile(m_host, m_user, m_password, "", "", freePort(), file, nullptr));
        QVERIFY(testConnection(m_host, m_user, m_password, "", "tested", m_server.port()));
        QVERIFY(QFileInfo(m_server.home() + "/tested").isDir());
    }

    // The user's SSH agent holds a key the server takes: it must not stand in for a wrong
    // password, with or without a key text that names no file.
    void agentIsNeverAsked() {
        const QString key = makeKey("id_agent", {"-t", "ed25519"});
        const QString socket = m_work.filePath("agent.sock");
        QProcess agent;
        agent.start("ssh-agent", {"-D", "-a", socket});
        QVERIFY(agent.waitForStarted());
        for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
            QTest::qWait(50);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SSH_AUTH_SOCK", socket);
        QProcess add;
        add.setProcessEnvironment(env);
        add.start("ssh-add", {m_work.filePath(key)});
        QVERIFY(add.waitForFinished() && add.exitCode() == 0);
        const QByteArray before = qgetenv("SSH_AUTH_SOCK");
        qputenv("SSH_AUTH_SOCK", socket.toUtf8());
        const QString file = countFile("Stk7001.txt", "a\r\n");
        const bool withText =
            sendFile(m_host, m_user, "wrong", "no such key", "", m_server.port(), file, nullptr);
        const bool withoutText =
            sendFile(m_host, m_user, "wrong", "", "", m_server.port(), file, nullptr);
        const bool tested =
            testConnection(m_host, m_user, "wrong", "no such key", "", m_server.port());
        qputenv("SSH_AUTH_SOCK", before);
        agent.kill();
        agent.waitForFinished();
        QVERIFY(!withText);
        QVERIFY(!withoutText);
        QVERIFY(!tested);
    }

    // Last: it changes the server's key.
    void changedHostKeyIsRefused() {
        const QString file = countFile("Stk6001.txt", "h\r\n");
        QVERIFY(sendFile(m_host, m_user, m_password, "", "", m_server.port(), file, nullptr));
        const QByteArray stored = readFile(m_work.filePath("known_hosts"));
        QString error;
        QVERIFY2(m_server.restartWithNewHostKey(&error), qPrintable(error));
        QFile::remove(m_server.home() + "/Stk6001.txt");
        Sftp::ErrorList errors;
        QVERIFY(!sendFile(m_host, m_user, m_password, "", "", m_server.port(), file, &errors));
        const QString message = errors.value("Error");
        QVERIFY2(message.contains("127.0.0.1") && message.contains(m_work.filePath("known_hosts")),
                 qPrintable(message));
        QVERIFY(!QFile::exists(m_server.home() + "/Stk6001.txt"));
        QCOMPARE(readFile(m_work.filePath("known_hosts")), stored); // not overwritten
        QVERIFY(!testConnection(m_host, m_user, m_password, "", "", m_server.port()));
    }
};

QTEST_GUILESS_MAIN(TestSftp)
#include "tst_sftp.moc"
