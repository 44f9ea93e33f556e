#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/upload/ftpclient.h"
#include "core/upload/sftpclient.h"
#include "core/upload/upload.h"
#include "support/scriptedinteraction.h"
#include "support/servers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/cli.h"
#include "support/files.h"

using Answer = UserInteraction::Answer;
using End = Upload::Outcome::End;

namespace {

QStringList names(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QString line(const char *zone, int quantity) {
    return QString("%1,9782070360024,%2\r\n").arg(zone).arg(quantity, 5, 10, QChar('0'));
}

// A program folder with its count and save folders and the server settings.
struct Shop {
    QTemporaryDir dir;
    AppContext context{dir.path()};
    QString count = dir.filePath("Files") + "/";
    QString save = dir.filePath("Files/Save") + "/";

    explicit Shop(const QByteArray &ftpSection, bool withSaveFolder = true) {
        QDir().mkpath(count);
        if (withSaveFolder)
            QDir().mkpath(save);
        writeFile(context.configPath(), "[CONF]\nLNG=FR\nEDITCHEMIN=" + count.toUtf8() +
                                            "\nEDITCHEMINSECU=" + save.toUtf8() + "\n[FTP]\n" +
                                            ftpSection);
        context.setLanguage("FR");
    }
    void put(const QString &name, const QString &content) {
        writeFile(count + name, content.toUtf8());
    }
};

QByteArray ftpSettings(const QByteArray &extra = {}) {
    return QByteArray("HOST=127.0.0.1\nLOGIN=") + FtpServer::kUser +
           "\nMDP=" + FtpServer::kPassword + "\n" + extra;
}

} // namespace

class TestUpload : public QObject {
    Q_OBJECT

    FtpServer m_ftp;
    SshServer m_ssh;
    QTemporaryDir m_work; // the current directory, where the key file is written
    QString m_startDir;

    QString sauveOk() const { return Translation::lookup("SAUVEOK", "FR"); }

