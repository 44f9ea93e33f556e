#include "core/platform/errors.h"
#include "core/platform/inifile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name = QStringLiteral("Korvello.conf")) const {
        return m_dir.filePath(name);
    }
    void writeRaw(const QByteArray &content) {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QByteArray readRaw() {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void cleanup() { QFile::remove(path()); }

    void missingFileGivesDefaults() {
        IniFile ini(path());
        QCOMPARE(ini.readString("CONF", "EDITCHEMIN", "fallback"), QString("fallback"));
        QCOMPARE(ini.readInteger("FTP", "CHECK", -1), -1);
        QVERIFY(!ini.keyExists("CONF", "ADB"));
        QVERIFY(!QFile::exists(path()));
    }

    void unreadableFileGivesDefaults() {
        // A folder where the file should be cannot be read as one.
        QVERIFY(QDir().mkpath(path()));
        IniFile ini(path());
        QCOMPARE(ini.readString("CONF", "LNG", "NL"), QString("NL"));
        QVERIFY(QDir(path()).removeRecursively());
    }

    void firstWriteCreatesFileAndSection() {
        IniFile ini(path());
        ini.writeString("CONF", "ADB", "");
        ini.writeInteger("CONF", "FTP_AVAILABLE", 0);
        ini.writeInteger("FTP", "CHECK", 0);
        QCOMPARE(readRaw(), QByteArray("[CONF]\nADB=\nFTP_AVAILABLE=0\n\n[FTP]\nCHECK=0\n"));
    }

    // The file holds the server's password.
    void newFileIsPrivateAndAChosenModeIsKept() {
        IniFile ini(path());
        ini.writeString("FTP", "MDP", "secret");
        QCOMPARE(QFile::permissions(path()) & 0x0777, QFile::ReadUser | QFile::WriteUser);
        const auto shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                            QFile::WriteUser | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path(), shared));
        ini.writeString("FTP", "MDP", "other");
        QCOMPARE(QFile::permissions(path()) & 0x0777, shared & 0x0777);
    }

    void namesMatchWithoutCase() {
        IniFile ini(path());
        ini.writeInteger("FTP", "PORT", 2222);
        QCOMPARE(ini.readInteger("ftp", "port", 0), 2222);
        QCOMPARE(ini.readString("Ftp", "Port", ""), QString("2222"));
        // Writing under another spelling changes the same line.
        ini.writeInteger("ftp", "port", 22);
        QCOMPARE(readRaw(), QByteArray("[FTP]\nPORT=22\n"));
    }

    void valuesAreReadTrimmed() {
        writeRaw("[FTP]\r\n  HOST =  ftp.example.org \t\r\n");
        QCOMPARE(IniFile(path()).readString("FTP", "HOST", ""), QString("ftp.example.org"));
    }

    void integers_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("number") << QByteArray("12") << 12;
        QTest::newRow("blanks around") << QByteArray("  7 ") << 7;
        QTest::newRow("negative") << QByteArray("-3") << -3;
        QTest::newRow("text") << QByteArray("abc") << -1;
        QTest::newRow("number then text") << QByteArray("3x") << -1;
        QTest::newRow("decimal") << QByteArray("1.5") << -1;
        QTest::newRow("empty") << QByteArray("") << -1;
    }
    void integers() {
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        writeRaw("[CONF]\nFTP_AVAILABLE=" + stored + "\n");
        QCOMPARE(IniFile(path()).readInteger("CONF", "FTP_AVAILABLE", -1), expected);
    }

    void emptyWriteKeepsTheKey() {
        IniFile ini(path());
        ini.writeString("CONF", "PROGEXT", "something");
        ini.writeString("CONF", "PROGEXT", "");
        QVERIFY(ini.keyExists("CONF", "PROGEXT"));
        QCOMPARE(ini.readString("CONF", "PROGEXT", "default"), QString());
    }

    void writeKeepsOtherLinesAndOrder() {
        writeRaw("; shop settings\r\n[CONF]\r\nLNG=FR\r\nEDITCHEMIN=/srv/count/\r\n\r\n"
                 "[FTP]\r\nHOST=h\r\n");
        IniFile ini(path());
        ini.writeString("CONF", "lng", "NL");
        ini.writeString("CONF", "VIDAGE", "V");
        ini.writeString("FTP", "LOGIN", "shop");
        QCOMPARE(readRaw(),
                 QByteArray("; shop settings\r\n[CONF]\r\nLNG=NL\r\nEDITCHEMIN=/srv/count/\r\n"
                            "VIDAGE=V\r\n\r\n[FTP]\r\nHOST=h\r\nLOGIN=shop\r\n"));
    }

    void eachWriteReachesTheFileAtOnce() {
        IniFile writer(path());
        IniFile reader(path());
        writer.writeString("CONF", "TRANSAUTO", "V");
        QCOMPARE(reader.readString("CONF", "TRANSAUTO", "T"), QString("V"));
    }

    void lineBreaksInAValueStayOnOneLine() {
        IniFile ini(path());
        ini.writeString("FTP", "DIR", "in\nOTHER=x");
        QVERIFY(!ini.keyExists("FTP", "OTHER"));
        QCOMPARE(ini.readString("FTP", "DIR", ""), QString("in OTHER=x"));
    }

    void singleByteFileIsReadToo() {
        writeRaw("[CONF]\nEDITCHEMIN=/srv/Inventaire \xe9t\xe9/\n");
        QCOMPARE(IniFile(path()).readString("CONF", "EDITCHEMIN", ""),
                 QString::fromUtf8("/srv/Inventaire été/"));
    }

    void accentsSurviveAWrite() {
        IniFile ini(path());
        ini.writeString("CONF", "CODELIB", QString::fromUtf8("Librairie Générale"));
        QCOMPARE(ini.readString("CONF", "CODELIB", ""), QString::fromUtf8("Librairie Générale"));
    }

    void failedWriteIsReported() {
        IniFile ini(m_dir.filePath("missing/folder/Korvello.conf"));
        QVERIFY_THROWS_EXCEPTION(KorvelloError, ini.writeString("CONF", "LNG", "FR"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
