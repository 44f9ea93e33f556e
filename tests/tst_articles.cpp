#include "core/articles/articlebuild.h"
#include "core/articles/articletransfer.h"
#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/cp1252.h"
#include "support/adbdouble.h"
#include "support/cli.h"
#include "support/files.h"
#include "support/firebirdserver.h"
#include "support/scriptedinteraction.h"
#include "support/servers.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using ArticleBuild::Families;
using ArticleBuild::Outcome;
using ArticleBuild::Request;

namespace {

// Every row of an article code database, in rowid order, and whether its index is there.
struct Codes {
    QStringList rows;
    bool indexed = false;
};
Codes readCodes(const QString &path) {
    Codes codes;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "codes");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("SELECT Code FROM GENCOD ORDER BY rowid");
            while (q.next())
                codes.rows << q.value(0).toString();
            q.exec("SELECT COUNT(*) FROM sqlite_master WHERE name = 'GENCOD_INDEX'");
            codes.indexed = q.next() && q.value(0).toInt() == 1;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("codes");
    return codes;
}

Families only(bool Families::*flag) {
    Families families;
    families.*flag = true;
    return families;
}

Families everything() {
    Families families;
    ArticleBuild::parseFamilies(ArticleBuild::familyCodes(), families, nullptr);
    families.allProducts = true;
    return families;
}

// The store's products by family, with promotions and linked products.
const QStringList kLivre{"9782070360024", "9782253004226"};
const QStringList kVideo{"3700000000013"};
const QString kOtherFamily = "1111111111116"; // a family outside the six
const QString kPromotion = "3333333333338";   // active, not ended, of no chosen family
const QString kLinked = "6666666666666";      // linked product in state 10

} // namespace

class TestArticles : public QObject {
    Q_OBJECT

    FirebirdServer m_firebird;
    QString m_store;     // connection string of the store database
    QString m_notAStore; // a Firebird database without Gestion

    struct Home {
        QTemporaryDir dir;
        AppContext context{dir.path()};
        DataModule data;
        Home() {
            context.setLanguage("FR");
            data.setStoreAccount();
        }
        QString database() const { return ArticleBuild::databasePath(context); }
        // The log is written in Windows-1252.
        QString log() const { return Cp1252::decode(readFile(context.logPath())); }
    };

