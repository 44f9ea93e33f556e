#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/dump/dump.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/operationlock.h"
#include "core/sectors/sectordatabase.h"
#include "support/adbdouble.h"
#include "support/cli.h"
#include "support/scriptedinteraction.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"

using Answer = UserInteraction::Answer;
using End = Dump::Outcome::End;

namespace {

struct Row {
    QString zone;
    QString code;
    qint64 quantity;
    QString heure;
    QString valide;
};

QByteArray countDatabase(const QString &folder, const QList<Row> &rows) {
    const QString path = folder + "/handheld.s3db";
    QFile::remove(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "maker");
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot make the count database");
        QSqlQuery q(db);
        q.exec("CREATE TABLE GCD (ID INTEGER PRIMARY KEY, ZONE TEXT, Code TEXT, Quantite INTEGER, "
               "Heure TEXT, Valide TEXT)");
        db.transaction();
        for (const Row &row : rows) {
            q.prepare(
                "INSERT INTO GCD (ZONE, Code, Quantite, Heure, Valide) VALUES (?, ?, ?, ?, ?)");
            q.addBindValue(row.zone);
            q.addBindValue(row.code);
            q.addBindValue(row.quantity);
            q.addBindValue(row.heure);
            q.addBindValue(row.valide);
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("maker");
    return readFile(path);
}

// A workstation with a handheld (test double) plugged in.
struct Bench {
    QTemporaryDir dir;
    AdbDouble adb{dir.filePath("tools")};
    AppContext context{dir.path()};
    QString count = dir.filePath("Count") + "/";
    QString save = dir.filePath("Count/Save") + "/";
    DataModule data;
    ScriptedInteraction ui;
    int watchOn = 0;
    int uploads = 0;

    explicit Bench(const QList<Row> &rows, const QByteArray &conf = {}) {
        adb.connectOne();
        adb.putFile(Bridge::kCountDatabase, countDatabase(dir.path(), rows));
        QDir().mkpath(save);
        writeFile(context.configPath(),
                  "[CONF]\nADB=" + adb.prefix().toUtf8() + "\nEDITCHEMIN=" + count.toUtf8() +
                      "\nEDITCHEMINSECU=" + save.toUtf8() + "\nTRANSAUTO=T\n" + conf);
        context.toolsPrefix = adb.prefix();
        context.setLanguage("FR");
        context.handheldState = HandheldState::Connected;
        context.readyHandhelds = 1;
    }
    void setMode(const QString &mode) {
        adb.putFile(Bridge::kHandheldTempFolder + "Param.txt", mode.toUtf8() + "\r\n");
    }
    Dump::Activation activate() { return Dump::activate(context, data, ui, context.toolsPrefix); }
    Dump::Outcome run() {
        Dump::Hooks hooks;
        hooks.watchOn = [this] { ++watchOn; };
        hooks.startUpload = [this] { ++uploads; };
        return Dump::run(context, data, ui, context.toolsPrefix, hooks);
    }
    Dump::Outcome activateAndRun() {
        activate();
        return run();
    }
    QStringList files(const QString &folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The zones still on the handheld, with their quantities.
    QList<CountDatabase::ZoneQuantity> onHandheld() {
        const QString path = dir.filePath("check.s3db");
        QFile::remove(path);
        writeFile(path, adb.file(Bridge::kCountDatabase));
        DataModule check;
        check.openSqlite(path);
        return CountDatabase::zoneSummary(check.sqlite(), CountDatabase::Lines::All);
    }
    QStringList sql(const QString &statement) {
        SectorDatabase::ensureOpen(data, context);
        QSqlQuery q = data.sectorQuery();
        if (!q.exec(statement))
            qFatal("%s", qPrintable(statement));
        QStringList rows;
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << q.value(i).toString().trimmed();
            rows << fields.join('|');
        }
        return rows;
    }
    QString sector(int s) {
        const QStringList rows =
            sql(QString("SELECT SECTEUR, MINIMUM, MAXIMUM, NOM, ZONE, POURCENTAGE, "
                        "VOLUMES, ZONES FROM LISTESECT WHERE SECTEUR = %1")
                    .arg(s));
        return rows.value(0);
    }
    QString detail(const QString &zone) {
        return sql(QString(
                       "SELECT ZONE, QUANTITE, SECTEUR, COMPTEUR, NB_FICHIER, ETAT FROM DETSECT "
                       "WHERE ZONE = '%1'")
                       .arg(zone))
            .value(0);
    }
};

QString lookup(const char *key) {
    return Translation::lookup(key, "FR");
}
QString today() {
    return QDate::currentDate().toString("yyyyMMdd");
}

// Runs statements on the handheld's count database as it lies in the double's storage.
void onTheHandheld(AdbDouble &adb, const QStringList &statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "handheld-edit");
        db.setDatabaseName(adb.storagePath(Bridge::kCountDatabase));
        if (!db.open())
            qFatal("cannot open the handheld's database");
        for (const QString &statement : statements) {
            QSqlQuery q(db);
            if (!q.exec(statement))
                qFatal("%s", qPrintable(statement));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("handheld-edit");
}

// korvello-cli with the test's locale, killed at a crash point when one is given.
CliRun runDumpCli(const QString &home, const QByteArray &crashAt = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "fr_FR.UTF-8");
    if (!crashAt.isEmpty())
        env.insert("KORVELLO_TEST_CRASH_AT", QString::fromLatin1(crashAt));
    return runCli({"--home", home, "dump", "--yes"}, env);
}

} // namespace

class TestDump : public QObject {
    Q_OBJECT

