#include "core/articles/customerdirectory.h"
#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/logfile.h"
#include "core/sectors/sectordatabase.h"
#include "core/settings/campaignreset.h"
#include "core/settings/settings.h"
#include "core/upload/sftpclient.h"
#include "support/cli.h"
#include "support/files.h"
#include "support/firebirdserver.h"
#include "support/servers.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString configText(const AppContext &context) {
    return QString::fromUtf8(readFile(context.configPath()));
}

QStringList names(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

int rows(DataModule &data, const char *table) {
    QSqlQuery q = data.sectorQuery();
    q.exec(QString("SELECT COUNT(*) FROM %1").arg(table));
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    FirebirdServer m_firebird;
    FtpServer m_ftp;
    SshServer m_ssh;
    QTemporaryDir m_work; // the current folder: key files are written there
    QString m_startDir;
    QString m_directory; // the customer directory's connection string
    QString m_zododoStore;
    QString m_plainStore;

    // A program folder whose configuration file names the test's customer directory.
    struct Home {
        QTemporaryDir dir;
        AppContext context{dir.path()};
        Home(const QString &directory, const QByteArray &config = {}) {
            context.setLanguage("FR");
            writeFile(context.configPath(), "[CONF]\nLNG=FR\n" + config +
                                                "\n[DEPLOY]\nCUSTOMERDB=" + directory.toUtf8() +
                                                "\nFTPHOST1=ftp1.maker.test\n"
                                                "FTPHOST2=ftp2.maker.test\n");
        }
        QString value(const QString &section, const QString &key) const {
            return context.config().readString(section, key, "<absent>");
        }
    };

    bool makeStore(const QString &path, const QString &inventoryPath, QString *error) {
        return m_firebird.createDatabase(
            path,
            "CREATE TABLE SYSDEFPATH (SDP_NAME VARCHAR(40), SDP_PATH VARCHAR(255));\n"
            "CREATE ROLE RQRAPP;\nGRANT SELECT ON SYSDEFPATH TO ROLE RQRAPP;\n"
            "GRANT RQRAPP TO QUOREL;\n"
            "INSERT INTO SYSDEFPATH VALUES ('PATHQVINV', '" +
                inventoryPath + "');\n",
            error);
    }

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
        Translation::setMessageLanguage("FR");
        QString error;
        QVERIFY2(m_firebird.start(&error), qPrintable(error));
        QVERIFY2(m_ftp.start(false, {}, &error), qPrintable(error));
        QVERIFY2(m_ssh.start(&error), qPrintable(error));
        QDir(m_ftp.root()).mkpath("incoming");
        QDir(m_ssh.home()).mkpath("counts");
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_work.path()));
        Sftp::setKnownHostsFile(m_work.filePath("known_hosts"));

        m_zododoStore = m_firebird.filePath("zododo.fdb");
        m_plainStore = m_firebird.filePath("plain.fdb");
        QVERIFY2(makeStore(m_zododoStore, "  \\\\ZODODOVOVOZ\\Fil\\Inv  ", &error),
                 qPrintable(error));
        QVERIFY2(makeStore(m_plainStore, "D:\\Data\\Files\\Inv", &error), qPrintable(error));
        const QString zododo = m_firebird.connectionString(m_zododoStore);
        const QString plain = m_firebird.connectionString(m_plainStore);
        const QString path = m_firebird.filePath("customers.fdb");
        QVERIFY2(
            m_firebird.createDatabase(
                path,
                "CREATE TABLE customers (cus_id INTEGER, cus_userlogin VARCHAR(40), "
                "cus_base_pos VARCHAR(255), ftp_host VARCHAR(100), ftp_directory VARCHAR(255), "
                "ftp_login VARCHAR(60), ftp_password VARCHAR(60), FTP_PORT INTEGER, "
                "FTP_SSHKEY VARCHAR(60));\n"
                "CREATE TABLE dbalias (alias VARCHAR(40), cus_id INTEGER);\n"
                "CREATE ROLE RQRAPP;\nGRANT SELECT ON customers TO ROLE RQRAPP;\n"
                "GRANT SELECT ON dbalias TO ROLE RQRAPP;\nGRANT RQRAPP TO QUOREL;\n"
                "INSERT INTO customers VALUES (1, 'login42', 'srv:/data/shop42.fdb', "
                "' ftp.shop42.test ', ' /in/42 ', 'u42', 'p42', 2222, ' k42.ppk ');\n"
                "INSERT INTO dbalias VALUES ('shop42', 1);\n"
                "INSERT INTO customers VALUES (2, 'nohost', '" +
                    plain +
                    "', NULL, '/ignored', 'ignored', 'ignored', 21, NULL);\n"
                    "INSERT INTO dbalias VALUES ('nohost', 2);\n"
                    "INSERT INTO customers VALUES (3, 'x', 'srv:/data/alias20.fdb', '', '', '', "
                    "'', NULL, NULL);\n"
                    "INSERT INTO dbalias VALUES ('ABCDEFGHIJKLMNOPQRST', 3);\n"
                    "INSERT INTO customers VALUES (4, 'ABCDEFGHIJKLMNO', 'srv:/data/login15.fdb', "
                    "NULL, NULL, NULL, NULL, NULL, NULL);\n"
                    "INSERT INTO dbalias VALUES ('other4', 4);\n"
                    "INSERT INTO customers VALUES (5, 'zododo', '" +
                    zododo +
                    "', NULL, NULL, NULL, NULL, NULL, NULL);\n"
                    "INSERT INTO dbalias VALUES ('zododo', 5);\n",
                &error),
            qPrintable(error));
        m_directory = m_firebird.connectionString(path);
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    // ---- the settings form and the configuration file ----

    void firstOpeningWithoutConfigurationFile() {
        QTemporaryDir dir;
        AppContext context(dir.path());
        SettingsForm form;
        form.shopCode = "LIB01";
        form.serverShown = true;
        form.serverCopy = true;
        Settings::load(context, form);
        QCOMPARE(form.countFolder, dir.path() + "/Files/");
        QCOMPARE(form.saveFolder, dir.path() + "/Files/Save/");
        QVERIFY(!form.validatedZonesOnly && !form.serverCopy && !form.serverShown);
        QCOMPARE(form.shopCode, QString("LIB01")); // kept

        QVERIFY(Settings::save(context, form));
        const QStringList expected{"[CONF]",      "EDITCHEMIN=" + dir.path() + "/Files/",
                                   "VIDAGE=T",    "EDITCHEMINSECU=" + dir.path() + "/Files/Save/",
                                   "TRANSAUTO=T", "CODELIB=LIB01",
                                   "DBLIB=",      "FTP_AVAILABLE=0",
                                   "PROGEXT=",    "[FTP]",
                                   "CHECK=0"};
        QStringList lines =
            configText(context).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines, expected);
        QVERIFY(QFileInfo(dir.path() + "/Files/Save").isDir());
    }

    void saveFolders_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("storedCount");
        QTest::addColumn<QString>("storedSave");
        QTest::newRow("lone backslash") << "C/"
                                        << "\\"
                                        << "C/"
                                        << "C/Save/";
        QTest::newRow("empty save") << "C"
                                    << ""
                                    << "C/"
                                    << "C/Save/";
        QTest::newRow("no separators") << "C"
                                       << "S"
                                       << "C/"
                                       << "S/";
        QTest::newRow("backslashes kept") << "C\\"
                                          << "S\\"
                                          << "C\\"
                                          << "S\\";
    }
    void saveFolders() {
        QFETCH(QString, count);
        QFETCH(QString, save);
        QFETCH(QString, storedCount);
        QFETCH(QString, storedSave);
        QTemporaryDir dir;
        AppContext context(dir.path());
        SettingsForm form;
        form.countFolder = dir.filePath(count);
        form.saveFolder = save.isEmpty() || save == "\\" ? save : dir.filePath(save);
        QVERIFY(Settings::save(context, form));
        QCOMPARE(form.countFolder, dir.filePath(storedCount)); // the field shows the separator
        const IniFile config = context.config();
        QCOMPARE(config.readString("CONF", "EDITCHEMIN", {}), dir.filePath(storedCount));
        QCOMPARE(config.readString("CONF", "EDITCHEMINSECU", {}), dir.filePath(storedSave));
        // No folder named by a lone separator appears anywhere.
        QVERIFY(!QFileInfo::exists(m_work.filePath("\\")));
    }

    void emptyCountFolderWritesNothing() {
        QTemporaryDir dir;
        AppContext context(dir.path());
        SettingsForm form;
        form.saveFolder = dir.filePath("S");
        QVERIFY(!Settings::save(context, form));
        QVERIFY(!QFile::exists(context.configPath()));
        QVERIFY(!QFileInfo::exists(dir.filePath("S")));
    }

    void untickedServerKeepsTheStoredValues() {
        Home home(m_directory, "FTP_AVAILABLE=0\n[FTP]\nHOST=h\nLOGIN=l\nMDP=m\nDIR=d\nPORT=22\n"
                               "SSHKEY= key.ppk \nCHECK=1");
        SettingsForm form = Settings::stored(home.context);
        QVERIFY(form.serverShown); // a key name shows the server settings
        QCOMPARE(form.sshKey, QString("key.ppk"));
        form.serverCopy = false;
        form.host = form.login = form.password = form.directory = "changed";
        form.port = 99;
        form.sshKey.clear();
        QVERIFY(Settings::save(home.context, form));
        for (const auto &[key, value] : {std::pair{"HOST", "h"},
                                         {"LOGIN", "l"},
                                         {"MDP", "m"},
                                         {"DIR", "d"},
                                         {"PORT", "22"},
                                         {"SSHKEY", "key.ppk"}})
            QCOMPARE(home.value("FTP", key), QString(value));
        QCOMPARE(home.value("FTP", "CHECK"), QString("0"));
        QCOMPARE(home.value("CONF", "FTP_AVAILABLE"), QString("1"));

        form.serverCopy = true;
        QVERIFY(Settings::save(home.context, form));
        QCOMPARE(home.value("FTP", "HOST"), QString("changed"));
        QCOMPARE(home.value("FTP", "PORT"), QString("99"));
        QCOMPARE(home.value("FTP", "SSHKEY"), QString());
    }

    void dumpOptionAndAutomaticUpload() {
        Home home(m_directory, "VIDAGE=V\nTRANSAUTO=V");
        SettingsForm form = Settings::stored(home.context);
        QVERIFY(form.validatedZonesOnly && form.autoUpload);
        form.validatedZonesOnly = false;
        form.autoUpload = false;
        QVERIFY(Settings::save(home.context, form));
        QCOMPARE(home.value("CONF", "VIDAGE"), QString("T"));
        QCOMPARE(home.value("CONF", "TRANSAUTO"), QString("T"));
    }

    // ---- the customer directory ----

    void directoryLookups_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("host");
        QTest::newRow("alias") << "shop42"
                               << "srv:/data/shop42.fdb"
                               << "ftp.shop42.test";
        QTest::newRow("alias upper-cased, blanks") << "  SHOP42 "
                                                   << "srv:/data/shop42.fdb"
                                                   << "ftp.shop42.test";
        QTest::newRow("user login") << "LOGIN42"
                                    << "srv:/data/shop42.fdb"
                                    << "ftp.shop42.test";
        QTest::newRow("20 characters: the alias in full") << "ABCDEFGHIJKLMNOPQRST"
                                                          << "srv:/data/alias20.fdb"
                                                          << "";
        QTest::newRow("20 characters: the login by 15") << "abcdefghijklmnoXXXXX"
                                                        << "srv:/data/login15.fdb"
                                                        << "";
        QTest::newRow("unknown") << "nobody"
                                 << ""
                                 << "";
    }
    void directoryLookups() {
        QFETCH(QString, code);
        QFETCH(QString, store);
        QFETCH(QString, host);
        DataModule data;
        const CustomerDirectory::Lookup lookup = CustomerDirectory::find(data, m_directory, code);
        QCOMPARE(lookup.error, QString());
        QCOMPARE(lookup.found, !store.isEmpty());
        QCOMPARE(lookup.storeDatabase, store);
        QCOMPARE(lookup.ftp.value("FTP_HOST"), host);
    }

    void directoryValuesAreTrimmedAndEmptyOnesAbsent() {
        DataModule data;
        CustomerDirectory::Lookup lookup = CustomerDirectory::find(data, m_directory, "shop42");
        QCOMPARE(lookup.ftp, (CustomerDirectory::FtpInfo{{"FTP_HOST", "ftp.shop42.test"},
                                                         {"FTP_DIRECTORY", "/in/42"},
                                                         {"FTP_LOGIN", "u42"},
                                                         {"FTP_PASSWORD", "p42"},
                                                         {"FTP_PORT", "2222"},
                                                         {"FTP_SSHKEY", "k42.ppk"}}));
        // No host: no server value at all, the store database all the same.
        lookup = CustomerDirectory::find(data, m_directory, "nohost");
        QVERIFY(lookup.ftp.isEmpty());
        QCOMPARE(lookup.storeDatabase, m_firebird.connectionString(m_plainStore));
    }

    void directoryThatCannotBeAsked() {
        DataModule data;
        CustomerDirectory::Lookup lookup = CustomerDirectory::find(data, "  ", "shop42");
        QCOMPARE(lookup.error, Translation::lookup("Cust_NonConfig", "FR"));
        lookup = CustomerDirectory::find(
            data, QString("127.0.0.1/%1:/nowhere/customers.fdb").arg(freePort()), "shop42");
        QVERIFY(!lookup.error.isEmpty());
        QVERIFY(!lookup.found);
    }

    void defaultsFromTheInventoryPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("directory");
        QTest::newRow("files") << "D:\\Data\\Files\\Inv"
                               << "two"
                               << "Files\\Inv";
        QTest::newRow("no FIL") << " D:\\Data\\Inv "
                                << "two"
                                << "D:\\Data\\Inv";
        QTest::newRow("maker's path") << "\\\\zododovovoz\\fil\\x"
                                      << "one"
                                      << "fil\\x";
        QTest::newRow("empty") << "   "
                               << ""
                               << "";
    }
    void defaultsFromTheInventoryPath() {
        QFETCH(QString, path);
        QFETCH(QString, host);
        QFETCH(QString, directory);
        const CustomerDirectory::Deployment deployment{"", "one", "two"};
        QCOMPARE(CustomerDirectory::defaultHost(path, deployment), host);
        QCOMPARE(CustomerDirectory::defaultDirectory(path), directory);
    }

    void fetchingTheShopsSettings() {
        Home home(m_directory, "FTP_AVAILABLE=0\n[FTP]\nLOGIN=old\nMDP=oldpw\nPORT=7\n");
        DataModule data;
        data.setStoreAccount();
        SettingsForm form = Settings::stored(home.context);
        form.shopCode = "shop42";
        Settings::fetchFromDirectory(home.context, data, form);
        QCOMPARE(form.storeDatabase, QString("srv:/data/shop42.fdb"));
        QCOMPARE(form.host, QString("ftp.shop42.test"));
        QCOMPARE(form.directory, QString("/in/42"));
        QCOMPARE(form.login, QString("u42"));
        QCOMPARE(form.password, QString("p42"));
        QCOMPARE(form.port, 2222);
        QCOMPARE(form.sshKey, QString("k42.ppk"));
        QVERIFY(form.serverShown);
        QCOMPARE(home.value("CONF", "FTP_AVAILABLE"), QString("1")); // written at once
        QCOMPARE(home.value("FTP", "LOGIN"), QString("old"));        // nothing else

        // No host in the directory: host and directory from the store's inventory path; the
        // login and password stay; no port.
        form.shopCode = "nohost";
        Settings::fetchFromDirectory(home.context, data, form);
        QCOMPARE(form.host, QString("ftp2.maker.test"));
        QCOMPARE(form.directory, QString("Files\\Inv"));
        QCOMPARE(form.login, QString("u42"));
        QCOMPARE(form.port, 0);
        QCOMPARE(form.sshKey, QString());
        form.shopCode = "zododo";
        Settings::fetchFromDirectory(home.context, data, form);
        QCOMPARE(form.host, QString("ftp1.maker.test"));
        QCOMPARE(form.directory, QString("Fil\\Inv"));

        // Unknown shop: no store database, empty host and directory.
        form.shopCode = "nobody";
        QVERIFY(!Settings::fetchFromDirectory(home.context, data, form).found);
        QCOMPARE(form.storeDatabase, QString());
        QCOMPARE(form.host, QString());
        QCOMPARE(form.directory, QString());
    }

    // ---- the connection test ----

    void ftpTest_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<bool>("passed");
        QTest::addColumn<QString>("ending");
        QTest::newRow("good") << " " + QString(FtpServer::kPassword) + " "
                              << "incoming" << true << "Connect OK";
        QTest::newRow("wrong password")
            << "wrong"
            << "incoming" << false << "\r\nConnect error  host , id or password";
        QTest::newRow("no such directory")
            << FtpServer::kPassword << "missing" << false << "\r\nChangedir error  directory ERROR";
    }
    void ftpTest() {
        QFETCH(QString, password);
        QFETCH(QString, directory);
        QFETCH(bool, passed);
        QFETCH(QString, ending);
        SettingsForm form;
        form.host = "127.0.0.1";
        form.login = QString(" ") + FtpServer::kUser;
        form.password = password;
        form.directory = directory;
        const Settings::ServerTest test = Settings::testServer(form);
        QCOMPARE(test.passed, passed);
        QVERIFY2(test.text.endsWith(ending), qPrintable(test.text));
        if (!passed) // the client's own reason comes first
            QVERIFY(test.text.size() > ending.size());
        QVERIFY(!test.text.contains(FtpServer::kPassword));
    }

    void sftpTest() {
        SettingsForm form;
        form.host = "127.0.0.1";
        form.login = SshServer::kUser;
        form.password = SshServer::kPassword;
        form.directory = "counts";
        form.port = m_ssh.port();
        form.sshKey = "shop-test.ppk";
        QFile::remove(m_work.filePath("shop-test.ppk"));
        Settings::ServerTest test = Settings::testServer(form);
        QCOMPARE(test.text, QString("SFTP SSH OK"));
        QVERIFY(test.passed);
        QVERIFY(QFile::exists(m_work.filePath("shop-test.ppk"))); // written first
        QCOMPARE(QFile::permissions(m_work.filePath("shop-test.ppk")) & 0x0777,
                 QFile::ReadUser | QFile::WriteUser);
        form.password = "wrong";
        test = Settings::testServer(form);
        QCOMPARE(test.text, QString("SFTP SSH ERROR"));
        QVERIFY(!test.passed);
    }

    // ---- the campaign reset ----

    void resetArchivesEverythingAndLosesNothing() {
        QTemporaryDir dir;
        AppContext context(dir.path());
        context.setLanguage("FR");
        const QString count = dir.filePath("Inv/Files/");
        const QString save = dir.filePath("Inv/Save");
        writeFile(count + "Stk3001.txt", "never sent, no copy\r\n");
        writeFile(count + "Stk3002.txt", "never sent, newer lines\r\n");
        writeFile(save + "/Stk3002.txt", "sent earlier\r\n");
        writeFile(save + "/Stk3003.txt", "sent\r\n");
        QDir().mkpath(save + "/Archives/20240101");
        LogFile::append(context, "campaign event");
        DataModule data;
        SectorDatabase::ensureOpen(data, context);
        QVERIFY(data.sectorDatabase().isOpen());

        QCOMPARE(CampaignReset::unsentCountFiles(count), 2);
        QVERIFY(CampaignReset::question(context, 2)
                    .contains(Translation::lookup("FParam_NonEnvoyes", "FR").arg(2)));
        QCOMPARE(CampaignReset::question(context, 0), Translation::lookup("FParam_Reinit", "FR"));

        const CampaignReset::Outcome outcome =
            CampaignReset::archiveFiles(context, count, save, QDate(2024, 3, 15));
        const QString archive = save + "/Archives/20240315";
        QCOMPARE(outcome.archiveFolder, archive);
        QVERIFY(outcome.notArchived.isEmpty());
        QCOMPARE(names(archive), (QStringList{"Brannoch.log", "ListeSectBD.fdb", "NonEnvoyes",
                                              "Stk3001.txt", "Stk3002.txt", "Stk3003.txt"}));
        QCOMPARE(readFile(archive + "/Stk3001.txt"), QByteArray("never sent, no copy\r\n"));
        QCOMPARE(readFile(archive + "/Stk3002.txt"), QByteArray("sent earlier\r\n"));
        QCOMPARE(readFile(archive + "/NonEnvoyes/Stk3002.txt"),
                 QByteArray("never sent, newer lines\r\n"));
        QVERIFY(readFile(archive + "/Brannoch.log").contains("campaign event"));
        QCOMPARE(names(count), QStringList());
        QCOMPARE(names(save), QStringList{"Archives"});
        QVERIFY(!QFile::exists(context.logPath()));

        // A second reset the same day keeps what the first archived.
        writeFile(count + "Stk3002.txt", "counted after the first reset\r\n");
        CampaignReset::archiveFiles(context, count, save, QDate(2024, 3, 15));
        QCOMPARE(readFile(archive + "/NonEnvoyes/Stk3002.txt"),
                 QByteArray("never sent, newer lines\r\n"));
        QCOMPARE(readFile(archive + "/NonEnvoyes/Stk3002.txt.1"),
                 QByteArray("counted after the first reset\r\n"));
    }

    void aFileThatCannotBeArchivedStays() {
        QTemporaryDir dir;
        AppContext context(dir.path());
        const QString count = dir.filePath("Files/");
        writeFile(count + "Stk3001.txt", "lines\r\n");
        const QString save = dir.filePath("Save/");
        // The archive folder cannot be made: a file holds its place.
        writeFile(save + "Archives", "not a folder");
        writeFile(SectorDatabase::path(context), "sector records");
        const CampaignReset::Outcome outcome =
            CampaignReset::archiveFiles(context, count, save, QDate(2024, 3, 15));
        QVERIFY(outcome.notArchived.contains(save + "Archives"));
        QVERIFY(outcome.notArchived.contains(count + "Stk3001.txt"));
        QVERIFY(outcome.notArchived.contains(SectorDatabase::path(context)));
        QCOMPARE(readFile(SectorDatabase::path(context)), QByteArray("sector records"));
        QCOMPARE(readFile(count + "Stk3001.txt"), QByteArray("lines\r\n"));
    }

    void commandLineReset() {
        QTemporaryDir dir;
        AppContext context(dir.path());
        writeFile(context.configPath(), "[CONF]\nLNG=FR\n");
        writeFile(dir.filePath("Files/Stk3001.txt"), "lines\r\n");
        {
            DataModule data;
            SectorDatabase::ensureOpen(data, context);
            QCOMPARE(rows(data, "LISTESECT") > 0, true); // the template's sectors
        }
        const QStringList home{"--home", dir.path()};
        CliRun run = runCli(home + QStringList{"reset"}); // no terminal: No
        QCOMPARE(run.exitCode, 3);
        QVERIFY(run.out.contains(Translation::lookup("FParam_NonEnvoyes", "FR").arg(1)));
        QVERIFY(QFile::exists(dir.filePath("Files/Stk3001.txt")));

        run = runCli(home + QStringList{"reset", "--yes"});
        QCOMPARE(run.exitCode, 0);
        const QString archive =
            dir.filePath("Files/Save/Archives/") + QDate::currentDate().toString("yyyyMMdd");
        QVERIFY2(run.out.contains(cliText("Cli_ReinitFaite", {archive}, "FR")),
                 qPrintable(run.out));
        QCOMPARE(readFile(archive + "/Stk3001.txt"), QByteArray("lines\r\n"));
        DataModule data;
        SectorDatabase::ensureOpen(data, context);
        QCOMPARE(rows(data, "LISTESECT"), 0);
        QCOMPARE(rows(data, "DETSECT"), 0);
    }

    // ---- the command line of the server settings ----

    void commandLineServerTest() {
        Home home(m_directory, QByteArray("[FTP]\nHOST=127.0.0.1\nLOGIN=") + FtpServer::kUser +
                                   "\nMDP=" + FtpServer::kPassword + "\nDIR=incoming\n");
        const QStringList args{"--home", home.dir.path(), "test-server"};
        CliRun run = runCli(args);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.trimmed(), QString("Connect OK"));
        home.context.config().writeString("FTP", "DIR", "missing");
        run = runCli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains("Changedir error  directory ERROR"));
        home.context.config().writeString("FTP", "MDP", "s3cret-never-shown");
        run = runCli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains("Connect error  host , id or password"));
        QVERIFY(!(run.out + run.err).contains("s3cret-never-shown"));
    }

    void commandLineFetchSettings() {
        Home home(m_directory);
        const QStringList args{"--home", home.dir.path(), "fetch-settings"};
        CliRun run = runCli(args + QStringList{"nobody"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(cliText("Cli_MagasinInconnu", {"nobody"}, "FR")));
        QCOMPARE(home.value("CONF", "CODELIB"), QString("<absent>"));

        run = runCli(args + QStringList{"SHOP42"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(home.value("CONF", "CODELIB"), QString("SHOP42"));
        QCOMPARE(home.value("CONF", "DBLIB"), QString("srv:/data/shop42.fdb"));
        QCOMPARE(home.value("FTP", "CHECK"), QString("1"));
        QCOMPARE(home.value("FTP", "HOST"), QString("ftp.shop42.test"));
        QCOMPARE(home.value("FTP", "MDP"), QString("p42"));
        QCOMPARE(home.value("FTP", "PORT"), QString("2222"));
        QCOMPARE(home.value("FTP", "SSHKEY"), QString("k42.ppk"));
        QVERIFY(run.out.contains(cliText("Cli_Hote", {"ftp.shop42.test"}, "FR")));
        QVERIFY(run.out.contains(cliText("Cli_MotDePasse", {"********"}, "FR")));
        QVERIFY(!run.out.contains(cliText("Cli_MotDePasse", {"p42"}, "FR")));

        // The directory unreachable: the reason, nothing written.
        Home away(QString("127.0.0.1/%1:/nowhere.fdb").arg(freePort()));
        run = runCli({"--home", away.dir.path(), "fetch-settings", "shop42"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(cliText("Cli_AnnuaireKo", {""}, "FR").left(20)));
        QCOMPARE(away.value("CONF", "CODELIB"), QString("<absent>"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