    void restartFtp(bool tls, const QString &drop = {}) {
        m_ftp.stop();
        QString error;
        QVERIFY2(m_ftp.start(tls, drop, &error), qPrintable(error));
    }

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
        QString error;
        QVERIFY2(m_ftp.start(false, {}, &error), qPrintable(error));
        QVERIFY2(m_ssh.start(&error), qPrintable(error));
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_work.path()));
        Sftp::setKnownHostsFile(m_work.filePath("known_hosts"));
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }
    void cleanup() {
        for (const QString &name : names(m_ftp.root()))
            QFile::remove(m_ftp.root() + "/" + name);
    }

    void countFilesAreSentAndMoved() {
        Shop shop(ftpSettings());
        for (const char *name : {"stk00012.txt", "STK00012.TXT", "STKTXT", "XSTK00012.TXT",
                                 "STK00012.TXT.BAK", "ST", ".STK00001.TXT"})
            shop.put(name, line("3001", 2));
        QDir().mkpath(shop.count + "STK1.TXT");
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        const Upload::Outcome outcome = Upload::run(shop.context, ui, ftp);
        QCOMPARE(outcome.end, End::Completed);
        QCOMPARE(outcome.sent, (QStringList{"STK00012.TXT", "STKTXT", "stk00012.txt"}));
        QCOMPARE(names(m_ftp.root()), (QStringList{"STK00012.TXT", "STKTXT", "stk00012.txt"}));
        QCOMPARE(names(shop.save), (QStringList{"STK00012.TXT", "STKTXT", "stk00012.txt"}));
        QCOMPARE(names(shop.count), (QStringList{".STK00001.TXT", "ST", "STK00012.TXT.BAK",
                                                 "STK1.TXT", "Save", "XSTK00012.TXT"}));
        QCOMPARE(ui.notices, QStringList{sauveOk()});
        QCOMPARE(readFile(shop.save + "STKTXT"), line("3001", 2).toUtf8());
    }

    void ftpAppendsToTheRemoteFile() {
        Shop shop(ftpSettings("DIR=\n"));
        FtpClient ftp; // one client for both uploads: the second closes the first's session
        for (int quantity : {1, 2}) {
            shop.put("Stk3001.txt", line("3001", quantity));
            ScriptedInteraction ui;
            ui.answers = {Answer::Yes};
            QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        }
        // An ASCII transfer: CR LF on the wire, stored in the server's own form (LF here);
        // a doubled CR would show.
        QCOMPARE(readFile(m_ftp.root() + "/Stk3001.txt"),
                 QByteArray("3001,9782070360024,00001\n3001,9782070360024,00002\n"));
        // The save copy keeps every line sent under the name, as the server does.
        QCOMPARE(readFile(shop.save + "Stk3001.txt"), (line("3001", 1) + line("3001", 2)).toUtf8());
    }

    // The dump has put the lines in the save copy already: the upload does not add them again.
    void saveCopyMadeByTheDumpIsKept() {
        Shop shop(ftpSettings("DIR=\n"));
        shop.put("Stk3002.txt", line("3002", 3));
        writeFile(shop.save + "Stk3002.txt", (line("3002", 1) + line("3002", 3)).toUtf8());
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        QCOMPARE(readFile(shop.save + "Stk3002.txt"), (line("3002", 1) + line("3002", 3)).toUtf8());
    }

    // Killed right after a file reached the server: the next upload does not send it again.
    void killedUploadSendsNothingTwice() {
        Shop shop(ftpSettings("DIR=\n"));
        writeFile(m_ftp.root() + "/Stk3101.txt", "3101,OLD,00001\n");
        shop.put("Stk3101.txt", line("3101", 2));
        shop.put("Stk3102.txt", line("3102", 3));
        const QStringList home{"--home", shop.dir.path(), "upload", "--yes"};
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KORVELLO_TEST_CRASH_AT", "upload-appended");
        QCOMPARE(runCli(home, env).exitCode, -1);
        QCOMPARE(runCli(home).exitCode, 0);
        QCOMPARE(readFile(m_ftp.root() + "/Stk3101.txt"),
                 QByteArray("3101,OLD,00001\n3101,9782070360024,00002\n"));
        QCOMPARE(readFile(m_ftp.root() + "/Stk3102.txt"), QByteArray("3102,9782070360024,00003\n"));
        QCOMPARE(names(shop.count), QStringList{"Save"});
        QCOMPARE(names(shop.save), (QStringList{"Stk3101.txt", "Stk3102.txt"}));
        QVERIFY(!QFile::exists(shop.dir.filePath("Korvello.upload")));
    }

    // A transfer cut in the middle of a line is finished from where it stopped; a server
    // file that holds something else is left alone, and so is the count file.
    void interruptedTransferIsFinished_data() {
        QTest::addColumn<QByteArray>("onServer");
        QTest::addColumn<bool>("finished");
        QTest::newRow("cut mid-line") << QByteArray("3201,9782070360024,00001\n3201,97820") << true;
        QTest::newRow("all arrived")
            << QByteArray("3201,9782070360024,00001\n3201,9782070360024,00002\n") << true;
        QTest::newRow("nothing arrived") << QByteArray() << true;
        QTest::newRow("something else") << QByteArray("9999,OTHER,00001\n") << false;
    }
    void interruptedTransferIsFinished() {
        QFETCH(QByteArray, onServer);
        QFETCH(bool, finished);
        Shop shop(ftpSettings("DIR=\n"));
        const QString lines = line("3201", 1) + line("3201", 2);
        shop.put("Stk3201.txt", lines);
        const QString remote = m_ftp.root() + "/Stk3201.txt";
        writeFile(remote, "3201,BEFORE,00009\n" + onServer);
        writeFile(shop.dir.filePath("Korvello.upload"),
                  R"({"name":"Stk3201.txt","remoteSizeBefore":18})");
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        if (!finished) {
            QVERIFY_THROWS_EXCEPTION(KorvelloError, Upload::run(shop.context, ui, ftp));
            QCOMPARE(readFile(remote), "3201,BEFORE,00009\n" + onServer);
            QVERIFY(QFile::exists(shop.count + "Stk3201.txt"));
            return;
        }
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        QCOMPARE(readFile(remote), QByteArray("3201,BEFORE,00009\n3201,9782070360024,00001\n"
                                              "3201,9782070360024,00002\n"));
        QCOMPARE(names(shop.count), QStringList{"Save"});
        QVERIFY(!QFile::exists(shop.dir.filePath("Korvello.upload")));
    }

    void saveFolderThatIsTheCountFolderIsRefused() {
        Shop shop(ftpSettings("DIR=\n"));
        shop.context.config().writeString("CONF", "EDITCHEMINSECU", shop.count);
        shop.put("Stk3003.txt", line("3003", 1));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        try {
            Upload::run(shop.context, ui, ftp);
            QFAIL("the only copy could be removed");
        } catch (const KorvelloError &error) {
            QCOMPARE(error.message(), Translation::lookup("Up_MemeDossier", "FR"));
        }
        QVERIFY(QFile::exists(shop.count + "Stk3003.txt"));
        QVERIFY(!QFile::exists(m_ftp.root() + "/Stk3003.txt"));
    }

    void remoteDirectory() {
        QVERIFY(QDir().mkpath(m_ftp.root() + "/in box"));
        Shop shop(ftpSettings("DIR=in box\n"));
        shop.put("Stk3001.txt", line("3001", 4));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        QCOMPARE(readFile(m_ftp.root() + "/in box/Stk3001.txt"),
                 QByteArray("3001,9782070360024,00004\n"));
        QDir(m_ftp.root() + "/in box").removeRecursively();
    }

    void connectionFailures_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("step");
        QTest::newRow("wrong password")
            << QByteArray("HOST=127.0.0.1\nLOGIN=shop\nMDP=wrong\n") << Upload::kConnectStep;
        QTest::newRow("no server")
            << QByteArray("HOST=127.0.0.2\nLOGIN=shop\nMDP=x\n") << Upload::kConnectStep;
        QTest::newRow("missing directory")
            << ftpSettings("DIR=nowhere\n") << Upload::kChangeDirStep;
    }
    void connectionFailures() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, step);
        Shop shop(settings);
        shop.put("Stk3001.txt", line("3001", 1));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        const Upload::Outcome outcome = Upload::run(shop.context, ui, ftp);
        QCOMPARE(outcome.end, End::NotConnected);
        QVERIFY2(outcome.error.endsWith("\r\n" + step), qPrintable(outcome.error));
        QVERIFY(ui.notices.isEmpty());
        QVERIFY(QFile::exists(shop.count + "Stk3001.txt"));
        QVERIFY(names(shop.save).isEmpty());
    }

    void cancelTouchesNothing() {
        Shop shop(ftpSettings());
        shop.put("Stk3001.txt", line("3001", 1));
        ScriptedInteraction ui;
        ui.answers = {Answer::Cancel};
        FtpClient ftp;
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Cancelled);
        QVERIFY(QFile::exists(shop.count + "Stk3001.txt"));
        QVERIFY(names(m_ftp.root()).isEmpty());
        QCOMPARE(ui.questions, QStringList{Translation::lookup("Button2_Msg1", "FR")});
    }

    void emptyCountFolderStillEndsWithTheMessage() {
        Shop shop(ftpSettings());
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        QCOMPARE(ui.notices, QStringList{sauveOk()});
    }

    void ftpWithoutSaveFolderStillEmptiesTheCountFolder() {
        // Sent in append mode: sending it again would double its lines on the server.
        Shop shop(ftpSettings(), false);
        shop.put("Stk3001.txt", line("3001", 1));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        QVERIFY(!QFile::exists(shop.count + "Stk3001.txt"));
        QVERIFY(QFile::exists(m_ftp.root() + "/Stk3001.txt"));
    }

    void serverDroppingTheLineLeavesTheRest() {
        restartFtp(false, "Stk3002.txt");
        Shop shop(ftpSettings());
        for (const char *zone : {"3001", "3002", "3003"})
            shop.put(QString("Stk%1.txt").arg(zone), line(zone, 1));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        QVERIFY_THROWS_EXCEPTION(KorvelloError, Upload::run(shop.context, ui, ftp));
        QCOMPARE(names(shop.save), QStringList{"Stk3001.txt"});
        QVERIFY(!QFile::exists(shop.count + "Stk3001.txt"));
        QVERIFY(QFile::exists(shop.count + "Stk3002.txt"));
        QVERIFY(QFile::exists(shop.count + "Stk3003.txt"));
        QVERIFY(ui.notices.isEmpty());
        restartFtp(false);
    }

    void ftpOverTls_data() {
        QTest::addColumn<int>("ssl");
        QTest::addColumn<bool>("sent");
        QTest::newRow("TLS 1.2 at least") << 12 << true;
        QTest::newRow("TLS 1.0 at least") << 1 << true;
        QTest::newRow("other value, version kept") << 5 << true;
        QTest::newRow("plain against a TLS server") << 0 << false;
    }
    void ftpOverTls() {
        QFETCH(int, ssl);
        QFETCH(bool, sent);
        if (QTest::currentDataTag() == QByteArray("TLS 1.2 at least"))
            restartFtp(true);
        Shop shop(ftpSettings("SSL=" + QByteArray::number(ssl) + "\n"));
        shop.put("Stk7001.txt", line("7001", 3));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        const Upload::Outcome outcome = Upload::run(shop.context, ui, ftp);
        QCOMPARE(outcome.end, sent ? End::Completed : End::NotConnected);
        QCOMPARE(QFile::exists(m_ftp.root() + "/Stk7001.txt"), sent);
        if (QTest::currentDataTag() == QByteArray("plain against a TLS server"))
            restartFtp(false);
    }

    void sftpReplacesAndKeepsUnsavedFiles() {
        const QByteArray ssh = "HOST=127.0.0.1\nLOGIN=" + QByteArray(SshServer::kUser) +
                               "\nMDP=" + SshServer::kPassword +
                               "\nSSH=1\nport=" + QByteArray::number(m_ssh.port()) + "\n";
        Shop shop(ssh, false);
        shop.put("Stk3001.txt", line("3001", 5));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes, Answer::Yes};
        FtpClient ftp;
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        // No save folder: the file stays, to be sent again.
        QVERIFY(QFile::exists(shop.count + "Stk3001.txt"));
        QDir().mkpath(shop.save);
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        QVERIFY(!QFile::exists(shop.count + "Stk3001.txt"));
        QCOMPARE(readFile(m_ssh.home() + "/Stk3001.txt"), line("3001", 5).toUtf8()); // replaced
        QCOMPARE(ui.notices, (QStringList{sauveOk(), sauveOk()}));
    }

    void sftpWritesTheEmbeddedKey() {
        const QByteArray ssh =
            "HOST=127.0.0.1\nLOGIN=" + QByteArray(SshServer::kUser) +
            "\nMDP=" + SshServer::kPassword +
            "\nSSHKEY=upload.ppk\nDIR=counts\nport=" + QByteArray::number(m_ssh.port()) + "\n";
        Shop shop(ssh);
        shop.put("Stk3001.txt", line("3001", 6));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        QCOMPARE(Upload::run(shop.context, ui, ftp).end, End::Completed);
        QCOMPARE(shop.context.uploadKeyName, QString("upload.ppk"));
        QFile resource(":/RSPPK");
        QVERIFY(resource.open(QIODevice::ReadOnly));
        QCOMPARE(readFile(m_work.filePath("upload.ppk")), resource.readAll());
        QCOMPARE(QFile::permissions(m_work.filePath("upload.ppk")) & 0x0777,
                 QFile::ReadUser | QFile::WriteUser);
        // The key needs a passphrase nobody gives; the password opened the session.
        QCOMPARE(readFile(m_ssh.home() + "/counts/Stk3001.txt"), line("3001", 6).toUtf8());
        QFile::remove(m_work.filePath("upload.ppk"));

        // korvello-cli removes the key file when its upload ends.
        shop.put("Stk3004.txt", line("3004", 1));
        const CliRun run = runCli({"--home", shop.dir.path(), "upload", "--yes"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(m_ssh.home() + "/counts/Stk3004.txt"), line("3004", 1).toUtf8());
        QVERIFY(!QFile::exists(m_work.filePath("upload.ppk")));
    }

    void sftpFailuresAreListedAndLeftInPlace() {
        const QByteArray ssh = "HOST=127.0.0.1\nLOGIN=" + QByteArray(SshServer::kUser) +
                               "\nMDP=wrong\nSSH=1\nport=" + QByteArray::number(m_ssh.port()) +
                               "\n";
        Shop shop(ssh);
        shop.put("Stk3001.txt", line("3001", 1));
        shop.put("Stk3002.txt", line("3002", 1));
        ScriptedInteraction ui;
        ui.answers = {Answer::Yes};
        FtpClient ftp;
        const Upload::Outcome outcome = Upload::run(shop.context, ui, ftp);
        QCOMPARE(outcome.end, End::Completed);
        QCOMPARE(outcome.failed, (QStringList{"Stk3001.txt", "Stk3002.txt"}));
        QVERIFY(outcome.failures.first().contains("Authentication refused"));
        QCOMPARE(names(shop.count), (QStringList{"Save", "Stk3001.txt", "Stk3002.txt"}));
        QCOMPARE(ui.notices, QStringList{sauveOk()});
    }

    void commandLine() {
        Shop shop(ftpSettings());
        shop.put("Stk3001.txt", line("3001", 1));
        shop.put("Stk3002.txt", line("3002", 1));
        const QStringList home{"--home", shop.dir.path()};

        CliRun run = runCli(home + QStringList{"upload"}); // no terminal: not confirmed
        QCOMPARE(run.exitCode, 3);
        QVERIFY(QFile::exists(shop.count + "Stk3001.txt"));

        run = runCli(home + QStringList{"upload", "--yes"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(cliText("Cli_Envoyes", {"2"}, "FR")), qPrintable(run.out));
        QVERIFY(run.out.contains(sauveOk()));
        QCOMPARE(names(shop.save), (QStringList{"Stk3001.txt", "Stk3002.txt"}));

        writeFile(shop.context.configPath(),
                  "[CONF]\nEDITCHEMIN=" + shop.count.toUtf8() +
                      "\n[FTP]\nHOST=127.0.0.1\nLOGIN=shop\nMDP=wrong\n");
        run = runCli(home + QStringList{"upload", "--yes"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(Upload::kConnectStep), qPrintable(run.err));

        QCOMPARE(runCli(home + QStringList{"status", "--yes"}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
