#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/i18n/translation.h"
#include "gui/dumpwindow.h"
#include "gui/mainwindow.h"
#include "gui/panel.h"
#include "support/adbdouble.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"
#include <QTimer>

#include <functional>

namespace {

// Answers the next modal message box, keeping its text.
void answerNextBox(QString *text, QMessageBox::StandardButton button = QMessageBox::Ok) {
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        *text = box->text();
        box->button(button)->click();
    });
}

QString lookup(const QString &key, const QString &language) {
    return Translation::lookup(key, language);
}

// A count database with two zones, as a handheld holds it; gives its path.
QString makeCountDatabase(const QString &folder) {
    const QString path = folder + "/fixture.s3db";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(
            "CREATE TABLE GCD (ZONE TEXT, Code TEXT, Quantite INTEGER, Heure TEXT, Valide TEXT)");
        q.exec("INSERT INTO GCD VALUES ('3001', '9782070360024', 2, '10:00:00', 'O')");
        q.exec("INSERT INTO GCD VALUES ('3002', '9782253004226', 1, '10:05:00', 'O')");
        db.close();
    }
    QSqlDatabase::removeDatabase("fixture");
    return path;
}

// A program folder whose settings point at a handheld test double.
struct Home {
    QTemporaryDir dir;
    AdbDouble adb{dir.filePath("tools")};
    AppContext context{dir.path()};

