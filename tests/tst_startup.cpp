#include "core/device/bridge.h"
#include "core/platform/appcontext.h"
#include "core/platform/startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"

namespace {} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    QTemporaryDir m_home; // stands for the user's home folder

private slots:
    void initTestCase() { qputenv("HOME", m_home.path().toUtf8()); }

    void firstStartCompletesTheConfiguration() {
        QTemporaryDir program;
        AppContext context(program.path());
        context.uploadKeyName = "left-over.ppk";
        Startup::prepare(context);
        QCOMPARE(readFile(context.configPath()),
                 QByteArray("[CONF]\nADB=\nFTP_AVAILABLE=0\n\n[FTP]\nCHECK=0\n"));
        QCOMPARE(context.toolsPrefix, QString());
        QCOMPARE(context.uploadKeyName, QString());
    }

    void secondStartChangesNothing() {
        QTemporaryDir program;
        AppContext context(program.path());
        const QByteArray stored =
            "[CONF]\nADB= /opt/adb/ \nFTP_AVAILABLE=1\nLNG=FR\n[FTP]\nCHECK=1\n";
        writeFile(context.configPath(), stored);
        Startup::prepare(context);
        QCOMPARE(context.toolsPrefix, QString("/opt/adb/"));
        QCOMPARE(readFile(context.configPath()), stored);
    }

    void valuesThatAreNotNumbersAreReplaced() {
        QTemporaryDir program;
        AppContext context(program.path());
        writeFile(context.configPath(), "[CONF]\nADB=\nFTP_AVAILABLE=yes\n[FTP]\nCHECK=\n");
        Startup::prepare(context);
        QCOMPARE(context.config().readInteger("CONF", "FTP_AVAILABLE", -1), 0);
        QCOMPARE(context.config().readInteger("FTP", "CHECK", -1), 0);
    }

    void missingToolsAreCopiedFromTheSpares() {
        QTemporaryDir program;
        QTemporaryDir tools;
        AppContext context(program.path());
        writeFile(context.configPath(), "[CONF]\nADB=" + tools.path().toUtf8() + "/\n");
        writeFile(program.filePath("adb/adb"), "spare adb");
        writeFile(program.filePath("adb/fastboot"), "spare fastboot");
        writeFile(tools.filePath("fastboot"), "installed fastboot");

        Startup::prepare(context);
        QCOMPARE(readFile(tools.filePath("adb")), QByteArray("spare adb"));
        QVERIFY(QFileInfo(tools.filePath("adb")).isExecutable());
        QCOMPARE(readFile(tools.filePath("fastboot")), QByteArray("installed fastboot"));
    }

    void emptyPrefixProvisionsTheDefaultFolder() {
        QTemporaryDir program;
        AppContext context(program.path());
        writeFile(program.filePath("adb/adb"), "spare adb");

        // The default folder is never created by the program.
        Startup::prepare(context);
        QVERIFY(!QFile::exists(m_home.filePath(".local/bin")));

        QVERIFY(QDir().mkpath(m_home.filePath(".local/bin")));
        QCOMPARE(Bridge::defaultToolsFolder(), m_home.filePath(".local/bin") + "/");
        Startup::prepare(context);
        QCOMPARE(readFile(m_home.filePath(".local/bin/adb")), QByteArray("spare adb"));
        QCOMPARE(Bridge::listDevices(context.toolsPrefix).program, QString("adb"));
    }

    void missingSparesAreNotAnError() {
        QTemporaryDir program;
        QTemporaryDir tools;
        AppContext context(program.path());
        writeFile(context.configPath(), "[CONF]\nADB=" + tools.path().toUtf8() + "/\n");
        Startup::prepare(context);
        QVERIFY(QDir(tools.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
