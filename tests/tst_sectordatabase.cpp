#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/sectors/sectordatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray digest(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QStringList traceLines(const QString &folder) {
    QFile file(folder + "/log.txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split("\r\n");
    lines.removeAll(QString());
    return lines;
}
} // namespace

class TestSectorDatabase : public QObject {
    Q_OBJECT

    QTemporaryDir m_work; // the process's current directory, where the trace goes
    QString m_startDir;

private slots:
    void initTestCase() {
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_work.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }
    void cleanup() { QFile::remove(m_work.filePath("log.txt")); }

    void newWorkstationGetsTheTemplate() {
        QTemporaryDir program;
        AppContext context(program.path());
        DataModule data;
        SectorDatabase::ensureOpen(data, context);
        QVERIFY(QFile::exists(program.filePath("ListeSectBD.fdb")));
        QVERIFY(data.sectorDatabase().isOpen());
        QVERIFY(traceLines(m_work.path()).isEmpty());

        QSqlQuery sectors = data.sectorQuery();
        QVERIFY(sectors.exec("SELECT SECTEUR, MINIMUM, MAXIMUM, NOM, ZONE, POURCENTAGE, VOLUMES, "
                             "ZONES FROM LISTESECT ORDER BY SECTEUR"));
        QStringList rows;
        while (sectors.next()) {
            QStringList fields;
            for (int i = 0; i < 8; ++i)
                fields << "[" + sectors.value(i).toString() + "]";
            rows << fields.join("");
        }
        auto pad = [](const QString &text, int width) { return text.leftJustified(width, ' '); };
        QCOMPARE(rows,
                 (QStringList{"[3][1][200][" + pad("Secteur3", 40) + "][" + pad("1/200", 8) + "][" +
                                  pad("0,5%", 6) + "][6][" + pad("3001 --> 3200", 25) + "]",
                              "[5][0][0][" + pad("Secteur5", 40) + "][" + pad("1/1", 8) + "][" +
                                  pad("100%", 6) + "][4][" + pad("5000 --> 5000", 25) + "]",
                              "[6][0][0][" + pad("Secteur6", 40) + "][" + pad("1/1", 8) + "][" +
                                  pad("100%", 6) + "][4][" + pad("6000 --> 6000", 25) + "]",
                              "[7][1][801][" + pad("Secteur7", 40) + "][" + pad("2/801", 8) + "][" +
                                  pad("0,25%", 6) + "][16][" + pad("7001 --> 7801", 25) + "]"}));

        QSqlQuery zones = data.sectorQuery();
        QVERIFY(zones.exec("SELECT COUNT(*), SUM(QUANTITE), SUM(NB_FICHIER), "
                           "COUNT(DISTINCT ZONE), MIN(ETAT), MAX(ETAT) FROM DETSECT"));
        QVERIFY(zones.next());
        QCOMPARE(zones.value(0).toInt(), 1003);
        QCOMPARE(zones.value(1).toInt(), 4 + 4 + 6 + 10 + 6);
        QCOMPARE(zones.value(2).toInt(), 1 + 1 + 1 + 2 + 1);
        QCOMPARE(zones.value(3).toInt(), 1003);
        QCOMPARE(zones.value(4).toString(), QString("A"));
        QCOMPARE(zones.value(5).toString(), QString("A"));

        QSqlQuery some = data.sectorQuery();
        QVERIFY(some.exec("SELECT ZONE, QUANTITE, SECTEUR, COMPTEUR, NB_FICHIER FROM DETSECT "
                          "WHERE ZONE IN ('5000', '3001', '3199', '3200', '7001', '7800', '7801') "
                          "ORDER BY ZONE"));
        QStringList detail;
        while (some.next())
            detail << QStringList{some.value(0).toString(), some.value(1).toString(),
                                  some.value(2).toString(), some.value(3).toString(),
                                  some.value(4).toString()}
                          .join(",");
        QCOMPARE(detail,
                 (QStringList{"3001,0,3,200,0", "3199,0,3,200,0", "3200,6,3,200,1", "5000,4,5,0,1",
                              "7001,0,7,800,0", "7800,10,7,800,2", "7801,6,7,801,1"}));
    }