    QString m_startDir;
    QTemporaryDir m_work;

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        m_startDir = QDir::currentPath();
        QDir::setCurrent(m_work.path()); // the sector database's trace file goes here
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void workedExample() {
        Bench b({{"3200", "9782070360024", 4, "10:00:00", "O"},
                 {"3200", "9782253004226", 2, "10:01:00", "O"}});
        b.sql("DELETE FROM DETSECT WHERE SECTEUR = 3");
        b.sql("DELETE FROM LISTESECT WHERE SECTEUR = 3");
        b.data.sectorDatabase().commit();
        const Dump::Outcome outcome = b.activateAndRun();
        QCOMPARE(outcome.end, End::Completed);
        QCOMPARE(outcome.written, QStringList{"Stk3200.txt"});
        const QByteArray expected = "3200,9782070360024,00004\r\n3200,9782253004226,00002\r\n";
        QCOMPARE(readFile(b.count + "Stk3200.txt"), expected);
        QCOMPARE(readFile(b.save + "Stk3200.txt"), expected);
        QCOMPARE(b.sector(3), QString("3|1|200|Secteur3|1/200|0,5%|6|3001 --> 3200"));
        QCOMPARE(b.detail("3200"), QString("3200|6|3|200|1|A"));
        QCOMPARE(b.detail("3001"), QString("3001|0|3|1|0|A"));
        QCOMPARE(b.detail("3199"), QString("3199|0|3|199|0|A"));
        QCOMPARE(b.sql("SELECT COUNT(*) FROM DETSECT WHERE SECTEUR = 3"), QStringList{"200"});
        QCOMPARE(b.ui.notices,
                 QStringList{"* " + lookup("FVidage_Transok") + " :\r\r- Stk3200.txt"});
        QVERIFY(b.onHandheld().isEmpty()); // dumped lines deleted on the handheld
        QVERIFY(!QFile::exists(b.count + "Temp"));
        QCOMPARE(b.files(b.count), QStringList{"Stk3200.txt"});
        QCOMPARE(b.uploads, 0);
    }

    void sectorBookkeeping_data() {
        QTest::addColumn<QStringList>("zones");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("sector");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QStringList>("details");
        QTest::newRow("two zones of a new sector")
            << QStringList{"4005", "4010"} << "" << 4 << "4|1|10|Secteur4|2/10|20%|3|4001 --> 4005"
            << QStringList{"4001|0|4|1|0|A", "4005|1|4|5|1|A", "4006|0|4|6|0|A", "4009|0|4|9|0|A",
                           "4010|2|4|10|1|A"};
        QTest::newRow("zone 000 of a new sector")
            << QStringList{"8000"} << "" << 8 << "8|0|0|Secteur8|1/1|100%|1|8000 --> 8000"
            << QStringList{"8000|1|8|0|1|A"};
        QTest::newRow("zone 000 widens an existing range")
            << QStringList{"7000"} << "" << 7 << "7|0|801|Secteur7|3/802|0,37%|17|7001 --> 7801"
            << QStringList{"7000|1|7|0|1|A"};
        QTest::newRow("zone above the maximum")
            << QStringList{"3204"} << "" << 3 << "3|1|204|Secteur3|2/204|0,98%|7|3001 --> 3200"
            << QStringList{"3201|0|3|201|0|A", "3203|0|3|203|0|A", "3204|1|3|204|1|A"};
        QTest::newRow("zone below the minimum")
            << QStringList{"9002"}
            << "INSERT INTO LISTESECT VALUES (9, 5, 6, 'Rayon', '0/2', '0%', 0, '9005 --> 9006')"
            << 9 << "9|5|6|Rayon|1/2|50%|1|9005 --> 9006" << QStringList{"9002|1|9|2|1|A"};
        QTest::newRow("gap rows that exist are kept")
            << QStringList{"3150"} << "UPDATE LISTESECT SET MAXIMUM = 100 WHERE SECTEUR = 3" << 3
            << "3|1|150|Secteur3|2/150|1,33%|7|3001 --> 3200"
            << QStringList{"3149|0|3|200|0|A", "3150|1|3|150|1|A"};
        QTest::newRow("zero-sum zone counts as dumped")
            << QStringList{"6001"} << "" << 6 << "6|0|1|Secteur6|2/2|100%|4|6000 --> 6000"
            << QStringList{"6001|0|6|1|1|A"};
    }
    void sectorBookkeeping() {
        QFETCH(QStringList, zones);
        QFETCH(QString, setup);
        QFETCH(int, sector);
        QFETCH(QString, row);
        QFETCH(QStringList, details);
        QList<Row> rows;
        int quantity = 1;
        for (const QString &zone : zones) {
            const bool zero = zone == "6001";
            rows << Row{zone, "9782070360024", zero ? 3 : quantity, "09:00:00", "O"};
            if (zero)
                rows << Row{zone, "9782070360024", -3, "09:01:00", "O"};
            ++quantity;
        }
        Bench b(rows);
        if (!setup.isEmpty()) {
            b.sql(setup);
            b.data.sectorDatabase().commit();
        }
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QCOMPARE(b.sector(sector), row);
        for (const QString &detail : details)
            QCOMPARE(b.detail(detail.left(4)), detail);
        if (zones == QStringList{"6001"}) {
            QVERIFY(!QFile::exists(b.count + "Stk6001.txt"));
            QCOMPARE(b.ui.notices, QStringList{"* " + lookup("FVidage_Transok") + " :\r"});
        }
    }

    void numericLineFormat() {
        Bench b({{"1025", "A1", 42, "", "O"},
                 {"1025", "A2", 123456, "", "O"},
                 {"1025", "A3", -5, "", "O"},
                 {"1025", "A4", 0, "", "O"},
                 {"1025", "A5", -123456, "", "O"}});
        b.activateAndRun();
        QCOMPARE(readFile(b.count + "Stk1025.txt"),
                 QByteArray("1025,A1,00042\r\n1025,A2,123456\r\n1025,A3,-00005\r\n"
                            "1025,A4,00000\r\n1025,A5,-123456\r\n"));
    }

