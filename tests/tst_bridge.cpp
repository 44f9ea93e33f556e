#include "core/device/bridge.h"
#include "support/adbdouble.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ToolCommand)

class TestBridge : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void commandArguments_data() {
        QTest::addColumn<ToolCommand>("command");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        const QString p = "/opt/adb tools/";
        const QString c = "/srv/Inv \"Q\"; Files/Temp";
        const QString f = "/home/shop/korvello";
        QTest::newRow("pull count database")
            << Bridge::pullCountDatabase(p, c) << "/opt/adb tools/adb"
            << QStringList{
                   "pull",
                   "/storage/emulated/0/Android/data/com.korvello.scanner/files/Inventaire.s3db",
                   "/srv/Inv \"Q\"; Files/Temp/Inventaire.s3db"};
        QTest::newRow("pull handheld temporary folder")
            << Bridge::pullHandheldTempFolder(p, c) << "/opt/adb tools/adb"
            << QStringList{"pull",
                           "/storage/emulated/0/Android/data/com.korvello.scanner/files/tmp/",
                           "/srv/Inv \"Q\"; Files/Temp/"};
        QTest::newRow("push count database")
            << Bridge::pushCountDatabase(p, c) << "/opt/adb tools/adb"
            << QStringList{
                   "push", "/srv/Inv \"Q\"; Files/Temp/Inventaire.s3db",
                   "/storage/emulated/0/Android/data/com.korvello.scanner/files/Inventaire.s3db"};
        QTest::newRow("push article database")
            << Bridge::pushArticleDatabase(p, f) << "/opt/adb tools/adb"
            << QStringList{"push", "/home/shop/korvello/GenCodBD.s3db",
                           "/storage/emulated/0/Android/data/com.korvello.scanner/files/"};
        QTest::newRow("devices, empty prefix")
            << Bridge::listDevices("") << "adb" << QStringList{"devices"};
    }
    void commandArguments() {
        QFETCH(ToolCommand, command);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QCOMPARE(command.program, program);
        QCOMPARE(command.arguments, arguments);
    }

    void detection_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("connected");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("heading only") << "List of devices attached\r\n\r\n" << false;
        QTest::newRow("one ready") << "List of devices attached\r\nR58M1\tdevice\r\n\r\n" << true;
        QTest::newRow("one unauthorized") << "List of devices attached\nR58M1\tunauthorized\n\n"
                                          << false;
        QTest::newRow("daemon start then one ready")
            << "* daemon not running; starting now at tcp:5037\n* daemon started successfully\n"
               "List of devices attached\nR58M1\tdevice\n\n"
            << true;
        QTest::newRow("word must match case") << "List of devices attached\nR1\tDEVICE\n" << false;
    }
    void detection() {
        QFETCH(QString, output);
        QFETCH(bool, connected);
        QCOMPARE(Bridge::isConnected(output), connected);
    }

    void detectThroughTheTool() {
        AdbDouble adb(m_dir.filePath("detect"));
        QString memo = "stale";
        QVERIFY(!Bridge::detect(adb.prefix(), memo));
        QCOMPARE(memo, QString("List of devices attached\n\n"));

        adb.setDevices({"R58M1\tunauthorized"});
        QVERIFY(!Bridge::detect(adb.prefix(), memo));

        adb.connectOne();
        QVERIFY(Bridge::detect(adb.prefix(), memo));
        QCOMPARE(adb.calls().last(), QStringList{"devices"});

        adb.setHanging(true);
        QVERIFY(!Bridge::detect(adb.prefix(), memo, nullptr, 300));
        QCOMPARE(memo, QString());
    }

    void missingToolReadsAsDisconnected() {
        QString memo;
        QVERIFY(!Bridge::detect(m_dir.filePath("nowhere") + "/", memo));
    }

    void copiesLandWhereTheProgramLooks() {
        AdbDouble adb(m_dir.filePath("copy"));
        adb.connectOne();
        adb.putFile(Bridge::kCountDatabase, "sqlite bytes");
        adb.putFile(Bridge::kHandheldTempFolder + "Param.txt", "Alpha\r\n");
        const QString count = m_dir.filePath("Inv \"Q\"; Files") + "/";
        QVERIFY(QDir().mkpath(count + "Temp"));

        QVERIFY(
            HiddenRunner::run(Bridge::pullCountDatabase(adb.prefix(), count + "Temp")).exitCode ==
            0);
        QFile pulled(count + "Temp/Inventaire.s3db");
        QVERIFY(pulled.open(QIODevice::ReadOnly));
        QCOMPARE(pulled.readAll(), QByteArray("sqlite bytes"));

        // The real tool puts a folder pulled into an existing folder in a sub-folder.
        HiddenRunner::run(Bridge::pullHandheldTempFolder(adb.prefix(), count + "Temp"));
        QVERIFY(QFile::exists(count + "Temp/tmp/Param.txt"));

        QFile changed(count + "Temp/Inventaire.s3db");
        QVERIFY(changed.open(QIODevice::WriteOnly));
        changed.write("after dump");
        changed.close();
        HiddenRunner::run(Bridge::pushCountDatabase(adb.prefix(), count + "Temp"));
        QCOMPARE(adb.file(Bridge::kCountDatabase), QByteArray("after dump"));

        const QList<QStringList> calls = adb.calls();
        QCOMPARE(calls.size(), 3);
        QCOMPARE(calls[0], Bridge::pullCountDatabase(adb.prefix(), count + "Temp").arguments);
        QCOMPARE(calls[2], Bridge::pushCountDatabase(adb.prefix(), count + "Temp").arguments);
    }

    void toolRefusesCopiesWithoutExactlyOneHandheld_data() {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QString>("message");
        QTest::newRow("none") << QStringList{} << "no devices/emulators found";
        QTest::newRow("unauthorized") << QStringList{"R1\tunauthorized"} << "device unauthorized";
        QTest::newRow("two") << QStringList{"R1\tdevice", "R2\tdevice"} << "more than one device";
    }
    void toolRefusesCopiesWithoutExactlyOneHandheld() {
        QFETCH(QStringList, devices);
        QFETCH(QString, message);
        AdbDouble adb(m_dir.filePath(QTest::currentDataTag()));
        adb.setDevices(devices);
        adb.putFile(Bridge::kCountDatabase, "x");
        const QString count = m_dir.filePath(QString("refused-") + QTest::currentDataTag()) + "/";
        QVERIFY(QDir().mkpath(count + "Temp"));
        const RunResult result =
            HiddenRunner::run(Bridge::pullCountDatabase(adb.prefix(), count + "Temp"));
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(QString::fromUtf8(result.output).contains(message), result.output.constData());
        QVERIFY(!QFile::exists(count + "Temp/Inventaire.s3db"));
    }
};

QTEST_GUILESS_MAIN(TestBridge)
#include "tst_bridge.moc"