    explicit Home(const QByteArray &extraConf = {}) {
        writeFile(context.configPath(), "[CONF]\nADB=" + adb.prefix().toUtf8() + "\n" + extraConf);
    }
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
    }

    void creationCompletesTheConfiguration() {
        QTemporaryDir program;
        AppContext context(program.path());
        MainWindow window(context);
        QCOMPARE(window.objectName(), QString("FMain"));
        QCOMPARE(window.size(), QSize(922, 588));
        QCOMPARE(readFile(context.configPath()),
                 QByteArray("[CONF]\nADB=\nFTP_AVAILABLE=0\n\n[FTP]\nCHECK=0\n"));
    }

    void creationErrorIsShownAndTheWindowStillOpens() {
        QTemporaryDir program;
        AppContext context(program.path());
        QVERIFY(QDir().mkpath(context.configPath())); // cannot be written as a file
        QString shown;
        answerNextBox(&shown);
        MainWindow window(context);
        QVERIFY2(shown.contains("Korvello.conf"), qPrintable(shown));
        window.show();
        QVERIFY(window.isVisible());
    }

    void activationWithoutHandheld() {
        Home home;
        DataModule data;
        MainWindow window(home.context);
        window.setDataModule(&data);
        window.refreshOnActivation();
        QCOMPARE(home.context.currentLanguage(), QString("NL"));
        QCOMPARE(window.m_languageChoice->currentText(), QString("NL"));
        QCOMPARE(home.context.handheldState, HandheldState::Disconnected);
        QCOMPARE(window.m_handheldStateText->text(), lookup("AppDeConnecte", "NL"));
        QCOMPARE(window.m_indicator, QColor(255, 0, 0));
        QCOMPARE(window.m_titleLabel->text(), lookup("FMain.Caption", "NL"));
        QCOMPARE(window.m_versionLabel->text(), lookup("FMain.Label8", "NL") + " 3.6.3.0");
        QCOMPARE(window.findChild<QLabel *>("Label5")->text(), lookup("FMain.Label5", "NL"));
        QVERIFY(window.m_devicesOutput->toPlainText().startsWith("List of devices attached"));
        QVERIFY(!window.m_dumpChoice->isVisibleTo(&window));
        QCOMPARE(data.storeParams().value("User_Name"), QString("QUOREL"));
    }

    void activationWithHandheldInFrench() {
        Home home("LNG=FR\n");
        home.adb.connectOne();
        MainWindow window(home.context);
        home.context.dumpModeLabel = "Alpha";
        window.refreshOnActivation();
        QCOMPARE(window.m_languageChoice->currentText(), QString("FR"));
        QCOMPARE(home.context.handheldState, HandheldState::Connected);
        QCOMPARE(window.m_handheldStateText->text(), lookup("AppConnecte", "FR"));
        QCOMPARE(window.m_indicator, QColor(0, 128, 0));
        QCOMPARE(window.findChild<QLabel *>("Label5")->text(), QString::fromUtf8("Paramètres"));
        // The dump mode survives the translation of the window.
        QCOMPARE(window.m_dumpModeLabel->text(), QString("Alpha"));
    }

    void unknownLanguageSelectsNothing() {
        Home home("LNG=DE\n");
        MainWindow window(home.context);
        window.refreshOnActivation();
        QCOMPARE(window.m_languageChoice->currentIndex(), -1);
        QCOMPARE(window.m_titleLabel->text(), QString());
        QCOMPARE(window.findChild<QLabel *>("Label5")->text(),
                 QString::fromUtf8("Paramètres")); // design text kept
    }

    void languageChangeWritesOnlyAChange() {
        Home home("LNG=NL\n");
        MainWindow window(home.context);
        window.refreshOnActivation();
        const QByteArray before = readFile(home.context.configPath());

        window.m_languageChoice->setCurrentIndex(window.m_languageChoice->findText("NL"));
        window.changeLanguage();
        QCOMPARE(readFile(home.context.configPath()), before);

        window.m_languageChoice->setCurrentIndex(window.m_languageChoice->findText("FR"));
        window.changeLanguage();
        QCOMPARE(home.context.config().readString("CONF", "LNG", ""), QString("FR"));
        QCOMPARE(home.context.currentLanguage(), QString("FR"));
        QCOMPARE(window.m_titleLabel->text(), lookup("FMain.Caption", "FR"));
        QCOMPARE(window.m_versionLabel->text(), lookup("FMain.Label8", "FR") + " 3.6.3.0");
    }

    void dumpChoicePanel_data() {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("uploadOffered");
        QTest::newRow("no count file")
            << QByteArray("FTP_AVAILABLE=1\n[FTP]\nCHECK=1\n") << QStringList{"notes.txt"} << true;
        QTest::newRow("three count files")
            << QByteArray("FTP_AVAILABLE=1\n[FTP]\nCHECK=1\n")
            << QStringList{"Stk3001.txt", "STK3002.TXT", "stkA_x.txt", "Stk3003.bak"} << true;
        QTest::newRow("server allowed, copy off")
            << QByteArray("FTP_AVAILABLE=1\n[FTP]\nCHECK=0\n") << QStringList{} << false;
        QTest::newRow("copy on, server not allowed")
            << QByteArray("FTP_AVAILABLE=0\n[FTP]\nCHECK=1\n") << QStringList{} << false;
    }
    void dumpChoicePanel() {
        QFETCH(QByteArray, conf);
        QFETCH(QStringList, files);
        QFETCH(bool, uploadOffered);
        Home home("LNG=FR\n" + conf);
        for (const QString &name : files)
            writeFile(home.dir.filePath("Files/") + name, "x");
        MainWindow window(home.context);
        window.refreshOnActivation();
        window.openDumpChoice();
        QVERIFY(QFileInfo(home.dir.filePath("Files")).isDir());
        QVERIFY(window.m_dumpChoice->isVisibleTo(&window));
        QCOMPARE(window.m_uploadChoice->isVisibleTo(&window), uploadOffered);
        const int waiting =
            files
                .filter(QRegularExpression("^stk.*txt$", QRegularExpression::CaseInsensitiveOption))
                .size();
        if (waiting == 0) {
            QCOMPARE(window.m_uploadButton->text(), lookup("AucunTransfert", "FR"));
            QVERIFY(!window.m_uploadButton->isEnabled());
        } else {
            QCOMPARE(window.m_uploadButton->text(),
                     lookup("Transfert2", "FR") + " 3 " + lookup("Transfert3", "FR"));
            QVERIFY(window.m_uploadButton->isEnabled());
        }
        window.closeDumpChoice();
        QVERIFY(!window.m_dumpChoice->isVisibleTo(&window));
    }

    void avancementGuard_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("opens");
        QTest::newRow("not read yet") << "" << true;
        QTest::newRow("numeric") << QString::fromUtf8("Numérique") << true;
        QTest::newRow("alphanumeric") << "Alpha" << false;
    }
    void avancementGuard() {
        QFETCH(QString, mode);
        QFETCH(bool, opens);
        Home home("LNG=FR\n");
        MainWindow window(home.context);
        home.context.setLanguage("FR");
        home.context.dumpModeLabel = mode;
        QSignalSpy wanted(&window, &MainWindow::progressWindowWanted);
        QString shown;
        if (!opens)
            answerNextBox(&shown);
        window.openProgress();
        QCOMPARE(wanted.count(), opens ? 1 : 0);
        QCOMPARE(shown, opens ? QString() : lookup("ShowAvance", "FR"));
    }

    void closingDeletesTheUploadKeyOnly() {
        QTemporaryDir work;
        const QString start = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        writeFile(work.filePath("upload.ppk"), "key");
        writeFile(work.filePath("other.ppk"), "key");
        {
            Home home;
            MainWindow window(home.context);
            window.close();
            QVERIFY(QFile::exists(work.filePath("upload.ppk")));
            home.context.uploadKeyName = "upload.ppk";
            window.close();
        }
        QVERIFY(!QFile::exists(work.filePath("upload.ppk")));
        QVERIFY(QFile::exists(work.filePath("other.ppk")));
        QDir::setCurrent(start);
    }

    void deviceWatchPlugAndUnplug() {
        QTemporaryDir work;
        const QString start = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        Home home;
        home.adb.connectOne();
        home.adb.putFile(Bridge::kCountDatabase, readFile(makeCountDatabase(work.path())));
        home.adb.putFile(Bridge::kHandheldTempFolder + "Param.txt", "Alpha\r\n");
        DataModule data;
        {
            MainWindow window(home.context);
            window.setDataModule(&data);
            window.deviceWatch()->stop(); // ticks by hand
            window.watchDevice();
            QCOMPARE(home.context.handheldState, HandheldState::Connected);
            QCOMPARE(window.m_indicator, QColor(0, 128, 0));
            QCOMPARE(window.m_connectionFlag->text(), QString("1"));
            QVERIFY(QFile::exists(home.dir.filePath("Files/Temp/Inventaire.s3db")));
            QVERIFY(QFileInfo(home.dir.filePath("Files/Save")).isDir());
            QCOMPARE(window.currentDumpWindow()->zoneCount(), 2);
            QCOMPARE(home.context.dumpModeLabel, QString("Alpha"));
            QCOMPARE(window.m_dumpModeLabel->text(), QString("Alpha"));
            QVERIFY(readFile(work.filePath("adbresult.txt")).contains("R58M12345\tdevice"));

            // A full list is not pulled again.
            home.adb.clearCalls();
            window.watchDevice();
            QCOMPARE(home.adb.calls(), (QList<QStringList>{{"devices"}}));

            home.adb.setDevices({});
            window.watchDevice();
            QCOMPARE(home.context.handheldState, HandheldState::Disconnected);
            QCOMPARE(window.m_indicator, QColor(255, 0, 0));
            QCOMPARE(window.m_connectionFlag->text(), QString("2"));
            QVERIFY(!QFile::exists(home.dir.filePath("Files/Temp")));
            QVERIFY(!data.sqlite().isOpen());
        }
        QDir::setCurrent(start);
    }

    // A count table the watch cannot read: one box for the fault, the watch paused while it
    // is open, and no box again each second.
    void deviceWatchTellsAFaultOnce() {
        QTemporaryDir work;
        const QString start = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        Home home;
        home.adb.connectOne();
        home.adb.putFile(Bridge::kCountDatabase, readFile(makeCountDatabase(work.path())));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "malformed");
            db.setDatabaseName(home.adb.storagePath(Bridge::kCountDatabase));
            QVERIFY(db.open());
            QSqlQuery(db).exec("DROP TABLE GCD");
            QSqlQuery(db).exec("CREATE TABLE GCD (Code TEXT)"); // no ZONE, no Quantite
            db.close();
        }
        QSqlDatabase::removeDatabase("malformed");
        DataModule data;
        {
            MainWindow window(home.context);
            window.setDataModule(&data);
            QStringList shown;
            bool watchRunningWhileShown = true;
            window.m_showError = [&](const QString &text) {
                shown << text;
                watchRunningWhileShown = window.deviceWatch()->isActive();
            };
            window.watchDevice();
            QCOMPARE(shown.size(), 1);
            QVERIFY(!watchRunningWhileShown);
            QVERIFY(window.deviceWatch()->isActive()); // back once the box is closed
            window.watchDevice();
            window.watchDevice();
            QCOMPARE(shown.size(), 1);
            // Unplugged and plugged again: the fault is told again.
            home.adb.setDevices({});
            window.watchDevice();
            home.adb.connectOne();
            window.watchDevice();
            QCOMPARE(shown.size(), 2);
            window.deviceWatch()->stop();
        }
        QDir::setCurrent(start);
    }

    void dumpWindowFromOpeningToQuitter() {
        QTemporaryDir work;
        const QString start = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        Home home("LNG=FR\nTRANSAUTO=T\nEDITCHEMIN=" + work.filePath("Count/").toUtf8() + "\n");
        QVERIFY(QDir().mkpath(work.filePath("Count")));
        home.adb.connectOne();
        home.adb.putFile(Bridge::kCountDatabase, readFile(makeCountDatabase(work.path())));
        DataModule data;
        {
            MainWindow window(home.context);
            window.setDataModule(&data);
            window.deviceWatch()->stop();
            window.refreshOnActivation();
            window.openDumpWindow();
            QVERIFY(!window.isEnabled());
            DumpWindow *dumpWindow = window.currentDumpWindow();
            QVERIFY(dumpWindow && dumpWindow->isVisible());
            QTRY_COMPARE(dumpWindow->zoneCount(), 2);
            QCOMPARE(home.context.dumpMode, QString::fromUtf8("Numérique"));

            QString report;
            answerNextBox(&report);
            dumpWindow->dumpHandheld();
            QVERIFY2(report.contains("Stk3001.txt"), qPrintable(report));
            QVERIFY(QFile::exists(work.filePath("Count/Stk3001.txt")));
            QVERIFY(QFile::exists(home.dir.filePath("Fichiers/Sauve/Stk3001.txt")));
            QCOMPARE(dumpWindow->zoneCount(), 0);
            QVERIFY(!window.deviceWatch()->isActive()); // off until the window is left

            dumpWindow->leave();
            QVERIFY(window.isEnabled());
            QVERIFY(window.deviceWatch()->isActive());
            window.deviceWatch()->stop();
            QTRY_VERIFY(!window.currentDumpWindow());
            // Left: a connected handheld is no longer pulled by the watch.
            home.adb.clearCalls();
            window.watchDevice();
            QCOMPARE(home.adb.calls(), (QList<QStringList>{{"devices"}}));
        }
        QDir::setCurrent(start);
    }

    // Paramètres, Génération BD and Transfert BD each open their window, translated, with the
    // main window disabled until it is left.
    void entriesOpenTheirWindows_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button"); // a control and its Dutch text
        QTest::addColumn<bool>("asks");
        QTest::newRow("settings") << "Panel4"
                                  << "FParam"
                                  << "ButtonInit" << true;
        QTest::newRow("generation") << "PanelGen"
                                    << "FChargeBD"
                                    << "ButtonCharger" << false;
        QTest::newRow("transfer") << "PanelTransf"
                                  << "FTransfer"
                                  << "ButtonTransfer" << false;
    }
    void entriesOpenTheirWindows() {
        QFETCH(QString, entry);
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(bool, asks);
        QTemporaryDir work;
        const QString start = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        Home home("LNG=NL\n");
        DataModule data;
        {
            MainWindow main(home.context);
            main.setDataModule(&data);
            main.deviceWatch()->stop();
            main.refreshOnActivation();
            auto *panel = main.findChild<Panel *>(entry);
            QVERIFY(panel && panel->isEnabled());
            emit panel->clicked();
            QVERIFY(!main.isEnabled());
            QWidget *opened = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == window && top->isVisible())
                    opened = top;
            QVERIFY(opened);
            QCOMPARE(opened->findChild<QAbstractButton *>(button)->text(),
                     Translation::lookup(window + "." + button, "NL"));
            QTest::qWait(0); // the window's activation
            QString question;
            if (asks)
                answerNextBox(&question, QMessageBox::No);
            opened->findChild<QAbstractButton *>("ButtonFermer")->click();
            QVERIFY(main.isEnabled());
            QCOMPARE(question, asks ? lookup("FParam_save", "NL") : QString());
        }
        QDir::setCurrent(start);
    }

    void runDosInMemoAppendsAndResumesTheWatch() {
        QTemporaryDir program;
        AppContext context(program.path());
        MainWindow window(context);
        QPlainTextEdit memo;
        memo.setPlainText("x");
        window.deviceWatch()->start();
        window.runCaptured({"/bin/sh", {"-c", "printf 'List of devices attached\\n'"}}, &memo);
        QCOMPARE(memo.toPlainText(), QString("xList of devices attached\n"));
        QVERIFY(window.deviceWatch()->isActive());
    }

    void askWithCaptionsTakesTheCallerCaptions() {
        QTemporaryDir program;
        AppContext context(program.path());
        MainWindow window(context);
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = {box->windowTitle(), box->button(QMessageBox::Yes)->text(),
                    box->button(QMessageBox::Cancel)->text()};
            box->button(QMessageBox::Yes)->click();
        });
        const auto answer = window.askWithCaptions("Envoyer ?", MessageBoxes::BoxType::Confirmation,
                                                   QMessageBox::Yes | QMessageBox::Cancel,
                                                   {"Confirmer", "Annuler"}, "Transfert");
        QCOMPARE(answer, QMessageBox::Yes);
        QCOMPARE(seen, (QStringList{"Transfert", "Confirmer", "Annuler"}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