    Outcome fromStore(Home &home, const Families &families) {
        Request request;
        request.storeDatabase = m_store;
        request.shopCode = "LIB01";
        request.families = families;
        return ArticleBuild::build(home.context, home.data, request);
    }
    Outcome fromText(Home &home, const QString &file) {
        Request request;
        request.source = Request::Source::TextFile;
        request.textFile = file;
        return ArticleBuild::build(home.context, home.data, request);
    }

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
        Translation::setMessageLanguage("FR");
        QString error;
        QVERIFY2(m_firebird.start(&error), qPrintable(error));
        const QString grants = "CREATE ROLE RQRAPP;\n"
                               "GRANT RQRAPP TO QUOREL;\n";
        QString sql =
            "CREATE TABLE Gestion (ID INTEGER);\n"
            "CREATE TABLE PRODUIT (GCD_FABRICANT VARCHAR(20), CODE_PRODUIT VARCHAR(5));\n"
            "CREATE TABLE appromo (gcd_fabricant_app VARCHAR(20), active_app INTEGER, "
            "date_to_app DATE);\n"
            "CREATE TABLE produitslies (gcd_produit VARCHAR(20), etat INTEGER);\n" +
            grants +
            "GRANT SELECT ON Gestion TO ROLE RQRAPP;\nGRANT SELECT ON PRODUIT TO ROLE RQRAPP;\n"
            "GRANT SELECT ON appromo TO ROLE RQRAPP;\n"
            "GRANT SELECT ON produitslies TO ROLE RQRAPP;\n"
            "INSERT INTO Gestion VALUES (1);\n";
        for (const QString &code : kLivre)
            sql += "INSERT INTO PRODUIT VALUES ('" + code + "', 'LIVRE');\n";
        for (const QString &code : kVideo)
            sql += "INSERT INTO PRODUIT VALUES ('" + code + "', 'VIDEO');\n";
        sql += "INSERT INTO PRODUIT VALUES ('" + kOtherFamily +
               "', 'AUTRE');\n"
               "INSERT INTO appromo VALUES ('" +
               kPromotion +
               "', 1, '2099-12-31');\n"
               "INSERT INTO appromo VALUES ('" +
               kLivre.first() +
               "', 1, '2099-12-31');\n"
               "INSERT INTO appromo VALUES ('4444444444444', 0, '2099-12-31');\n"
               "INSERT INTO appromo VALUES ('5555555555550', 1, '2001-01-01');\n"
               "INSERT INTO produitslies VALUES ('" +
               kLinked +
               "', 10);\n"
               "INSERT INTO produitslies VALUES ('7777777777772', 5);\n";
        const QString store = m_firebird.filePath("store.fdb");
        QVERIFY2(m_firebird.createDatabase(store, sql, &error), qPrintable(error));
        m_store = m_firebird.connectionString(store);
        const QString bare = m_firebird.filePath("bare.fdb");
        QVERIFY2(
            m_firebird.createDatabase(bare, "CREATE TABLE PRODUIT (X INTEGER);\n" + grants, &error),
            qPrintable(error));
        m_notAStore = m_firebird.connectionString(bare);
    }

    void familyFilters() {
        Families all;
        ArticleBuild::parseFamilies(ArticleBuild::familyCodes(), all, nullptr);
        QCOMPARE(ArticleBuild::familyFilter(all),
                 QString("WHERE CODE_PRODUIT IN ('MEDIA', 'PAPET', 'VIDEO', 'DISQU', 'DIVER', "
                         "'LIVRE')"));
        QCOMPARE(ArticleBuild::codeStatement(only(&Families::livre)).section("\r\n", 0, 0),
                 QString("SELECT a.GCD_FABRICANT FROM PRODUIT a WHERE CODE_PRODUIT IN ('LIVRE')"));
        Families two;
        two.video = two.livre = true;
        QCOMPARE(ArticleBuild::familyList(two), QString("'VIDEO', 'LIVRE'"));
        QCOMPARE(ArticleBuild::familyFilter(everything()), QString());
        QCOMPARE(ArticleBuild::countStatement(everything()),
                 QString("SELECT count (*) FROM ( SELECT a.GCD_FABRICANT FROM PRODUIT a \r\n"
                         "union\r\n"
                         "Select ap.gcd_fabricant_app from appromo ap where ap.active_app = 1 "
                         "and ap.date_to_app > 'now'\r\n"
                         "Union\r\n"
                         "Select  pl.gcd_produit from produitslies pl where pl.etat = 10\r\n)"));

        Families parsed;
        QString unknown;
        QVERIFY(ArticleBuild::parseFamilies({"livre", "MULTIMEDIA", "disqu"}, parsed, &unknown));
        QVERIFY(parsed.livre && parsed.media && parsed.disque && !parsed.video);
        QVERIFY(!ArticleBuild::parseFamilies({"LIVRE", "BD"}, parsed, &unknown));
        QCOMPARE(unknown, QString("BD"));
    }

    void storeSource_data() {
        QTest::addColumn<Families>("families");
        QTest::addColumn<QStringList>("codes");
        // The promotion and the linked product come whatever the families; a code both a
        // product and in a promotion comes once.
        QTest::newRow("LIVRE") << only(&Families::livre)
                               << (QStringList(kLivre) << kPromotion << kLinked);
        QTest::newRow("VIDEO") << only(&Families::video)
                               << (QStringList(kVideo) << kLivre.first() << kPromotion << kLinked);
        QTest::newRow("all products")
            << everything()
            << (QStringList(kLivre) << kVideo << kOtherFamily << kPromotion << kLinked);
    }
    void storeSource() {
        QFETCH(Families, families);
        QFETCH(QStringList, codes);
        Home home;
        const Outcome outcome = fromStore(home, families);
        QCOMPARE(outcome.error, QString());
        QCOMPARE(outcome.end, Outcome::End::Built);
        QCOMPARE(outcome.expected, codes.size()); // N from the count query
        const Codes built = readCodes(home.database());
        QStringList rows = built.rows;
        rows.sort();
        codes.sort();
        QCOMPARE(rows, codes);
        QVERIFY(built.indexed);
        QVERIFY(!home.data.storeDatabase().isOpen());
        // The log: its first line, the start with shop and families, the end with N.
        const QStringList log = home.log().split("\r\n", Qt::SkipEmptyParts);
        QVERIFY2(log.size() == 3, qPrintable(log.join('\n')));
        QVERIFY(log[0].endsWith("] " + Translation::lookup("FChargeDB_CreaLog", "FR")));
        QVERIFY(log[1].endsWith("] " + Translation::lookup("FChargeDB_CreaDB", "FR") + " LIB01 (" +
                                ArticleBuild::familyList(families) + ")"));
        QVERIFY(log[2].endsWith(QString("] %1 (%2 %3).")
                                    .arg(Translation::lookup("FChargeDB_FinDB", "FR"))
                                    .arg(codes.size())
                                    .arg(Translation::lookup("FChargeDB_FinDB2", "FR"))));
        QCOMPARE(ArticleBuild::finishedMessage(home.context, outcome),
                 QString("%1 (%2 %3). %4")
                     .arg(Translation::lookup("FChargeDB_FinDB", "FR"))
                     .arg(codes.size())
                     .arg(Translation::lookup("FChargeDB_FinDB2", "FR"),
                          Translation::lookup("FChargeDB_FinDB3", "FR")));
    }

    void textSource() {
        Home home;
        writeFile(home.dir.filePath("codes.txt"), "9782070360024\r\n\r\n 123\r\n");
        const Outcome outcome = fromText(home, home.dir.filePath("codes.txt"));
        QCOMPARE(outcome.end, Outcome::End::Built);
        QCOMPARE(outcome.expected, 3);
        const Codes built = readCodes(home.database());
        QCOMPARE(built.rows, (QStringList{"9782070360024", "", " 123"})); // unchanged
        QVERIFY(!built.indexed);
        QCOMPARE(outcome.suspicious.size(), 1);
        QCOMPARE(outcome.suspicious.first().row, 2);
        QVERIFY(home.log().contains(Translation::lookup("FChargeDB_CreaDB", "FR") +
                                    home.dir.filePath("codes.txt")));
        // Line endings of every kind; Windows-1252 text arrives as the same characters.
        writeFile(home.dir.filePath("mixed.txt"), "A\nB\rC\r\nD\xe9");
        fromText(home, home.dir.filePath("mixed.txt"));
        QCOMPARE(readCodes(home.database()).rows, (QStringList{"A", "B", "C", "D\u00e9"}));
    }

    void suspiciousCodes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("EAN-13 right") << "9782070360024"
                                      << "";
        QTest::newRow("EAN-13 wrong") << "9782070360025"
                                      << "Art_Ean13";
        QTest::newRow("EAN-13 padded") << "9782070360024 "
                                       << "";
        QTest::newRow("ISBN-10 right") << "2070360024"
                                       << "";
        QTest::newRow("ISBN-10 X right") << "080442957X"
                                         << "";
        QTest::newRow("ISBN-10 wrong") << "2070360025"
                                       << "Art_Isbn10";
        QTest::newRow("empty") << ""
                               << "Art_CodeVide";
        QTest::newRow("blank") << "   "
                               << "Art_CodeVide";
        QTest::newRow("14 characters") << "97820703600241"
                                       << "Art_CodeLong";
        QTest::newRow("in-house code") << "ABC-12"
                                       << "";
        QTest::newRow("UPC-12") << "036000291452"
                                << "";
    }
    void suspiciousCodes() {
        QFETCH(QString, code);
        QFETCH(QString, reason);
        QCOMPARE(ArticleBuild::suspicion(code), reason);
    }

    void suspiciousCodesAreReported() {
        Home home;
        writeFile(home.dir.filePath("codes.txt"),
                  "9782070360024\n9782070360025\n\n12345678901234\n");
        const Outcome outcome = fromText(home, home.dir.filePath("codes.txt"));
        QCOMPARE(outcome.end, Outcome::End::Built);
        QCOMPARE(readCodes(home.database()).rows.size(), 4); // inserted all the same
        QCOMPARE(QString::fromUtf8(ArticleBuild::report(home.context, outcome)),
                 QString("2\t9782070360025\t%1\n3\t\t%2\n4\t12345678901234\t%3\n")
                     .arg(Translation::lookup("Art_Ean13", "FR"),
                          Translation::lookup("Art_CodeVide", "FR"),
                          Translation::lookup("Art_CodeLong", "FR")));
        QVERIFY(ArticleBuild::finishedMessage(home.context, outcome)
                    .endsWith(Translation::lookup("Art_Suspects", "FR").arg(3)));
        QVERIFY(home.log().contains(Translation::lookup("Art_Suspects", "FR").arg(3)));
    }

    // Whatever stops a build, the database the handheld would get is the previous one.
    void aFailedBuildKeepsThePreviousDatabase_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("end");
        QTest::newRow("text file missing") << 1 << "missing.txt" << int(Outcome::End::Failed);
        QTest::newRow("store unreachable")
            << 0 << QString("127.0.0.1/%1:/nowhere.fdb").arg(freePort())
            << int(Outcome::End::Failed);
        QTest::newRow("not a store database") << 0 << "bare" << int(Outcome::End::Failed);
        QTest::newRow("no store database") << 0 << "" << int(Outcome::End::NoSource);
    }
    void aFailedBuildKeepsThePreviousDatabase() {
        QFETCH(int, source);
        QFETCH(QString, where);
        QFETCH(int, end);
        Home home;
        writeFile(home.dir.filePath("codes.txt"), "9782070360024\n");
        QCOMPARE(fromText(home, home.dir.filePath("codes.txt")).end, Outcome::End::Built);
        const QByteArray before = readFile(home.database());
        Request request;
        request.families = everything();
        if (source == 1) {
            request.source = Request::Source::TextFile;
            request.textFile = home.dir.filePath(where);
        } else {
            request.storeDatabase = where == "bare" ? m_notAStore : where;
        }
        const Outcome outcome = ArticleBuild::build(home.context, home.data, request);
        QCOMPARE(int(outcome.end), end);
        QCOMPARE(readFile(home.database()), before);
        QCOMPARE(QDir(home.dir.path()).entryList({".GenCodBD*"}, QDir::Files | QDir::Hidden),
                 QStringList());
        if (outcome.end == Outcome::End::Failed) {
            QVERIFY(outcome.error.startsWith(
                Translation::lookup("Art_Echec", "FR").section("%1", 0, 0)));
            QVERIFY(home.log().contains(outcome.error));
        }
    }

    void noFamilyTouchesNothing() {
        Home home;
        Request request;
        request.storeDatabase = m_store;
        QCOMPARE(ArticleBuild::build(home.context, home.data, request).end, Outcome::End::NoFamily);
        QVERIFY(!QFile::exists(home.database()));
        QVERIFY(!QFile::exists(home.context.logPath()));
    }

    // ---- the copy onto the handheld ----

    void transfer() {
        Home home;
        AdbDouble adb(home.dir.filePath("tools"));
        writeFile(home.context.configPath(), "[CONF]\nADB=" + adb.prefix().toUtf8() + "\n");
        ScriptedInteraction ui;
        // Disconnected: one message, nothing run, nothing logged.
        home.context.handheldState = HandheldState::Disconnected;
        QCOMPARE(ArticleTransfer::run(home.context, ui), ArticleTransfer::End::NoHandheld);
        home.context.handheldState = HandheldState::Undetermined; // counts as connected
        QCOMPARE(ArticleTransfer::run(home.context, ui), ArticleTransfer::End::NoDatabase);
        QCOMPARE(ui.notices, (QStringList{Translation::lookup("AppDeConnecte", "FR"),
                                          Translation::lookup("FTransfer_DbInexist", "FR")}));
        QVERIFY(adb.calls().isEmpty());
        QVERIFY(!QFile::exists(home.context.logPath()));

        adb.connectOne();
        writeFile(home.dir.filePath("codes.txt"), "9782070360024\n");
        fromText(home, home.dir.filePath("codes.txt"));
        ui.notices.clear();
        int copying = 0;
        QCOMPARE(ArticleTransfer::run(home.context, ui, [&] { ++copying; }),
                 ArticleTransfer::End::Pushed);
        QCOMPARE(copying, 1);
        QCOMPARE(adb.file(Bridge::kArticleDatabase), readFile(home.database()));
        QCOMPARE(ui.notices, QStringList{Translation::lookup("FTransfer_FinDB", "FR") + "\r\n" +
                                         Translation::lookup("FTransfer_FinDB2", "FR")});
        QVERIFY(home.log().contains(Translation::lookup("FTransfer_DebCopie", "FR")));
        QVERIFY(home.log().endsWith(Translation::lookup("FTransfer_FinDB", "FR") + "\r\n"));

        // A refused copy is told as such, in the tool's words, and logged.
        adb.failNext("push");
        ui.notices.clear();
        QCOMPARE(ArticleTransfer::run(home.context, ui), ArticleTransfer::End::Failed);
        QCOMPARE(ui.notices.size(), 1);
        QVERIFY(ui.notices.first().startsWith(
            Translation::lookup("Transfer_Echec", "FR").section("%1", 0, 0)));
        QVERIFY(ui.notices.first().size() >
                Translation::lookup("Transfer_Echec", "FR").size()); // the tool's words
        QVERIFY(home.log().endsWith(ui.notices.first() + "\r\n"));

        // Two handhelds: the tool would not choose.
        home.context.readyHandhelds = 2;
        ui.notices.clear();
        QCOMPARE(ArticleTransfer::run(home.context, ui), ArticleTransfer::End::SeveralHandhelds);
        QCOMPARE(ui.notices, QStringList{Translation::lookup("FVidage_Plusieurs", "FR")});
    }

    // ---- the command line ----

    void commandLineBuild() {
        Home home;
        writeFile(home.context.configPath(), "[CONF]\nLNG=FR\nCODELIB=LIB01\n");
        const QStringList args{"--home", home.dir.path(), "build-articles"};
        writeFile(home.dir.filePath("codes.txt"), "9782070360024\n9782070360025\n");
        CliRun run = runCli(args + QStringList{"--text", home.dir.filePath("codes.txt"), "--report",
                                               home.dir.filePath("report.txt")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(cliText("Cli_Codes", {"2"}, "FR")), qPrintable(run.out));
        QVERIFY(run.out.contains(cliText("Cli_Suspects", {"1"}, "FR")));
        QCOMPARE(readFile(home.dir.filePath("report.txt")),
                 "2\t9782070360025\t" + Translation::lookup("Art_Ean13", "FR").toUtf8() + "\n");

        run = runCli(args + QStringList{"--store", m_store, "--families", "livre,VIDEO"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readCodes(home.database()).rows.size(), 5);
        QVERIFY(home.log().contains("LIB01 ('VIDEO', 'LIVRE')"));

        const QByteArray before = readFile(home.database());
        run = runCli(args + QStringList{"--text", home.dir.filePath("missing.txt")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(Translation::lookup("Art_Echec", "FR").section("%1", 0, 0)));
        QCOMPARE(readFile(home.database()), before);

        for (const QStringList &wrong : {QStringList{}, QStringList{"--text", "a", "--store", "b"},
                                         QStringList{"--text", "a", "--families", "LIVRE"}})
            QCOMPARE(runCli(args + wrong).exitCode, 2);
        QCOMPARE(runCli(args + QStringList{"--store", m_store, "--families", "BD"}).exitCode, 2);
        QCOMPARE(runCli({"--home", home.dir.path(), "status", "--report", "x"}).exitCode, 2);
    }

    void commandLineTransfer() {
        Home home;
        AdbDouble adb(home.dir.filePath("tools"));
        writeFile(home.context.configPath(), "[CONF]\nLNG=FR\nADB=" + adb.prefix().toUtf8() + "\n");
        const QStringList args{"--home", home.dir.path(), "transfer"};
        CliRun run = runCli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains(cliText("AppDeConnecte", {}, "FR")));
        adb.connectOne();
        run = runCli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains(cliText("FTransfer_DbInexist", {}, "FR")));
        writeFile(home.dir.filePath("codes.txt"), "9782070360024\n");
        fromText(home, home.dir.filePath("codes.txt"));
        run = runCli(args);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(adb.file(Bridge::kArticleDatabase), readFile(home.database()));
        adb.failNext("push");
        QCOMPARE(runCli(args).exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestArticles)
#include "tst_articles.moc"
