#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/sectors/sectordatabase.h"
#include "core/sectors/sectorrules.h"
#include "support/scriptedinteraction.h"

#include <QDir>
#include <QLocale>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A workstation's sector database with the rules attached, as the settings window has it.
struct Sectors {
    QTemporaryDir dir;
    AppContext context{dir.path()};
    DataModule data;
    QStringList messages;
    int hidden = 0;
    int column = -2;
    SectorRules::MessageArea area{[this](const QString &m, int c) {
                                      messages << m;
                                      column = c;
                                  },
                                  [this] { ++hidden; }};
    RuleTable *table = nullptr;

    Sectors() {
        SectorDatabase::ensureOpen(data, context);
        if (!SectorRules::openTables(data))
            qFatal("cannot open the sector tables");
        SectorRules::attach(data, area);
        table = data.sectorTable();
    }
    int rowOf(int sector) const {
        for (int row = 0; row < table->rowCount(); ++row)
            if (table->record(row).value("SECTEUR").toInt() == sector)
                return row;
        return -1;
    }
    void set(int row, const char *field, const QVariant &value) {
        table->setData(table->index(row, table->fieldIndex(field)), value);
    }
    QString rowText(int row) const {
        const QSqlRecord r = table->record(row);
        QStringList fields;
        for (const char *name :
             {"SECTEUR", "MINIMUM", "MAXIMUM", "NOM", "ZONE", "POURCENTAGE", "VOLUMES", "ZONES"})
            fields << r.value(name).toString().trimmed();
        return fields.join('|');
    }
    QStringList zones(const QString &where) {
        QSqlQuery q = data.sectorQuery();
        q.exec("SELECT ZONE, COMPTEUR, ETAT, QUANTITE, NB_FICHIER FROM DETSECT WHERE " + where +
               " ORDER BY ZONE");
        QStringList rows;
        while (q.next())
            rows << QString("%1|%2|%3|%4|%5")
                        .arg(q.value(0).toString().trimmed(), q.value(1).toString(),
                             q.value(2).toString(), q.value(3).toString(), q.value(4).toString());
        return rows;
    }
    int count(const QString &where) { return int(zones(where).size()); }
};
} // namespace

class TestSectorRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_start;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
        m_start = QDir::currentPath();
        QDir::setCurrent(m_work.path());
    }
    void cleanupTestCase() { QDir::setCurrent(m_start); }

    void newSectorTypedInOrder() {
        Sectors s;
        const int row = s.table->rowCount();
        QVERIFY(s.table->insertRow(row));
        s.set(row, "SECTEUR", 4);
        s.set(row, "MINIMUM", 1);
        s.set(row, "MAXIMUM", 3);
        s.set(row, "NOM", "Rayon");
        QVERIFY(s.table->post(row, true));
        QCOMPARE(s.rowText(row), QString("4|1|3|Rayon|0/3|0,00%|0|4001 --> 4003"));
        QCOMPARE(s.zones("SECTEUR = 4"),
                 (QStringList{"4001|1|A|0|0", "4002|2|A|0|0", "4003|3|A|0|0"}));
        QVERIFY(s.table->submitAll());
        QCOMPARE(s.hidden, 1);
    }

    void changingTheRangeOfATemplateSector() {
        Sectors s;
        QSqlQuery empty = s.data.sectorQuery();
        QVERIFY(empty.exec("UPDATE DETSECT SET ETAT = 'I', NB_FICHIER = 1 WHERE ZONE = '3150'"));
        const int row = s.rowOf(3);
        s.set(row, "MAXIMUM", 100);
        QCOMPARE(s.table->record(row).value("ZONES").toString().trimmed(),
                 QString("3001 --> 3100"));
        QVERIFY(s.table->post(row, false));
        QCOMPARE(s.rowText(row), QString("3|1|100|Secteur3|1/100|1%|6|3001 --> 3100"));
        QCOMPARE(s.count("SECTEUR = 3"), 102); // 3001..3100, the dumped 3200, the empty 3150
        QCOMPARE(
            s.zones("ZONE IN ('3001', '3100', '3150', '3200')"),
            (QStringList{"3001|1|A|0|0", "3100|100|A|0|0", "3150|200|I|0|1", "3200|200|A|6|1"}));
        QCOMPARE(s.count("ZONE = '3101'"), 0);
    }

    void rejections_data() {
        QTest::addColumn<QVariant>("sector");
        QTest::addColumn<QVariant>("minimum");
        QTest::addColumn<QVariant>("maximum");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("column");
        QTest::newRow("sector 10") << QVariant(10) << QVariant(1) << QVariant(3)
                                   << "* Sector must be between 0 and 9" << -1;
        QTest::newRow("sector -1") << QVariant(-1) << QVariant(1) << QVariant(3)
                                   << "* Sector must be between 0 and 9" << -1;
        QTest::newRow("all empty")
            << QVariant() << QVariant() << QVariant() << "* Sector must not be empty" << 0;
        QTest::newRow("no minimum")
            << QVariant(4) << QVariant() << QVariant(3) << "* Min must not be empty" << 1;
        QTest::newRow("no maximum")
            << QVariant(4) << QVariant(1) << QVariant() << "* Max must not be empty" << 2;
        // A new sector without zones would make every later dump divide by zero.
        QTest::newRow("new, max below min")
            << QVariant(4) << QVariant(5) << QVariant(2) << "* Max must not be below Min" << 2;
    }
    void rejections() {
        QFETCH(QVariant, sector);
        QFETCH(QVariant, minimum);
        QFETCH(QVariant, maximum);
        QFETCH(QString, message);
        QFETCH(int, column);
        Sectors s;
        const int row = s.table->rowCount();
        QVERIFY(s.table->insertRow(row));
        for (const auto &[field, value] :
             {std::pair{"SECTEUR", sector}, std::pair{"MINIMUM", minimum},
              std::pair{"MAXIMUM", maximum}})
            if (value.isValid())
                s.set(row, field, value);
        QVERIFY(!s.table->post(row, true));
        QCOMPARE(s.messages, QStringList{message});
        QCOMPARE(s.column, column);
        QCOMPARE(s.count("SECTEUR = 4"), 0);
    }

    void maximumAbove999IsBroughtBack() {
        Sectors s;
        const int row = s.rowOf(7);
        s.set(row, "MAXIMUM", 1500);
        QVERIFY(!s.table->post(row, false));
        QCOMPARE(s.messages, QStringList{"* Max must be between 1 and 999"});
        QCOMPARE(s.table->record(row).value("MAXIMUM").toInt(), 999);
        QVERIFY(s.table->post(row, false));
        QCOMPARE(s.rowText(row), QString("7|1|999|Secteur7|2/999|0,2%|16|7001 --> 7999"));
    }

    void emptyRangeOfAnExistingRowIsRejected() {
        Sectors s;
        const int row = s.rowOf(3);
        s.set(row, "MAXIMUM", 0); // minimum 1: no zone in the range
        QVERIFY(!s.table->post(row, false));
        QCOMPARE(s.messages, QStringList{"* Max must not be below Min"});
        // A template sector of one zone 0 keeps passing.
        const int five = s.rowOf(5);
        s.set(five, "NOM", "Caisse");
        QVERIFY(s.table->post(five, false));
        QCOMPARE(s.rowText(five), QString("5|0|0|Caisse|1/1|100%|4|5000 --> 5000"));
    }

    void deletingSectors() {
        Sectors s;
        ScriptedInteraction ui;
        s.context.setLanguage("FR");
        QVERIFY(!SectorRules::deleteSector(s.data, s.rowOf(7), s.context, ui));
        QCOMPARE(ui.notices, QStringList{Translation::lookup("FParam_DelImp", "FR")});
        QCOMPARE(s.count("SECTEUR = 7"), 801);

        const int row = s.table->rowCount();
        s.table->insertRow(row);
        s.set(row, "SECTEUR", 4);
        s.set(row, "MINIMUM", 1);
        s.set(row, "MAXIMUM", 3);
        QVERIFY(s.table->post(row, true));
        QVERIFY(s.table->submitAll());
        s.data.sectorDeleted = false;
        QVERIFY(SectorRules::deleteSector(s.data, s.rowOf(4), s.context, ui));
        QVERIFY(s.data.sectorDeleted);
        QCOMPARE(s.count("SECTEUR = 4"), 0);
        QVERIFY(s.table->submitAll());
        QCOMPARE(s.rowOf(4), -1);
    }
};

QTEST_GUILESS_MAIN(TestSectorRules)
#include "tst_sectorrules.moc"