    void existingDatabaseIsNeverReplaced() {
        QTemporaryDir program;
        AppContext context(program.path());
        {
            DataModule data;
            SectorDatabase::ensureOpen(data, context);
            QSqlQuery change = data.sectorQuery();
            QVERIFY(change.exec("UPDATE LISTESECT SET NOM = 'Rayon jeunesse' WHERE SECTEUR = 3"));
            data.sectorDatabase().commit();
            data.closeSectorDatabase();
        }
        DataModule again;
        SectorDatabase::ensureOpen(again, context);
        QSqlQuery read = again.sectorQuery();
        QVERIFY(read.exec("SELECT NOM FROM LISTESECT WHERE SECTEUR = 3"));
        QVERIFY(read.next());
        QCOMPARE(read.value(0).toString().trimmed(), QString("Rayon jeunesse"));
    }

    void damagedFileIsLeftAndBothAttemptsFail() {
        QTemporaryDir program;
        AppContext context(program.path());
        const QString path = program.filePath("ListeSectBD.fdb");
        {
            QFile damaged(path);
            QVERIFY(damaged.open(QIODevice::WriteOnly));
            damaged.write(QByteArray(8192, '\x5a'));
        }
        const QByteArray before = digest(path);
        DataModule data;
        SectorDatabase::ensureOpen(data, context); // swallowed, not raised
        QVERIFY(!data.sectorDatabase().isOpen());
        QCOMPARE(digest(path), before);
        const QStringList trace = traceLines(m_work.path());
        QCOMPARE(trace.size(), 1);
        QVERIFY(trace.first().startsWith("Sector database, first attempt: "));
    }

    void unwritableProgramFolderIsAnError() {
        QTemporaryDir program;
        AppContext context(program.path() + "/missing");
        DataModule data;
        QVERIFY_THROWS_EXCEPTION(std::exception, SectorDatabase::ensureOpen(data, context));
    }

    void tableRulesRunWhenAttached() {
        QTemporaryDir program;
        AppContext context(program.path());
        DataModule data;
        SectorDatabase::ensureOpen(data, context);
        RuleTable *table = data.sectorTable();
        table->setTable("LISTESECT");
        table->setSort(0, Qt::AscendingOrder);
        table->setEditStrategy(QSqlTableModel::OnManualSubmit);
        QVERIFY(table->select());
        QCOMPARE(table->rowCount(), 4);

        QStringList events;
        table->attachFieldChange([&](int, const QString &field) { events << "change " + field; });
        table->attachBeforePost([&](int, QSqlRecord &record, bool inserting) {
            events << QString("before %1").arg(inserting);
            if (record.value("MAXIMUM").toInt() > 999)
                return false;
            record.setValue("ZONES", "derived");
            return true;
        });
        table->attachAfterPost([&](const QSqlRecord &record) {
            events << "after " + record.value("ZONES").toString().trimmed();
        });
        table->attachAfterDelete([&] { events << "deleted"; });

        const int maxColumn = table->fieldIndex("MAXIMUM");
        QVERIFY(table->setData(table->index(0, maxColumn), 1500));
        QVERIFY(!table->post(0, false)); // refused: nothing reaches the table
        QVERIFY(table->setData(table->index(0, maxColumn), 100));
        QVERIFY(table->post(0, false));
        QVERIFY(table->deleteRow(3));
        QCOMPARE(events, (QStringList{"change MAXIMUM", "before 0", "change MAXIMUM", "before 0",
                                      "after derived", "deleted"}));

        // Held changes reach the database only when applied.
        QSqlQuery before = data.sectorQuery();
        QVERIFY(before.exec("SELECT COUNT(*) FROM LISTESECT"));
        QVERIFY(before.next());
        QCOMPARE(before.value(0).toInt(), 4);
        QVERIFY(table->submitAll());
        QSqlQuery after = data.sectorQuery();
        QVERIFY(after.exec("SELECT MAXIMUM, ZONES FROM LISTESECT WHERE SECTEUR = 3"));
        QVERIFY(after.next());
        QCOMPARE(after.value(0).toInt(), 100);
        QCOMPARE(after.value(1).toString().trimmed(), QString("derived"));

        table->detachBeforePost();
        table->detachAfterPost();
        events.clear();
        QVERIFY(table->setData(table->index(0, maxColumn), 120));
        QVERIFY(table->post(0, false));
        QCOMPARE(events, QStringList{"change MAXIMUM"});
    }
};

QTEST_GUILESS_MAIN(TestSectorDatabase)
#include "tst_sectordatabase.moc"
