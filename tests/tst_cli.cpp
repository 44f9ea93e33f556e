#include "core/device/bridge.h"
#include "support/adbdouble.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "support/cli.h"
#include "support/files.h"

namespace {} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
    }

    void help() {
        const CliRun run = runCli({"--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("--home <DIR>"));
        for (const char *command : {"status", "dump", "upload", "progress", "empty-zone", "reset",
                                    "test-server", "fetch-settings", "build-articles",
                                    "transfer"})
            QVERIFY2(run.out.contains(QString("  ") + command), command);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"fly"};
        QTest::newRow("unknown option") << QStringList{"--fast", "status"};
        QTest::newRow("extra argument") << QStringList{"status", "now"};
        QTest::newRow("home without folder") << QStringList{"status", "--home"};
        QTest::newRow("fetch-settings without code") << QStringList{"fetch-settings"};
        QTest::newRow("test-server with --yes") << QStringList{"test-server", "--yes"};
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        const CliRun run = runCli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith("korvello-cli: "));
        QVERIFY(run.out.isEmpty());
    }

    void statusOfAConnectedHandheld() {
        QTemporaryDir home;
        AdbDouble adb(home.filePath("tools"));
        adb.connectOne();
        const QString count = home.filePath("Count files") + "/";
        writeFile(home.filePath("Korvello.conf"),
                  "[CONF]\nADB=" + adb.prefix().toUtf8() + "\nEDITCHEMIN=" + count.toUtf8() + "\n");
        for (const char *name : {"Stk3001.txt", "STK3002.TXT", "stkA_12.txt", "Stk3003.csv",
                                 "notes.txt", ".Stk3004.txt"})
            writeFile(count + name, "3001,9782070360024,00001\r\n");
        QVERIFY(QDir().mkpath(count + "Stk9999.txt")); // a folder is no count file
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "handheld");
            db.setDatabaseName(home.filePath("handheld.s3db"));
            QVERIFY(db.open());
            QSqlQuery q(db);
            q.exec("CREATE TABLE GCD (ZONE TEXT, Code TEXT, Quantite INTEGER, Heure TEXT, Valide "
                   "TEXT)");
            q.exec("INSERT INTO GCD VALUES ('A1', '9782070360024', 2, '10:00:00', 'O')");
            q.exec("INSERT INTO GCD VALUES ('B2', '9782070360024', 5, '10:00:00', 'N')");
            db.close();
        }
        QSqlDatabase::removeDatabase("handheld");
        adb.putFile(Bridge::kCountDatabase, readFile(home.filePath("handheld.s3db")));
        adb.putFile(Bridge::kHandheldTempFolder + "Param.txt", "Alpha\r\n");
        const CliRun run = runCli({"--home", home.path(), "status"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out,
                 QStringList({cliText("AppConnecte"), cliText("Cli_DossierComptage", {count}),
                              cliText("Cli_EnAttente", {"3"}), cliText("Cli_ModeVidage", {"Alpha"}),
                              cliText("Cli_Zones", {"2"}), "  A1\t2", "  B2\t5", ""})
                     .join('\n'));
        QCOMPARE(adb.calls().size(), 3);         // devices, and the two pulls; nothing pushed
        QVERIFY(!QFile::exists(count + "Temp")); // a look leaves nothing behind
    }

    void statusOnAFirstStart() {
        QTemporaryDir home;
        AdbDouble adb(home.filePath("tools")); // no handheld listed
        writeFile(home.filePath("Korvello.conf"), "[CONF]\nADB=" + adb.prefix().toUtf8() + "\n");
        const CliRun run = runCli({"--home", home.path(), "status"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringList({cliText("AppDeConnecte"),
                                       cliText("Cli_DossierComptage", {home.path() + "/Files/"}),
                                       cliText("Cli_EnAttente", {"0"}), ""})
                              .join('\n'));
        QFile conf(home.filePath("Korvello.conf"));
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QVERIFY(conf.readAll().endsWith("FTP_AVAILABLE=0\n\n[FTP]\nCHECK=0\n"));
    }

    void unwritableProgramFolderIsAnError() {
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath("Korvello.conf")));
        const CliRun run = runCli({"--home", home.path(), "status"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("Korvello.conf"), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
