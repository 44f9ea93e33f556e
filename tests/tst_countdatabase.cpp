#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/dump/countdatabase.h"
#include "support/adbdouble.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"

using CountDatabase::Lines;
using CountDatabase::ZoneQuantity;

namespace {
// A count database as the handheld keeps it: a zone with a quote in its code, a zone whose
// quantities add up to zero, a zone with validated and unvalidated lines, lines whose Valide
// is neither "O" nor "N".
void makeCountDatabase(const QString &path) {
    const QString name = "fixture-" + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE GCD (ID INTEGER PRIMARY KEY, ZONE TEXT, Code TEXT, "
                       "Quantite INTEGER, Heure TEXT, Valide TEXT, Terminal TEXT)"));
        const char *rows[][5] = {
            {"3001", "9782070360024", "2", "10:47:12", "O"},
            {"3001", "9782253004226", "3", "09:05:00", "O"},
            {"A'B", "9782070368228", "4", "11:00:00", "N"},
            {"A'B", "3760145230011", "0", "10:59:59", "N"},
            {"Z0", "9782070360024", "2", "12:00:00", "O"},
            {"Z0", "9782070360024", "-2", "12:01:00", "O"},
            {"MIX", "9782266282642", "1", "13:00:00", "O"},
            {"MIX", "9782266282659", "2", "13:10:00", "N"},
            {"OTH", "9782266282666", "5", "14:00:00", "X"},
            {"OTH", "9782266282673", "6", "14:30:00", ""},
        };
        for (const auto &row : rows) {
            q.prepare("INSERT INTO GCD (ZONE, Code, Quantite, Heure, Valide, Terminal) "
                      "VALUES (?, ?, ?, ?, ?, 'T1')");
            for (const char *value : row)
                q.addBindValue(QString::fromUtf8(value));
            QVERIFY(q.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

class TestCountDatabase : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fixture;

private slots:
    void initTestCase() {
        m_fixture = m_dir.filePath("Inventaire.s3db");
        makeCountDatabase(m_fixture);
    }

    void summaries_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<QList<ZoneQuantity>>("expected");
        QTest::newRow("all") << int(Lines::All)
                             << QList<ZoneQuantity>{
                                    {"3001", 5}, {"A'B", 4}, {"MIX", 3}, {"OTH", 11}, {"Z0", 0}};
        QTest::newRow("validated")
            << int(Lines::Validated) << QList<ZoneQuantity>{{"3001", 5}, {"MIX", 1}, {"Z0", 0}};
        QTest::newRow("not validated")
            << int(Lines::NotValidated) << QList<ZoneQuantity>{{"A'B", 4}, {"MIX", 2}};
    }
    void summaries() {
        QFETCH(int, lines);
        QFETCH(QList<ZoneQuantity>, expected);
        DataModule data;
        QVERIFY(data.openSqlite(m_fixture));
        QVERIFY(CountDatabase::tableExists(data.sqlite()));
        QCOMPARE(CountDatabase::zoneSummary(data.sqlite(), Lines(lines)), expected);
    }

    void perZoneStatements() {
        DataModule data;
        QVERIFY(data.openSqlite(m_fixture));
        const QSqlDatabase db = data.sqlite();
        QCOMPARE(CountDatabase::zoneTotal(db, "A'B"), qint64(4));
        QCOMPARE(CountDatabase::zoneTotal(db, "MIX"), qint64(3)); // whatever their Valide
        QCOMPARE(CountDatabase::zoneStartTime(db, "A'B"), QString("10:59:59"));
        QCOMPARE(CountDatabase::zoneStartTime(db, "3001"), QString("09:05:00"));
        QSqlQuery lines = CountDatabase::zoneLines(db, "A'B");
        QStringList codes;
        while (lines.next())
            codes << lines.value("Code").toString();
        QCOMPARE(codes, (QStringList{"9782070368228", "3760145230011"}));
        // A zone text that would end the literal early selects nothing else.
        QCOMPARE(CountDatabase::zoneTotal(db, "x' OR '1'='1"), qint64(0));
    }

    void deletions() {
        const QString copy = m_dir.filePath("deletions.s3db");
        QVERIFY(QFile::copy(m_fixture, copy));
        DataModule data;
        QVERIFY(data.openSqlite(copy));
        CountDatabase::deleteValidatedLines(data.sqlite());
        QCOMPARE(CountDatabase::zoneSummary(data.sqlite(), Lines::All),
                 (QList<ZoneQuantity>{{"A'B", 4}, {"MIX", 2}, {"OTH", 11}}));
        CountDatabase::deleteAllLines(data.sqlite());
        QVERIFY(CountDatabase::zoneSummary(data.sqlite(), Lines::All).isEmpty());
        // Stored at once: another connection sees it.
        data.closeSqlite();
        DataModule other;
        QVERIFY(other.openSqlite(copy));
        QVERIFY(CountDatabase::zoneSummary(other.sqlite(), Lines::All).isEmpty());
    }

    void tableCheck_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::newRow("no file") << QByteArray() << false;
        QTest::newRow("not a database") << QByteArray(4096, 'x') << false;
    }
    void tableCheck() {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        const QString path = m_dir.filePath(QString("check-%1.s3db").arg(QTest::currentDataTag()));
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        DataModule data;
        data.openSqlite(path);
        QCOMPARE(CountDatabase::tableExists(data.sqlite()), exists);
    }