    // SQLite keeps whatever type a value came with: every line reaches its count file as text,
    // in the table's order, the zones' lines mixed in the table or not.
    void linesStoredAnyWay_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QByteArray>("stk3001");
        QTest::addColumn<QByteArray>("stk3002");
        const QString insert =
            "INSERT INTO GCD (ZONE, Code, Quantite, Heure, Valide) VALUES (%1, %2, %3, '', 'O')";
        QTest::newRow("zones mixed in the table")
            << QStringList{insert.arg("'3001'", "'A'", "1"), insert.arg("'3002'", "'B'", "2"),
                           insert.arg("'3001'", "'C'", "3"), insert.arg("'3002'", "'D'", "4")}
            << QByteArray("3001,A,00001\r\n3001,C,00003\r\n")
            << QByteArray("3002,B,00002\r\n3002,D,00004\r\n");
        QTest::newRow("codes beyond ASCII, in Windows-1252")
            << QStringList{insert.arg("'3001'", "'Café'", "1"), insert.arg("'3002'", "'€5'", "2")}
            << QByteArray("3001,Caf\xE9,00001\r\n")
            << QByteArray("3002,\x80"
                          "5,00002\r\n");
        QTest::newRow("numbers stored as text, texts stored as numbers")
            << QStringList{insert.arg("3001", "12345", "'7'"), insert.arg("3002", "'B'", "3.0"),
                           insert.arg("3002", "NULL", "-2")}
            << QByteArray("3001,12345,00007\r\n") << QByteArray("3002,B,00003\r\n3002,,-00002\r\n");
    }
    void linesStoredAnyWay() {
        QFETCH(QStringList, statements);
        QFETCH(QByteArray, stk3001);
        QFETCH(QByteArray, stk3002);
        Bench b({});
        onTheHandheld(b.adb, statements);
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QCOMPARE(readFile(b.count + "Stk3001.txt"), stk3001);
        QCOMPARE(readFile(b.count + "Stk3002.txt"), stk3002);
        QCOMPARE(readFile(b.save + "Stk3002.txt"), stk3002);
        QVERIFY(b.onHandheld().isEmpty());
    }

    void alreadyDumped_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<int>("answer");
        QTest::newRow("numeric, yes") << "Numérique"
                                      << "Stk3002.txt" << int(Answer::Yes);
        QTest::newRow("numeric, cancel") << "Numérique"
                                         << "Stk3002.txt" << int(Answer::Cancel);
        QTest::newRow("numeric, name merely holding the zone")
            << "Numérique"
            << "A3002_x.txt" << int(Answer::Cancel);
        QTest::newRow("alphanumeric, yes") << "Alpha"
                                           << "300200005_202301011000.txt" << int(Answer::Yes);
        QTest::newRow("alphanumeric, cancel")
            << "Alpha"
            << "300200005_202301011000.txt" << int(Answer::Cancel);
    }
    void alreadyDumped() {
        QFETCH(QString, mode);
        QFETCH(QString, earlier);
        QFETCH(int, answer);
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}, {"3002", "C2", 2, "08:30:00", "O"}});
        b.setMode(mode);
        writeFile(b.save + earlier, "earlier\r\n");
        const QByteArray before = b.adb.file(Bridge::kCountDatabase);
        b.ui.answers = {Answer(answer)};
        const Dump::Outcome outcome = b.activateAndRun();
        QCOMPARE(b.ui.questions.size(), 1);
        // The language file's text loses its trailing blank when read; the question keeps it.
        QVERIFY2(b.ui.questions.first().startsWith(lookup("FVidage_zone") + " \"3002\" "),
                 qPrintable(b.ui.questions.first()));
        QCOMPARE(b.watchOn, outcome.end == End::Cancelled ? 1 : (mode == "Alpha" ? 1 : 0));
        if (Answer(answer) == Answer::Cancel) {
            QCOMPARE(outcome.end, End::Cancelled);
            QCOMPARE(b.adb.file(Bridge::kCountDatabase), before); // nothing pushed
            // Questions come before any file: the handheld keeps the lines, no file has them.
            QVERIFY(outcome.written.isEmpty());
            QVERIFY(b.files(b.count).isEmpty());
            QCOMPARE(b.files(b.save), QStringList{earlier});
            QVERIFY(!QFile::exists(b.count + "Temp"));
            QVERIFY(b.ui.notices.isEmpty());
        } else {
            QCOMPARE(outcome.end, End::Completed);
            QCOMPARE(outcome.written.size(), 2);
            QVERIFY(b.onHandheld().isEmpty());
        }
    }

    void validatedOnly_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("numeric") << "Numérique";
        QTest::newRow("alphanumeric") << "Alpha";
    }
    void validatedOnly() {
        QFETCH(QString, mode);
        Bench b({{"3001", "C1", 1, "08:00:00", "O"},
                 {"3002", "C2", 2, "08:30:00", "O"},
                 {"3002", "C3", 3, "08:40:00", "N"},
                 {"3003", "C4", 4, "09:00:00", "N"},
                 {"3004", "C5", 5, "09:00:00", "X"}},
                "VIDAGE=V\n");
        b.setMode(mode);
        const Dump::Outcome outcome = b.activateAndRun();
        QCOMPARE(outcome.end, End::Completed);
        QCOMPARE(outcome.written.size(), 2); // 3001 and 3002, with their validated lines
        // Only validated lines left the handheld.
        QCOMPARE(b.onHandheld(),
                 (QList<CountDatabase::ZoneQuantity>{{"3002", 3}, {"3003", 4}, {"3004", 5}}));
        const QString notice = b.ui.notices.value(0);
        if (mode == "Alpha") {
            QVERIFY(notice.endsWith("* " + lookup("FVidage_Transko") + "\r\r - 3002_" + today() +
                                    ".txt\r - 3003_" + today() + ".txt"));
            // The unvalidated line stays on the handheld, so no count file may hold it yet.
            QCOMPARE(readFile(b.count + outcome.written[1]), QByteArray("3002,C2,00002\r\n"));
        } else {
            QVERIFY(notice.endsWith("* " + lookup("FVidage_Transko") +
                                    ":\r\r - Stk3002.txt\r - Stk3003.txt"));
            QCOMPARE(readFile(b.count + "Stk3002.txt"), QByteArray("3002,C2,00002\r\n"));
            QCOMPARE(b.detail("3002").section('|', 1, 1), QString("2"));
        }
    }

    void onlyUnvalidatedZones_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("reported");
        QTest::newRow("numeric reports and pushes") << "Numérique" << true;
        QTest::newRow("alphanumeric does neither") << "Alpha" << false;
    }
    void onlyUnvalidatedZones() {
        QFETCH(QString, mode);
        QFETCH(bool, reported);
        Bench b({{"3003", "C4", 4, "09:00:00", "N"}}, "VIDAGE=V\n");
        b.setMode(mode);
        b.adb.clearCalls();
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QCOMPARE(b.ui.notices.size(), reported ? 1 : 0);
        bool pushed = false;
        for (const QStringList &call : b.adb.calls())
            pushed = pushed || call.value(0) == "push";
        QCOMPARE(pushed, reported);
        QCOMPARE(b.onHandheld().size(), 1);
    }

    void alphanumericNames() {
        Bench b({{"A12", "C1", 40, "10:47:12", "O"},
                 {"A12", "C2", 2, "11:00:00", "O"},
                 {"Z0", "C3", 0, "07:05:00", "O"},
                 {"NEG", "C4", -5, "", "O"},
                 {"R_1", "C5", 1, "12:00:00", "O"},
                 {"L'Ami", "C6", 123456, "13:30:00", "O"}});
        b.setMode("Alpha");
        writeFile(b.save + "R_1_00001_20200101.txt", "old"); // a zone with "_" is never found again
        const Dump::Outcome outcome = b.activateAndRun();
        QCOMPARE(outcome.end, End::Completed);
        QVERIFY(b.ui.questions.isEmpty());
        const QString d = today();
        QCOMPARE(outcome.written,
                 (QStringList{"A1200042_" + d + "1047.txt", "L'Ami123456_" + d + "1330.txt",
                              "NEG000-5_" + d + ".txt", "R_100001_" + d + "1200.txt",
                              "Z000000_" + d + "0705.txt"}));
        QCOMPARE(readFile(b.count + "NEG000-5_" + d + ".txt"), QByteArray("NEG,C4,000-5\r\n"));
        QCOMPARE(readFile(b.save + "A1200042_" + d + "1047.txt"),
                 QByteArray("A12,C1,00040\r\nA12,C2,00002\r\n"));
        QCOMPARE(b.watchOn, 1);
        QVERIFY(!QFile::exists(b.dir.path() + "/ListeSectBD.fdb")); // no sector records
    }

    void unsafeZonesStopBeforeAnything_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("zone");
        QTest::newRow("separator") << "Alpha"
                                   << "../escape";
        QTest::newRow("backslash") << "Alpha"
                                   << "a\\b";
        QTest::newRow("control character") << "Alpha"
                                           << "a\tb";
        QTest::newRow("forbidden on Windows") << "Alpha"
                                              << "a?b";
        QTest::newRow("numeric mode, not numeric") << "Numérique"
                                                   << "3/01";
    }
    void unsafeZonesStopBeforeAnything() {
        QFETCH(QString, mode);
        QFETCH(QString, zone);
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}, {zone, "C2", 2, "08:30:00", "O"}});
        b.setMode(mode);
        const QByteArray before = b.adb.file(Bridge::kCountDatabase);
        try {
            b.activateAndRun();
            QFAIL("the dump went on");
        } catch (const KorvelloError &error) {
            QVERIFY2(error.message().contains(zone), qPrintable(error.message()));
        }
        QVERIFY(b.files(b.count).isEmpty());
        QVERIFY(b.files(b.save).isEmpty());
        QCOMPARE(b.adb.file(Bridge::kCountDatabase), before);
        QVERIFY(!QFile::exists(b.dir.filePath("escape")));
    }

    void writeFailureLeavesTheHandheldAlone() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}, {"3002", "C2", 2, "08:30:00", "O"}});
        QVERIFY(QDir().mkpath(b.count + "Stk3002.txt")); // no file can take this place
        const QByteArray before = b.adb.file(Bridge::kCountDatabase);
        const QStringList sectors = b.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR");
        const QStringList zones = b.sql("SELECT * FROM DETSECT ORDER BY ZONE");
        QVERIFY_THROWS_EXCEPTION(KorvelloError, b.activateAndRun());
        QCOMPARE(b.adb.file(Bridge::kCountDatabase), before);
        // The handheld keeps its lines, so no count file, save copy or sector row keeps them;
        // no half-written or temporary file is left.
        QVERIFY(b.files(b.count).isEmpty());
        QVERIFY(b.files(b.save).isEmpty());
        QCOMPARE(b.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR"), sectors);
        QCOMPARE(b.sql("SELECT * FROM DETSECT ORDER BY ZONE"), zones);
    }

    void damagedSectorDatabaseStopsBeforeAnyFile() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        writeFile(b.dir.filePath("ListeSectBD.fdb"), QByteArray(8192, 'x'));
        const QByteArray before = b.adb.file(Bridge::kCountDatabase);
        b.activate();
        QVERIFY_THROWS_EXCEPTION(KorvelloError, b.run());
        QVERIFY(b.files(b.count).isEmpty());
        QCOMPARE(b.adb.file(Bridge::kCountDatabase), before);
    }

    void failedPushIsTold() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        b.activate();
        const QByteArray before = b.adb.file(Bridge::kCountDatabase);
        const QStringList sectors = b.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR");
        const QStringList zones = b.sql("SELECT * FROM DETSECT ORDER BY ZONE");
        b.adb.failNext("push");
        try {
            b.run();
            QFAIL("a refused push was taken for a dump");
        } catch (const KorvelloError &error) {
            QVERIFY2(error.message().startsWith(lookup("FVidage_PushKo")),
                     qPrintable(error.message()));
            QVERIFY(error.message().contains("remote write failed"));
        }
        QVERIFY(b.ui.notices.isEmpty()); // no report of files that are gone
        QCOMPARE(b.adb.file(Bridge::kCountDatabase), before);
        QVERIFY(b.files(b.count).isEmpty());
        QVERIFY(b.files(b.save).isEmpty());
        QCOMPARE(b.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR"), sectors);
        QCOMPARE(b.sql("SELECT * FROM DETSECT ORDER BY ZONE"), zones);
        QVERIFY(!QFile::exists(b.dir.filePath("DumpJournal")));
    }

    void severalHandheldsPullNothing() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        b.adb.setDevices({"R1\tdevice", "R2\tdevice"});
        b.context.readyHandhelds = 2;
        b.adb.clearCalls();
        QCOMPARE(b.activate().state, Dump::Activation::State::SeveralHandhelds);
        QCOMPARE(b.run().end, End::NothingToDo);
        QVERIFY(b.adb.calls().isEmpty());
        QCOMPARE(b.ui.notices.value(0), lookup("FVidage_Plusieurs"));
    }

    void activationStates() {
        Bench empty({});
        QCOMPARE(empty.activate().state, Dump::Activation::State::EmptyTable);
        QCOMPARE(empty.ui.notices, QStringList{lookup("FVidage_Pasfichier")});
        QVERIFY(readFile(empty.context.logPath())
                    .contains((lookup("FVidage_PasZone") + lookup("FVidage_PasZone2")).toLatin1()));
        QCOMPARE(empty.run().end, End::NothingToDo);

        Bench gone({{"3001", "C1", 1, "08:00:00", "O"}});
        gone.context.handheldState = HandheldState::Disconnected;
        QCOMPARE(gone.activate().state, Dump::Activation::State::NoHandheld);
        QCOMPARE(gone.run().end, End::NothingToDo);

        // The mode is read once; later activations keep it.
        Bench mode({{"3001", "C1", 1, "08:00:00", "O"}});
        mode.setMode("Alpha");
        QCOMPARE(mode.activate().state, Dump::Activation::State::Zones);
        QCOMPARE(mode.context.dumpMode, QString("Alpha"));
        mode.setMode("Numérique");
        mode.activate();
        QCOMPARE(mode.context.dumpModeLabel, QString("Alpha"));
        mode.context.dumpModeLabel.clear(); // what the re-initialisation does
        mode.activate();
        QCOMPARE(mode.context.dumpMode, QString("Numérique"));
    }

    void automaticUpload() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}}, "TRANSAUTO=V\n");
        b.context.config().writeString("CONF", "TRANSAUTO", "V");
        b.activateAndRun();
        QCOMPARE(b.uploads, 1);
    }

    // A dump killed anywhere, then the next start and dump: every line in exactly one count
    // file (and save copy), the handheld empty, the sector rows those of one clean dump.
    void killedDumpLosesAndDoublesNothing_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("crashAt");
        for (const char *point : {"file:1", "file:4", "sectors", "before-push", "after-push"})
            QTest::addRow("numeric, %s", point) << "Numérique" << QByteArray(point);
        for (const char *point : {"file:3", "before-push", "after-push"})
            QTest::addRow("alphanumeric, %s", point) << "Alpha" << QByteArray(point);
    }
    void killedDumpLosesAndDoublesNothing() {
        QFETCH(QString, mode);
        QFETCH(QByteArray, crashAt);
        const QList<Row> rows{{"3001", "C1", 1, "08:00:00", "O"},
                              {"3001", "C2", 2, "08:01:00", "O"},
                              {"3002", "C3", 3, "08:30:00", "O"},
                              {"4005", "C4", 7, "09:00:00", "O"}};
        // An earlier dump of 3001, not sent yet: its lines must stay, once.
        const QByteArray earlier = "3001,C0,00005\r\n";
        auto prepare = [&](Bench &b) {
            b.setMode(mode);
            if (mode == "Numérique") {
                writeFile(b.count + "Stk3001.txt", earlier);
                writeFile(b.save + "Stk3001.txt", earlier);
            }
        };
        Bench clean(rows);
        prepare(clean);
        QCOMPARE(runDumpCli(clean.dir.path()).exitCode, 0);

        Bench b(rows);
        prepare(b);
        QCOMPARE(runDumpCli(b.dir.path(), crashAt).exitCode, -1); // killed
        const int again = runDumpCli(b.dir.path()).exitCode;
        QVERIFY2(again == 0 || (again == 4 && crashAt == "after-push"),
                 qPrintable(QString::number(again)));

        QVERIFY(b.onHandheld().isEmpty());
        QVERIFY(!QFile::exists(b.dir.filePath("DumpJournal")));
        QCOMPARE(b.files(b.count), clean.files(clean.count));
        QCOMPARE(b.files(b.save), clean.files(clean.save));
        for (const QString &name : clean.files(clean.count)) {
            QCOMPARE(readFile(b.count + name), readFile(clean.count + name));
            QCOMPARE(readFile(b.save + name), readFile(clean.save + name));
        }
        if (mode == "Numérique") {
            QCOMPARE(readFile(b.count + "Stk3001.txt"),
                     earlier + "3001,C1,00001\r\n3001,C2,00002\r\n");
            QCOMPARE(b.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR"),
                     clean.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR"));
            QCOMPARE(b.sql("SELECT * FROM DETSECT ORDER BY ZONE"),
                     clean.sql("SELECT * FROM DETSECT ORDER BY ZONE"));
        }
    }

    // An unsettled dump whose handheld is away is neither undone nor completed: the next
    // dump and the upload refuse until the handheld is back.
    void unsettledDumpWaitsForItsHandheld() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        QCOMPARE(runDumpCli(b.dir.path(), "before-push").exitCode, -1);
        b.adb.setDevices({});
        CliRun run = runCli({"--home", b.dir.path(), "upload", "--yes"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(cliText("Dump_Inacheve")), qPrintable(run.err));
        QVERIFY(QFile::exists(b.count + "Stk3001.txt")); // not undone blindly
        b.adb.connectOne();
        QCOMPARE(runDumpCli(b.dir.path()).exitCode, 0);
        QCOMPARE(readFile(b.count + "Stk3001.txt"), QByteArray("3001,C1,00001\r\n"));
        QVERIFY(b.onHandheld().isEmpty());
    }

    // A journal SQLite left next to an old copy would roll a fresh pull back.
    void staleSqliteJournalIsNeverMet() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}, {"3002", "C2", 2, "08:30:00", "O"}});
        const QString temp = b.count + "Temp/";
        {
            writeFile(temp + "Inventaire.s3db", b.adb.file(Bridge::kCountDatabase));
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "killed");
            db.setDatabaseName(temp + "Inventaire.s3db");
            QVERIFY(db.open());
            QVERIFY(db.transaction());
            QSqlQuery(db).exec("DELETE FROM GCD");
            // The hot journal of a process killed in the middle of its delete.
            QVERIFY(QFile::copy(temp + "Inventaire.s3db-journal", temp + "hot-journal"));
            db.rollback();
            db.close();
        }
        QSqlDatabase::removeDatabase("killed");
        QVERIFY(QFile::rename(temp + "hot-journal", temp + "Inventaire.s3db-journal"));
        // Lines counted since: the handheld's database has grown.
        onTheHandheld(b.adb, {"INSERT INTO GCD (ZONE, Code, Quantite, Heure, Valide) VALUES "
                              "('3003', 'C3', 3, '09:00:00', 'O')"});
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QCOMPARE(b.files(b.count), (QStringList{"Stk3001.txt", "Stk3002.txt", "Stk3003.txt"}));
        QVERIFY(b.onHandheld().isEmpty());
    }

    // A pull that fails never lets an earlier copy stand in for the handheld.
    void failedPullStopsTheDump() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        writeFile(b.count + "Temp/Inventaire.s3db",
                  countDatabase(b.dir.path(), {{"9001", "OLD", 1, "07:00:00", "O"}}));
        b.adb.putFile(Bridge::kCountDatabase,
                      countDatabase(b.dir.path(), {{"3001", "C1", 1, "08:00:00", "O"}}));
        b.adb.failNext("pull");
        QCOMPARE(b.activate().state, Dump::Activation::State::NoTable);
        QCOMPARE(b.run().end, End::NothingToDo);

        // The pull just before the push fails: the dump is undone.
        QCOMPARE(b.activate().state, Dump::Activation::State::Zones);
        b.adb.failNext("pull");
        try {
            b.run();
            QFAIL("the dump went on without a fresh copy of the handheld");
        } catch (const KorvelloError &error) {
            QVERIFY(error.message().startsWith(lookup("Dump_PullKo")));
            QVERIFY(error.message().contains("connection reset"));
        }
        QVERIFY(b.files(b.count).isEmpty());
        QCOMPARE(b.onHandheld(), (QList<CountDatabase::ZoneQuantity>{{"3001", 1}}));
        QVERIFY(!QFile::exists(b.count + "Temp"));
    }

    // Lines counted on the handheld while the dump runs stay on the handheld.
    void linesCountedDuringTheDumpStay() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        b.adb.afterNextPull("INSERT INTO GCD (ZONE, Code, Quantite, Heure, Valide) VALUES "
                            "('3001', 'LATE', 4, '08:05:00', 'O');");
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QCOMPARE(readFile(b.count + "Stk3001.txt"), QByteArray("3001,C1,00001\r\n"));
        QCOMPARE(b.onHandheld(), (QList<CountDatabase::ZoneQuantity>{{"3001", 4}}));
    }

    // Without "EDITCHEMIN" the free-text dump's files go to its own default folder, and the
    // push goes from where the handheld was pulled: the handheld is cleared.
    void alphanumericDumpWithoutCountFolderSetting() {
        Bench b({{"A1", "C1", 1, "08:00:00", "O"}});
        b.setMode("Alpha");
        writeFile(b.context.configPath(),
                  "[CONF]\nADB=" + b.adb.prefix().toUtf8() + "\nTRANSAUTO=T\n");
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QVERIFY(b.onHandheld().isEmpty());
        QCOMPARE(b.files(b.dir.filePath("Files")).size(), 1);
        QVERIFY(!QFile::exists(b.dir.filePath("Fichiers/Temp")));
    }

    // A refused push through korvello-cli: an error, no automatic upload, nothing kept.
    void commandLineRefusedPush() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}}, "TRANSAUTO=V\n");
        b.context.config().writeString("CONF", "TRANSAUTO", "V");
        b.adb.failNext("push");
        const CliRun run = runDumpCli(b.dir.path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(cliText("FVidage_PushKo")), qPrintable(run.err));
        QVERIFY(!run.out.contains(cliText("Button2_Msg1"))); // the upload never asked
        QVERIFY(b.files(b.count).isEmpty());
        QCOMPARE(b.onHandheld().size(), 1);
    }

    void secondDumpIsRefused() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        const OperationLock other(b.context);
        QVERIFY(other.held());
        b.activate();
        b.adb.clearCalls();
        try {
            b.run();
            QFAIL("two dumps ran on one program folder");
        } catch (const KorvelloError &error) {
            QCOMPARE(error.message(), lookup("Dump_Verrou"));
        }
        QVERIFY(b.adb.calls().isEmpty());
        QVERIFY(b.files(b.count).isEmpty());
    }

    // The lock of a program that died (its process is gone) does not block the next dump.
    void lockOfADeadProgramIsTakenOver() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        QProcess gone;
        gone.start("sleep", {"0.2"});
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        writeFile(b.dir.filePath("Korvello.lock"), QByteArray::number(pid) + "\nkorvello-cli\n" +
                                                       QSysInfo::machineHostName().toUtf8() + "\n");
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QCOMPARE(b.files(b.count), QStringList{"Stk3001.txt"});
    }

    // A zone dumped again before an upload keeps both dumps' lines, in both folders.
    void dumpedAgainAppends() {
        Bench b({{"3001", "C2", 2, "08:00:00", "O"}});
        writeFile(b.count + "Stk3001.txt", "3001,C1,00001\r\n");
        writeFile(b.save + "Stk3001.txt", "3001,C0,00009\r\n3001,C1,00001\r\n");
        b.ui.answers = {Answer::Yes};
        QCOMPARE(b.activateAndRun().end, End::Completed);
        QCOMPARE(readFile(b.count + "Stk3001.txt"),
                 QByteArray("3001,C1,00001\r\n3001,C2,00002\r\n"));
        QCOMPARE(readFile(b.save + "Stk3001.txt"),
                 QByteArray("3001,C0,00009\r\n3001,C1,00001\r\n3001,C2,00002\r\n"));
    }

    // A count file that cannot be written undoes the files written before it: the file
    // appended to is cut back to its earlier lines, the new ones go, the handheld keeps all.
    void unwritableCountFileUndoesTheDump() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}, {"3002", "C2", 2, "08:30:00", "O"}});
        writeFile(b.count + "Stk3001.txt", "3001,C0,00005\r\n");
        QVERIFY(QDir().mkpath(b.save + "Stk3002.txt")); // a folder where the copy should go
        b.activate();
        const QStringList sectors = b.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR");
        try {
            b.run();
            QFAIL("the dump went on without one of its files");
        } catch (const KorvelloError &error) {
            QVERIFY2(error.message().startsWith(lookup("Dump_FichierKo").section('%', 0, 0)),
                     qPrintable(error.message()));
            QVERIFY2(error.message().contains("Stk3002.txt"), qPrintable(error.message()));
        }
        QCOMPARE(b.files(b.count), QStringList{"Stk3001.txt"});
        QCOMPARE(readFile(b.count + "Stk3001.txt"), QByteArray("3001,C0,00005\r\n"));
        QVERIFY(b.files(b.save).isEmpty());
        QVERIFY(QFileInfo(b.save + "Stk3002.txt").isDir());
        QCOMPARE(b.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR"), sectors);
        QCOMPARE(b.onHandheld().size(), 2);
        QVERIFY(!QFile::exists(b.dir.filePath("DumpJournal")));
    }

    // Count files are appended to in place: a file that is not as the dump listed it (there
    // when it was not, or of another length) is left alone, and the call tells how many
    // files before it were changed, for the dump to undo exactly those.
    void appendsOnlyToFilesAsListed_data() {
        QTest::addColumn<QByteArray>("second"); // what stands at the second path
        QTest::addColumn<qint64>("listedLength");
        QTest::addColumn<bool>("ok");
        QTest::newRow("new file") << QByteArray() << qint64(-1) << true;
        QTest::newRow("existing file") << QByteArray("old\r\n") << qint64(5) << true;
        QTest::newRow("turned up since") << QByteArray("other\r\n") << qint64(-1) << false;
        QTest::newRow("grown since") << QByteArray("old\r\nmore\r\n") << qint64(5) << false;
    }
    void appendsOnlyToFilesAsListed() {
        QFETCH(QByteArray, second);
        QFETCH(qint64, listedLength);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const QString first = dir.filePath("Stk1001.txt");
        const QString other = dir.filePath("Stk1002.txt");
        if (!second.isEmpty())
            writeFile(other, second);
        QString error;
        qsizetype touched = -1;
        const bool done = FileOps::appendAllDurably(
            {{first, "1001,A,00001\r\n", -1}, {other, "1002,B,00002\r\n", listedLength}}, &error,
            &touched);
        QCOMPARE(done, ok);
        QCOMPARE(readFile(first), QByteArray("1001,A,00001\r\n"));
        if (ok) {
            QCOMPARE(readFile(other), second + "1002,B,00002\r\n");
        } else {
            QCOMPARE(touched, qsizetype(1));
            QCOMPARE(readFile(other), second);
            QVERIFY2(error.startsWith(other), qPrintable(error));
            if (listedLength >= 0)
                QVERIFY2(error.endsWith(Translation::message("Dump_FichierChange")),
                         qPrintable(error));
        }
    }

    // Folders typed without their final separator still hold the files, and the waiting
    // count is right.
    void foldersWithoutFinalSeparator() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        b.context.config().writeString("CONF", "EDITCHEMIN", b.dir.filePath("Count"));
        b.context.config().writeString("CONF", "EDITCHEMINSECU", b.dir.filePath("Count/Save"));
        QCOMPARE(runDumpCli(b.dir.path()).exitCode, 0);
        QCOMPARE(b.files(b.count), QStringList{"Stk3001.txt"});
        QCOMPARE(b.files(b.save), QStringList{"Stk3001.txt"});
        QVERIFY(!QFile::exists(b.dir.filePath("CountStk3001.txt")));
        b.adb.setDevices({});
        const CliRun status = runCli({"--home", b.dir.path(), "status"});
        QVERIFY2(status.out.contains(cliText("Cli_EnAttente", {"1"})), qPrintable(status.out));
    }

    void badLinesStopBeforeAnything_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("change");
        QTest::newRow("comma in a code") << "Numérique"
                                         << "UPDATE GCD SET Code = 'C,2' WHERE Code = 'C2'";
        QTest::newRow("line break in a code")
            << "Alpha"
            << "UPDATE GCD SET Code = 'C' || char(13) || '2' WHERE Code = 'C2'";
        QTest::newRow("quantity not a number")
            << "Numérique"
            << "UPDATE GCD SET Quantite = '12abc' WHERE Code = 'C2'";
        QTest::newRow("quantity with decimals")
            << "Alpha"
            << "UPDATE GCD SET Quantite = 1.5 WHERE Code = 'C2'";
        QTest::newRow("character the code page lacks")
            << "Numérique"
            << "UPDATE GCD SET Code = 'C' || char(937) WHERE Code = 'C2'";
        QTest::newRow("numeric zone with a final newline")
            << "Numérique"
            << "UPDATE GCD SET ZONE = '3002' || char(10) WHERE Code = 'C2'";
    }
    void badLinesStopBeforeAnything() {
        QFETCH(QString, mode);
        QFETCH(QString, change);
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}, {"3002", "C2", 2, "08:30:00", "O"}});
        b.setMode(mode);
        onTheHandheld(b.adb, {change});
        const QByteArray before = b.adb.file(Bridge::kCountDatabase);
        try {
            b.activateAndRun();
            QFAIL("the dump went on");
        } catch (const KorvelloError &error) {
            QVERIFY2(error.message().contains("3002"), qPrintable(error.message()));
        }
        QVERIFY(b.files(b.count).isEmpty());
        QVERIFY(b.files(b.save).isEmpty());
        QCOMPARE(b.adb.file(Bridge::kCountDatabase), before);
        QVERIFY(!QFile::exists(b.count + "Temp"));
    }

    // Each reason the handheld's counts cannot be read gets its own message.
    void activationTellsWhy_data() {
        QTest::addColumn<int>("cause");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("detail");
        QTest::newRow("pull cut") << 0 << "Dump_LectureKo"
                                  << "connection reset";
        QTest::newRow("count folder cannot be made") << 1 << "Dump_LectureKo"
                                                     << "Count";
        QTest::newRow("damaged database") << 2 << "Dump_BaseAbimee"
                                          << "";
        QTest::newRow("no count table") << 3 << "Cli_PasDeTable"
                                        << "";
        QTest::newRow("one ready, one not authorised") << 4 << "Dump_NonAutorise"
                                                       << "";
    }
    void activationTellsWhy() {
        QFETCH(int, cause);
        QFETCH(QString, key);
        QFETCH(QString, detail);
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        switch (cause) {
        case 0:
            b.adb.failNext("pull");
            break;
        case 1: // a file stands where the count folder should be
            QVERIFY(QDir(b.dir.filePath("Count")).removeRecursively());
            writeFile(b.dir.filePath("Count"), "not a folder");
            break;
        case 2:
            b.adb.putFile(Bridge::kCountDatabase, QByteArray(4096, 'x'));
            break;
        case 3:
            onTheHandheld(b.adb, {"DROP TABLE GCD", "CREATE TABLE OTHER (A TEXT)"});
            break;
        case 4:
            b.adb.setDevices({"R1\tdevice", "R2\tunauthorized"});
            b.context.unauthorisedHandhelds = 1;
            break;
        }
        const Dump::Activation activation = b.activate();
        QCOMPARE(activation.state, Dump::Activation::State::NoTable);
        QVERIFY2(activation.problem.startsWith(Translation::lookup(key, "FR")),
                 qPrintable(activation.problem));
        QVERIFY2(activation.problem.contains(detail), qPrintable(activation.problem));
        QCOMPARE(b.run().end, End::NothingToDo);
    }

    void commandLineMatchesTheWindow_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("numeric") << "Numérique";
        QTest::newRow("alphanumeric") << "Alpha";
    }
    void commandLineMatchesTheWindow() {
        QFETCH(QString, mode);
        const QList<Row> rows{{"3001", "C1", 1, "08:00:00", "O"},
                              {"3002", "C2", 2, "08:30:00", "O"},
                              {"4005", "C3", 7, "09:00:00", "O"}};
        Bench window(rows);
        window.setMode(mode);
        QCOMPARE(window.activateAndRun().end, End::Completed);

        Bench cli(rows);
        cli.setMode(mode);
        // The same locale as this test's (decimal comma in the progress texts).
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "fr_FR.UTF-8");
        const CliRun run = runCli({"--home", cli.dir.path(), "dump", "--yes"}, env);
        QCOMPARE(run.exitCode, 0);
        // The report's lines are whole lines on a terminal: no bare carriage return.
        QVERIFY2(run.out.contains("\n- " + window.ui.notices.value(0).section("\r- ", 1, 1) + "\n"),
                 qPrintable(run.out));
        QVERIFY(!run.out.contains('\r'));
        QCOMPARE(cli.files(cli.count), window.files(window.count));
        for (const QString &name : window.files(window.count))
            QCOMPARE(readFile(cli.count + name), readFile(window.count + name));
        if (mode == "Numérique")
            QCOMPARE(cli.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR"),
                     window.sql("SELECT * FROM LISTESECT ORDER BY SECTEUR"));
        QVERIFY(cli.onHandheld().isEmpty());

        // Again: nothing left to dump.
        QCOMPARE(runCli({"--home", cli.dir.path(), "dump"}).exitCode, 4);
    }

    void commandLineCancelAndNoHandheld() {
        Bench b({{"3001", "C1", 1, "08:00:00", "O"}});
        writeFile(b.dir.filePath("Count/Save/Stk3001.txt"), "earlier");
        QCOMPARE(runCli({"--home", b.dir.path(), "dump"}).exitCode, 3); // no terminal: Cancel
        QCOMPARE(b.onHandheld().size(), 1);
        QVERIFY(!QFile::exists(b.count + "Temp"));

        b.adb.setDevices({});
        const CliRun run = runCli({"--home", b.dir.path(), "dump"});
        QCOMPARE(run.exitCode, 4);
        QVERIFY(run.err.contains(cliText("Cli_PasDePortable")));
    }
};

QTEST_GUILESS_MAIN(TestDump)
#include "tst_dump.moc"
