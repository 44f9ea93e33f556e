#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/sectors/progress.h"
#include "core/sectors/sectordatabase.h"
#include "gui/progresswindow.h"
#include "support/cli.h"
#include "support/sectorrows.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A program folder whose sector database is the template's: five zones with files (3200,
// 5000, 6000, 7800, 7801) among 1003.
struct Workstation {
    QTemporaryDir dir;
    AppContext context{dir.path()};
    DataModule data;
    Workstation() {
        context.setLanguage("FR");
        SectorDatabase::ensureOpen(data, context);
    }
    QStringList rows(const QString &statement) { return sectorRows(data, statement); }
};

} // namespace

class TestProgressWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_startDir;

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::Belgium));
        m_startDir = QDir::currentPath();
        QDir::setCurrent(m_work.path()); // the sector database's trace file goes here
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void totalsOfTheTemplate() {
        Workstation w;
        const Progress::Totals totals = Progress::totals(w.data);
        QCOMPARE(totals.zonesText, QString("5/1003"));
        QCOMPARE(totals.volumeText, QString("30"));
        QCOMPARE(totals.percentText, std::optional<QString>("0,5%")); // 0,4985
        QCOMPARE(totals.bar, 0);                                      // 0,5 to the even 0
    }

    void declaringAZoneEmpty() {
        Workstation w;
        QCOMPARE(Progress::declareEmpty(w.data, "3005"), Progress::EmptyZone::Declared);
        QCOMPARE(w.rows("SELECT ETAT, NB_FICHIER FROM DETSECT WHERE ZONE = '3005'"),
                 QStringList{"I|1"});
        QCOMPARE(w.rows("SELECT ZONE, POURCENTAGE, VOLUMES FROM LISTESECT WHERE SECTEUR = 3"),
                 QStringList{"2/200|1%|6"});
        const Progress::Totals totals = Progress::totals(w.data);
        QCOMPARE(totals.zonesText, QString("6/1003"));
        QCOMPARE(totals.volumeText, QString("30"));
        QCOMPARE(totals.percentText, std::optional<QString>("0,6%"));
        QCOMPARE(totals.bar, 1);

        // Not waiting any more, dumped, or unknown: nothing changes.
        const QStringList sectors = w.rows("SELECT * FROM LISTESECT ORDER BY SECTEUR");
        const QStringList zones = w.rows("SELECT * FROM DETSECT ORDER BY ZONE");
        QCOMPARE(Progress::declareEmpty(w.data, "3005"), Progress::EmptyZone::NotWaiting);
        QCOMPARE(Progress::declareEmpty(w.data, "3200"), Progress::EmptyZone::NotWaiting);
        QCOMPARE(Progress::declareEmpty(w.data, "9999"), Progress::EmptyZone::NoSuchZone);
        QCOMPARE(w.rows("SELECT * FROM LISTESECT ORDER BY SECTEUR"), sectors);
        QCOMPARE(w.rows("SELECT * FROM DETSECT ORDER BY ZONE"), zones);
    }

    void emptyZoneTableLeavesThePercentageUnset() {
        Workstation w;
        w.rows("DELETE FROM DETSECT");
        const Progress::Totals totals = Progress::totals(w.data);
        QCOMPARE(totals.zonesText, QString("0"));
        QCOMPARE(totals.volumeText, QString());
        QVERIFY(!totals.percentText);
    }

    void barEnds_data() {
        QTest::addColumn<QVariant>("percentage");
        QTest::addColumn<int>("end"); // -1: no bar drawn
        QTest::newRow("0%, no green") << QVariant("0%") << 2;
        QTest::newRow("none") << QVariant() << 0;
        QTest::newRow("100%") << QVariant("100%") << 250;
        QTest::newRow("0,5%") << QVariant("0,5%") << 1;                 // 1,25
        QTest::newRow("0,2%, halves to even") << QVariant("0,2%") << 0; // 0,5
        QTest::newRow("1%") << QVariant("1%") << 2;                     // 2,5 to the even 2
        QTest::newRow("not a number") << QVariant("n/a") << -1;
    }
    void barEnds() {
        QFETCH(QVariant, percentage);
        QFETCH(int, end);
        QCOMPARE(Progress::barEnd(percentage).value_or(-1), end);
    }

    void decimalTexts() {
        QCOMPARE(Progress::decimalText(0.5, true), QString("0,5"));
        QCOMPARE(Progress::decimalText(0.5, false), QString(",5"));
        QCOMPARE(Progress::decimalText(100.0, false), QString("100"));
        QCOMPARE(Progress::decimalText(2.0 / 3.0 * 100.0, true), QString("66,67"));
    }

    void window() {
        Workstation w;
        ProgressWindow window(w.context, w.data);
        window.refreshOnActivation();
        QCOMPARE(window.m_zonesTotal->text(), QString("5/1003"));
        QCOMPARE(window.m_volumeTotal->text(), QString("30"));
        QCOMPARE(window.m_percentTotal->text(), QString("0,5%"));
        QCOMPARE(window.m_overallBar->value(), 0);
        QCOMPARE(window.m_sectorList->rowCount(), 4);
        QCOMPARE(window.m_sectorList->horizontalHeaderItem(4)->text(),
                 Translation::lookup("FBornage_Avancement", "FR"));

        // Sector 3 first; its zones by zone, then by quantity, kept for sector 7.
        QCOMPARE(window.m_sectorList->item(0, 0)->text(), QString("3"));
        QCOMPARE(window.m_zoneList->rowCount(), 200);
        QCOMPARE(window.m_zoneList->item(0, 0)->text(), QString("3001"));
        window.sortZonesBy(1);
        QCOMPARE(window.m_zoneList->item(199, 0)->text(), QString("3200")); // the one with 6
        window.sortZonesBy(2); // the file count's title changes nothing
        QCOMPARE(window.m_zoneList->item(199, 0)->text(), QString("3200"));
        window.m_sectorList->setCurrentCell(3, 0);
        QCOMPARE(window.m_zoneList->rowCount(), 801);
        QCOMPARE(window.m_zoneList->item(800, 0)->text(), QString("7800")); // 10, the most

        // "Définir comme zone vide" on zone 7001.
        window.m_zoneList->setCurrentCell(0, 0);
        const QString zone = window.m_zoneList->item(0, 0)->text();
        window.m_declareEmpty->trigger();
        QCOMPARE(w.rows("SELECT ETAT FROM DETSECT WHERE ZONE = '" + zone + "'"), QStringList{"I"});
        QCOMPARE(window.m_zonesTotal->text(), QString("6/1003"));
        QCOMPARE(window.m_sectorList->item(3, 1)->text(), QString("3/801"));
    }

    void commandLine() {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "fr_BE.UTF-8");
        CliRun run = runCli({"--home", home.path(), "progress"}, env);
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6); // titles, four sectors, total
        QVERIFY(lines.at(1).contains(QRegularExpression("^ *3 +Secteur3 +1/200 +6 +0,5%$")));
        QVERIFY(lines.last().contains(QRegularExpression("5/1003 +30 +0,5%$")));

        run = runCli({"--home", home.path(), "progress", "--zones", "7", "--csv"}, env);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("\n7800;10;2;A\n"));

        run = runCli({"--home", home.path(), "empty-zone", "3005"}, env);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(runCli({"--home", home.path(), "empty-zone", "3005"}, env).exitCode, 1);
        run = runCli({"--home", home.path(), "empty-zone", "9999"}, env);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(cliText("Cli_ZoneInconnue", {"9999"})));
        QVERIFY(runCli({"--home", home.path(), "progress"}, env).out.contains("6/1003"));
        QCOMPARE(runCli({"--home", home.path(), "empty-zone"}).exitCode, 2);
        QCOMPARE(runCli({"--home", home.path(), "progress", "--zones", "x"}).exitCode, 2);
    }
};

QTEST_MAIN(TestProgressWindow)
#include "tst_progress.moc"