    void dumpModeLine_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("UTF-8") << QByteArray("Num\xc3\xa9rique\r\nsecond") << "Numérique" << true;
        QTest::newRow("Windows-1252") << QByteArray("Num\xe9rique\r\n") << "Numérique" << true;
        QTest::newRow("UTF-8 with BOM")
            << QByteArray("\xef\xbb\xbfNum\xc3\xa9rique\n") << "Numérique" << true;
        QTest::newRow("no line end") << QByteArray("Num\xc3\xa9rique") << "Numérique" << true;
        QTest::newRow("lower case") << QByteArray("num\xc3\xa9rique\r\n") << "numérique" << false;
        QTest::newRow("no accent") << QByteArray("Numerique\r\n") << "Numerique" << false;
        QTest::newRow("trailing blank")
            << QByteArray("Num\xc3\xa9rique \r\n") << "Numérique " << false;
        QTest::newRow("other mode") << QByteArray("Alpha\n") << "Alpha" << false;
        QTest::newRow("empty") << QByteArray() << "" << false;
        QTest::newRow("UTF-16 LE with BOM")
            << QByteArray("\xff\xfeN\0u\0m\0\xe9\0r\0i\0q\0u\0e\0\r\0\n\0", 22) << "Numérique"
            << true;
        QTest::newRow("UTF-16 BE with BOM")
            << QByteArray("\xfe\xff\0A\0l\0p\0h\0a\0\n", 14) << "Alpha" << false;
        // Text with NUL bytes and no byte-order mark cannot be told apart: it is unreadable.
        QTest::newRow("UTF-16 without BOM")
            << QByteArray("N\0u\0m\0\r\0\n\0", 10) << "<unreadable>" << false;
    }
    void dumpModeLine() {
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        QFETCH(bool, numeric);
        const QString read = CountDatabase::firstLine(content).value_or("<unreadable>");
        QCOMPARE(read, line);
        QCOMPARE(read == QString::fromUtf8("Numérique"), numeric);
    }

    void refreshAgainstTheHandheld() {
        QTemporaryDir work;
        AdbDouble adb(work.filePath("tools"));
        adb.connectOne();
        adb.putFile(Bridge::kCountDatabase, readFile(m_fixture));
        const QString count = work.filePath("Count 'files'") + "/";
        QVERIFY(QDir().mkpath(count));
        DataModule data;
        QVERIFY(CountDatabase::refreshWorkingCopy(data, adb.prefix(), count));
        QCOMPARE(data.sqlite().databaseName(), count + "Temp/Inventaire.s3db");
        QCOMPARE(CountDatabase::zoneSummary(data.sqlite(), Lines::All).size(), 5);

        // The dump's end: lines deleted in the working copy reach the handheld.
        CountDatabase::deleteValidatedLines(data.sqlite());
        CountDatabase::writeBack(data, adb.prefix(), count);
        QVERIFY(!data.sqlite().isOpen());
        QVERIFY(!QFile::exists(count + "Temp"));
        const QString pushed = work.filePath("pushed.s3db");
        QFile out(pushed);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(adb.file(Bridge::kCountDatabase));
        out.close();
        DataModule check;
        QVERIFY(check.openSqlite(pushed));
        QCOMPARE(CountDatabase::zoneSummary(check.sqlite(), Lines::All).size(), 3);
    }

    void failedPullsReadAsNoTable_data() {
        QTest::addColumn<QByteArray>("onHandheld");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("countFolderExists");
        QTest::newRow("no database on the handheld") << QByteArray() << true << true;
        QTest::newRow("damaged database") << QByteArray(2048, '\x01') << true << true;
        QTest::newRow("handheld gone") << QByteArray("x") << false << true;
        QTest::newRow("count folder missing") << QByteArray("x") << true << false;
    }
    void failedPullsReadAsNoTable() {
        QFETCH(QByteArray, onHandheld);
        QFETCH(bool, connected);
        QFETCH(bool, countFolderExists);
        QTemporaryDir work;
        AdbDouble adb(work.filePath("tools"));
        if (connected)
            adb.connectOne();
        if (!onHandheld.isEmpty())
            adb.putFile(Bridge::kCountDatabase, onHandheld);
        const QString count = work.filePath("a/b") + "/";
        if (countFolderExists)
            QVERIFY(QDir().mkpath(count));
        DataModule data;
        QVERIFY(!CountDatabase::refreshWorkingCopy(data, adb.prefix(), count));
    }

    void dumpModeFromTheHandheld() {
        QTemporaryDir work;
        AdbDouble adb(work.filePath("tools"));
        adb.connectOne();
        const QString count = work.filePath("count") + "/";
        QVERIFY(QDir().mkpath(count + "Temp"));
        QCOMPARE(CountDatabase::readDumpMode(adb.prefix(), count), std::nullopt);

        adb.putFile(Bridge::kHandheldTempFolder + "Param.txt", "Alpha\r\n");
        QCOMPARE(CountDatabase::readDumpMode(adb.prefix(), count), std::optional<QString>("Alpha"));
        QVERIFY(!QFile::exists(count + "Temp/tmp/Param.txt")); // the local copy is gone
        QCOMPARE(adb.file(Bridge::kHandheldTempFolder + "Param.txt"), QByteArray("Alpha\r\n"));

        // What an earlier pull left behind is never read: with the handheld gone, no mode.
        for (const QString &left : {count + "Temp/Param.txt", count + "Temp/Param/Param.txt",
                                    count + "Temp/Param/tmp/Param.txt"})
            writeFile(left, "Num\xe9rique\r\n");
        adb.setDevices({});
        QCOMPARE(CountDatabase::readDumpMode(adb.prefix(), count), std::nullopt);

        // UTF-16 with its byte-order mark reads; with NUL bytes and no mark it is unreadable.
        adb.connectOne();
        adb.putFile(Bridge::kHandheldTempFolder + "Param.txt", QByteArray("\xff\xfe"
                                                                          "A\0l\0p\0h\0a\0\r\0\n\0",
                                                                          16));
        QCOMPARE(CountDatabase::readDumpMode(adb.prefix(), count), std::optional<QString>("Alpha"));
        adb.putFile(Bridge::kHandheldTempFolder + "Param.txt", QByteArray("A\0l\0p\0h\0a\0", 10));
        const CountDatabase::ParamFile param = CountDatabase::readParamFile(adb.prefix(), count);
        QVERIFY(param.found);
        QVERIFY(!param.readable);
    }
};

QTEST_GUILESS_MAIN(TestCountDatabase)
#include "tst_countdatabase.moc"
