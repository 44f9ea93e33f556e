#include "core/data/datamodule.h"
#include "support/firebirdserver.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTest>

class TestStoreDatabase : public QObject {
    Q_OBJECT

    FirebirdServer m_server;
    QString m_store;      // a store database whose path row has blanks around it
    QString m_withoutRow; // a store database without the "PATHQVINV" row

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        m_store = m_server.filePath("store.fdb");
        m_withoutRow = m_server.filePath("bare.fdb");
        const QString schema =
            "CREATE TABLE SYSDEFPATH (SDP_NAME VARCHAR(40), SDP_PATH VARCHAR(255));\n"
            "CREATE ROLE RQRAPP;\n"
            "GRANT SELECT ON SYSDEFPATH TO ROLE RQRAPP;\n"
            "GRANT RQRAPP TO QUOREL;\n"
            "INSERT INTO SYSDEFPATH VALUES ('OTHER', '/elsewhere');\n";
        QVERIFY2(
            m_server.createDatabase(
                m_store,
                schema + "INSERT INTO SYSDEFPATH VALUES ('PATHQVINV', '  /srv/inventaire/  ');",
                &error),
            qPrintable(error));
        QVERIFY2(m_server.createDatabase(m_withoutRow, schema, &error), qPrintable(error));
    }

    void loadInfosSetsTheAccount() {
        DataModule data;
        data.setStoreAccount();
        QCOMPARE(data.storeParams().value("User_Name"), QString("QUOREL"));
        QCOMPARE(data.storeParams().value("Password"), QString("Qz7391r#"));
        QCOMPARE(data.storeParams().value("RoleName"), QString("RQRAPP"));
        QCOMPARE(data.storeParams().value("CharacterSet"), QString("WIN1252"));
    }

    void inventoryFolderIsReadTrimmed() {
        DataModule data;
        data.setStoreAccount();
        QCOMPARE(data.inventoryFolder(m_server.connectionString(m_store)),
                 QString("/srv/inventaire/"));
        QVERIFY(data.storeDatabase().isOpen());
        // The parameters are now exactly those of the lookup: no character set any more.
        QVERIFY(!data.storeParams().contains("CharacterSet"));
        QVERIFY(!data.storeParams().contains("SQLDialect"));
        QCOMPARE(data.storeParams().items().first().first, QString("Database"));
    }

    // Paths with accents as the stores keep them: Windows-1252 bytes in a column of character
    // set NONE (and UTF-8 bytes, which some databases hold, stay UTF-8).
    void accentedPathsRead_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("NONE, Windows-1252 bytes") << "VARCHAR(255)"
                                                  << "'/srv/caf' || x'E9' || '/'";
        QTest::newRow("NONE, UTF-8 bytes") << "VARCHAR(255)"
                                           << "'/srv/caf' || x'C3A9' || '/'";
    }
    void accentedPathsRead() {
        QFETCH(QString, column);
        QFETCH(QString, value);
        const QString path = m_server.filePath(QString("accented-%1.fdb")
                                                   .arg(QTest::currentDataTag())
                                                   .replace(' ', '_')
                                                   .replace(',', ""));
        QString error;
        QVERIFY2(m_server.createDatabase(
                     path,
                     "CREATE TABLE SYSDEFPATH (SDP_NAME VARCHAR(40), SDP_PATH " + column +
                         ");\n"
                         "CREATE ROLE RQRAPP;\nGRANT SELECT ON SYSDEFPATH TO ROLE RQRAPP;\n"
                         "GRANT RQRAPP TO QUOREL;\n"
                         "INSERT INTO SYSDEFPATH VALUES ('PATHQVINV', " +
                         value + ");",
                     &error),
                 qPrintable(error));
        DataModule data;
        data.setStoreAccount();
        QCOMPARE(data.inventoryFolder(m_server.connectionString(path)),
                 QString::fromUtf8("/srv/café/"));
    }

    void theRoleIsWhatGrantsTheReading() {
        // The same account without the role may not read the table.
        DataModule data;
        data.storeParams().set("Database", m_server.connectionString(m_store));
        data.storeParams().set("User_Name", "QUOREL");
        data.storeParams().set("Password", "Qz7391r#");
        QVERIFY(data.openStore());
        QSqlQuery query(data.storeDatabase());
        QVERIFY(!query.exec("Select SDP_PATH from SYSDEFPATH"));
    }

    void missingRowGivesNothingAndKeepsTheConnection() {
        DataModule data;
        QCOMPARE(data.inventoryFolder(m_server.connectionString(m_withoutRow)), QString());
        QVERIFY(data.storeDatabase().isOpen());
    }

    void unreachableOrWrongDatabaseGivesNothing_data() {
        QTest::addColumn<QString>("database");
        QTest::newRow("no server on that port") << QString("127.0.0.1/1:/srv/store.fdb");
        QTest::newRow("no such file") << m_server.connectionString(m_server.filePath("none.fdb"));
    }
    void unreachableOrWrongDatabaseGivesNothing() {
        QFETCH(QString, database);
        DataModule data;
        QCOMPARE(data.inventoryFolder(database), QString());
        QVERIFY(!data.storeDatabase().isOpen());
    }
};

QTEST_GUILESS_MAIN(TestStoreDatabase)
#include "tst_storedatabase.moc"
