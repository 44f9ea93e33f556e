#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/logfile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestLogFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QByteArray logBytes(const AppContext &context) {
        QFile file(context.logPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        const QString lng = m_dir.filePath("korvello.lng");
        QFile file(lng);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[FR]\nFChargeDB_CreaLog=Création du journal\n"
                   "[NL]\nFChargeDB_CreaLog=Logbestand aangemaakt\n");
        file.close();
        Translation::setLanguageFile(lng);
    }

    void stampFollowsTheLocale() {
        const QDateTime moment(QDate(2026, 12, 11), QTime(9, 4, 5));
        QCOMPARE(LogFile::stamp(moment), QString("[11/12/2026][09:04:05] "));
        QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Belgium));
        QCOMPARE(LogFile::stamp(moment), QString("[11/12/2026][09:04:05] "));
        // Belgian French spells the long time "9 h 04 min 05 s"; the log keeps colons.
        QLocale::setDefault(QLocale(QLocale::French, QLocale::Belgium));
        QCOMPARE(LogFile::stamp(moment), QString("[11/12/26][09:04:05] "));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }

    void newLogStartsWithTheCreationLine() {
        QTemporaryDir home;
        AppContext context(home.path());
        context.setLanguage("FR");
        LogFile::append(context, QString::fromUtf8("Début de la copie"));
        LogFile::append(context, "second");

        const QByteArray bytes = logBytes(context);
        QVERIFY(bytes.endsWith("\r\n"));
        const QList<QByteArray> lines = bytes.chopped(2).split('\n');
        QCOMPARE(lines.size(), 3);
        const QRegularExpression stamp(R"(^\[\d\d/\d\d/\d{4}\]\[\d\d:\d\d:\d\d\] )");
        for (const QByteArray &line : lines) {
            QVERIFY2(stamp.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        }
        // Windows-1252 on disk: é is one byte.
        QVERIFY(lines[0].endsWith("] Cr\xe9"
                                  "ation du journal\r"));
        QVERIFY(lines[1].endsWith("] D\xe9"
                                  "but de la copie\r"));
        QVERIFY(lines[2].endsWith("] second"));
    }

    void existingLogIsOnlyAppendedTo() {
        QTemporaryDir home;
        AppContext context(home.path());
        {
            QFile file(context.logPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier line\r\n");
        }
        LogFile::append(context, "next");
        const QByteArray bytes = logBytes(context);
        QVERIFY(bytes.startsWith("earlier line\r\n["));
        QVERIFY(bytes.endsWith("] next\r\n"));
        QCOMPARE(bytes.count('\n'), 2);
    }

    void creationLineUsesTheCurrentLanguage() {
        QTemporaryDir home;
        AppContext context(home.path());
        context.setLanguage("NL");
        LogFile::append(context, "x");
        QVERIFY(logBytes(context).contains("] Logbestand aangemaakt\r\n"));
    }

    void unwritableLogIsAnError() {
        QTemporaryDir home;
        AppContext context(home.path());
        // A folder in the log's place cannot be opened for writing, whoever runs the test.
        QVERIFY(QDir().mkpath(context.logPath()));
        QVERIFY_THROWS_EXCEPTION(KorvelloError, LogFile::append(context, "second"));
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
