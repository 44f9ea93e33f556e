#include "core/articles/articlebuild.h"
#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/sectors/sectordatabase.h"
#include "gui/generationwindow.h"
#include "gui/settingswindow.h"
#include "gui/transferwindow.h"
#include "support/adbdouble.h"
#include "support/files.h"
#include "support/scriptedinteraction.h"
#include "support/sectorrows.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using Answer = UserInteraction::Answer;

namespace {

struct Workstation {
    QTemporaryDir dir;
    AppContext context{dir.path()};
    DataModule data;
    ScriptedInteraction ui;
    QStringList plainErrors;
    Workstation() { context.setLanguage("FR"); }
    QStringList rows(const QString &statement) { return sectorRows(data, statement); }
    QString value(const QString &section, const QString &key) const {
        return context.config().readString(section, key, "<absent>");
    }
};

// A settings window as the main window opens it, activated.
struct OpenSettings {
    SettingsWindow window;
    int resets = 0;
    int lefts = 0;
    explicit OpenSettings(Workstation &w) : window(w.context, w.data) {
        window.setInteraction(&w.ui);
        window.showPlainError = [&w](const QString &text) { w.plainErrors << text; };
        QObject::connect(&window, &SettingsWindow::campaignResetChosen, [this] { ++resets; });
        QObject::connect(&window, &SettingsWindow::left, [this] { ++lefts; });
        window.show();
        QTest::qWait(0); // the activation runs once the window is up
    }
    template <typename T> T *control(const char *name) {
        return window.findChild<T *>(QString::fromLatin1(name));
    }
    RuleTable *table(Workstation &w) { return w.data.sectorTable(); }
    void set(Workstation &w, int row, const char *field, const QVariant &value) {
        table(w)->setData(table(w)->index(row, table(w)->fieldIndex(field)), value);
    }
    // Adds a sector row in the grid, as the user types it; gives its row.
    int addSector(Workstation &w, int sector, int minimum, int maximum) {
        window.addSector();
        const int row = table(w)->rowCount() - 1;
        set(w, row, "SECTEUR", sector);
        set(w, row, "MINIMUM", minimum);
        set(w, row, "MAXIMUM", maximum);
        return row;
    }
    void goTo(Workstation &w, int row, const char *field) {
        control<QTableView>("DBGridSect")
            ->setCurrentIndex(table(w)->index(row, table(w)->fieldIndex(field)));
        QTest::qWait(0);
    }
};

} // namespace

class TestSetupWindows : public QObject {
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_startDir;

private slots:
    void initTestCase() {
        Translation::setLanguageFile(QStringLiteral(KORVELLO_BIN_DIR "/korvello.lng"));
        Translation::setMessageLanguage("FR");
        m_startDir = QDir::currentPath();
        QDir::setCurrent(m_work.path()); // the sector database's trace file goes here
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    // ---- settings ----

    void firstOpeningAndLeavingWithYes() {
        Workstation w;
        OpenSettings s(w);
        QCOMPARE(s.control<QLineEdit>("EditChemin")->text(), w.dir.path() + "/Files/");
        QCOMPARE(s.control<QLineEdit>("EditCheminSecu")->text(), w.dir.path() + "/Files/Save/");
        QVERIFY(s.control<QRadioButton>("RadioButtonTT")->isChecked());
        QVERIFY(s.control<QWidget>("Panel8")->isHidden());
        QVERIFY(s.control<QWidget>("MemoSect")->isHidden());
        QCOMPARE(s.control<QTabWidget>("PCParam")->tabText(0),
                 Translation::lookup("FParam_1.Label10", "FR"));
        QCOMPARE(s.control<QTabWidget>("PCParam")->tabText(1),
                 Translation::lookup("FBornage_Zones", "FR") + " / " +
                     Translation::lookup("FBornage_Secteur", "FR"));
        s.control<QLineEdit>("EditNomAlias")->setText("LIB01");
        w.ui.answers = {Answer::Yes};
        s.window.leave();
        QCOMPARE(w.ui.questions, QStringList{Translation::lookup("FParam_save", "FR")});
        QCOMPARE(s.lefts, 1);
        QCOMPARE(w.value("CONF", "CODELIB"), QString("LIB01"));
        QCOMPARE(w.value("CONF", "EDITCHEMIN"), w.dir.path() + "/Files/");
        QVERIFY(QFileInfo(w.dir.path() + "/Files/Save").isDir());
    }

    void emptyCountFolderKeepsTheWindowOpen() {
        Workstation w;
        OpenSettings s(w);
        s.control<QLineEdit>("EditChemin")->clear();
        w.ui.answers = {Answer::Yes};
        s.window.leave();
        QCOMPARE(w.ui.notices, QStringList{Translation::lookup("FParam_Vide", "FR")});
        QCOMPARE(s.lefts, 0);
        QVERIFY(!QFile::exists(w.context.configPath()));
    }

    void noKeepsTheSectorsButNotTheNewZones() {
        Workstation w;
        OpenSettings s(w);
        const QStringList before = w.rows("SELECT SECTEUR, MINIMUM, MAXIMUM FROM LISTESECT");
        const int row = s.addSector(w, 4, 1, 3);
        s.set(w, row, "NOM", "Caisse");
        s.goTo(w, 0, "SECTEUR"); // leaving the row posts it
        QCOMPARE(w.rows("SELECT ZONE FROM DETSECT WHERE SECTEUR = 4 ORDER BY ZONE"),
                 (QStringList{"4001", "4002", "4003"}));
        w.ui.answers = {Answer::No};
        s.window.leave();
        QCOMPARE(w.rows("SELECT SECTEUR, MINIMUM, MAXIMUM FROM LISTESECT"), before);
        QCOMPARE(w.rows("SELECT COUNT(*) FROM DETSECT WHERE SECTEUR = 4"), QStringList{"3"});
        QVERIFY(!QFile::exists(w.context.configPath()));
    }

    void aRefusedRowKeepsTheWindowOpen() {
        Workstation w;
        OpenSettings s(w);
        const int row = s.addSector(w, 4, 5, 2);
        w.ui.answers = {Answer::Yes};
        s.window.leave();
        QCOMPARE(s.lefts, 0);
        QCOMPARE(s.control<QPlainTextEdit>("MemoSect")->toPlainText(),
                 QString("* Max must not be below Min"));
        QVERIFY(!s.control<QWidget>("MemoSect")->isHidden());
        QCOMPARE(w.rows("SELECT COUNT(*) FROM LISTESECT WHERE SECTEUR = 4"), QStringList{"0"});
        // Mended, it is written.
        s.set(w, row, "MAXIMUM", 9);
        w.ui.answers = {Answer::Yes};
        s.window.leave();
        QCOMPARE(s.lefts, 1);
        QCOMPARE(w.rows("SELECT MINIMUM, MAXIMUM, ZONE FROM LISTESECT WHERE SECTEUR = 4"),
                 QStringList{"5|9|0/5"});
    }

    // A row the database refuses (a second row for sector 3) is told; nothing is dropped
    // unseen, and the window stays open to mend it.
    void aRowTheDatabaseRefusesIsTold() {
        Workstation w;
        OpenSettings s(w);
        const int row = s.addSector(w, 3, 1, 200);
        w.ui.answers = {Answer::Yes};
        s.window.leave();
        QCOMPARE(s.lefts, 0);
        QVERIFY(
            s.control<QPlainTextEdit>("MemoSect")
                ->toPlainText()
                .startsWith(Translation::lookup("FParam_BaseSecteurs", "FR").section("%1", 0, 0)));
        QCOMPARE(w.rows("SELECT COUNT(*) FROM LISTESECT WHERE SECTEUR = 3"), QStringList{"1"});
        // The refused row is still in the grid, to be mended.
        QCOMPARE(
            s.table(w)->data(s.table(w)->index(row, s.table(w)->fieldIndex("SECTEUR"))).toInt(), 3);
    }

    void sectorOutOfRangeBringsTheCursorBack() {
        Workstation w;
        OpenSettings s(w);
        s.window.addSector();
        const int row = s.table(w)->rowCount() - 1;
        s.set(w, row, "SECTEUR", 12);
        s.goTo(w, row, "NOM");
        QTest::qWait(0);
        QCOMPARE(s.control<QTableView>("DBGridSect")->currentIndex().column(),
                 s.table(w)->fieldIndex("SECTEUR"));
        QCOMPARE(s.control<QPlainTextEdit>("MemoSect")->toPlainText(),
                 QString("* Sector must be between 0 and 9"));
        s.set(w, row, "SECTEUR", 2);
        s.goTo(w, row, "NOM");
        QVERIFY(s.control<QWidget>("MemoSect")->isHidden());
    }

    void resetAnsweredNoStillSavesWithoutAsking() {
        Workstation w;
        OpenSettings s(w);
        w.ui.answers = {Answer::No};
        s.window.resetCampaign();
        QCOMPARE(s.resets, 1);
        s.window.leave();
        QCOMPARE(w.ui.questions.size(), 1); // the reset's only
        QCOMPARE(s.lefts, 1);
        QVERIFY(QFile::exists(w.context.configPath()));
        QVERIFY(w.rows("SELECT COUNT(*) FROM LISTESECT").first().toInt() > 0);
    }

    void resetEmptiesTheSectorsOnLeaving() {
        Workstation w;
        writeFile(w.dir.filePath("Files/Stk3001.txt"), "never sent\r\n");
        OpenSettings s(w);
        w.ui.answers = {Answer::Yes};
        s.window.resetCampaign();
        QVERIFY(
            w.ui.questions.first().contains(Translation::lookup("FParam_NonEnvoyes", "FR").arg(1)));
        const QString archive =
            w.dir.filePath("Files/Save/Archives/") + QDate::currentDate().toString("yyyyMMdd");
        QCOMPARE(readFile(archive + "/Stk3001.txt"), QByteArray("never sent\r\n"));
        QCOMPARE(w.rows("SELECT COUNT(*) FROM DETSECT"), QStringList{"0"});    // at once
        QVERIFY(w.rows("SELECT COUNT(*) FROM LISTESECT").first().toInt() > 0); // held
        s.window.leave();
        QCOMPARE(s.lefts, 1);
        QCOMPARE(w.rows("SELECT COUNT(*) FROM LISTESECT"), QStringList{"0"}); // blank row gone
    }

    void anUnreadableSectorDatabaseIsToldOnce() {
        Workstation w;
        writeFile(SectorDatabase::path(w.context), "not a database");
        writeFile(w.context.configPath(), "[CONF]\nCODELIB=LIB07\n");
        OpenSettings s(w);
        QTest::qWait(0);
        s.window.activateWindow();
        QTest::qWait(0);
        QCOMPARE(w.plainErrors.size(), 1);
        QCOMPARE(s.control<QLineEdit>("EditNomAlias")->text(), QString("LIB07"));
        QVERIFY(!s.control<QWidget>("DBGridSect")->isEnabled());
        w.ui.answers = {Answer::Yes};
        s.window.leave();
        QCOMPARE(s.lefts, 1);
        QCOMPARE(w.value("CONF", "CODELIB"), QString("LIB07"));
    }

    // ---- generation ----

    void generationFamilies() {
        Workstation w;
        writeFile(w.context.configPath(), "[CONF]\nCODELIB=LIB01\nDBLIB=srv:/db.fdb\n");
        GenerationWindow window(w.context, w.data);
        window.setInteraction(&w.ui);
        window.show();
        const auto box = [&](const char *name) { return window.findChild<QCheckBox *>(name); };
        const QStringList names{"CBXLivre", "CBXVideo",  "CBXMedia",
                                "CBXPapet", "CBXDisque", "CBXDivers"};
        QVERIFY(box("CBXTP")->isChecked());
        for (const QString &name : names)
            QVERIFY(box(qPrintable(name))->isChecked());
        QCOMPARE(window.findChild<QLineEdit *>("EditNomAlias")->text(), QString("LIB01"));
        QCOMPARE(window.findChild<QLineEdit *>("EditSource")->text(), QString("srv:/db.fdb"));
        QVERIFY(!window.findChild<QLineEdit *>("EditSource")->isEnabled());
        QCOMPARE(window.findChild<QLineEdit *>("EditDest")->text(),
                 ArticleBuild::databasePath(w.context));

        box("CBXLivre")->click();
        QVERIFY(!box("CBXTP")->isChecked());
        box("CBXLivre")->click();
        QVERIFY(box("CBXTP")->isChecked());
        box("CBXTP")->click(); // unticked by hand: the families stay
        for (const QString &name : names)
            QVERIFY(box(qPrintable(name))->isChecked());
        QCOMPARE(ArticleBuild::familyFilter(window.request().families),
                 QString("WHERE CODE_PRODUIT IN ('MEDIA', 'PAPET', 'VIDEO', 'DISQU', 'DIVER', "
                         "'LIVRE')"));

        // No family: the message, nothing built, the boxes as they were, the watch resumed.
        for (const QString &name : names)
            box(qPrintable(name))->click();
        int paused = 0, resumed = 0;
        window.watchOff = [&] { ++paused; };
        window.watchOn = [&] { ++resumed; };
        window.build();
        QCOMPARE(w.ui.notices, QStringList{Translation::lookup("FChargeDB_ChoixProduit", "FR")});
        QCOMPARE(paused, 1);
        QCOMPARE(resumed, 1);
        QVERIFY(!box("CBXLivre")->isChecked());
        QVERIFY(!QFile::exists(ArticleBuild::databasePath(w.context)));

        // No store database: its message, and the field takes the focus once editable.
        box("CBXLivre")->click();
        window.findChild<QRadioButton *>("RadioButton1")->click();
        window.findChild<QLineEdit *>("EditSource")->clear();
        w.ui.notices.clear();
        window.build();
        QCOMPARE(w.ui.notices, QStringList{Translation::lookup("FChargeDB_ChoixDB", "FR")});
        QVERIFY(!QFile::exists(ArticleBuild::databasePath(w.context)));

        // "..." without a customer directory: told so; the field emptied, the code kept.
        QStringList errors;
        window.showPlainError = [&](const QString &text) { errors << text; };
        window.findChild<QLineEdit *>("EditSource")->setText("stale");
        window.findChild<QLineEdit *>("EditNomAlias")->setText("LIB02");
        window.lookUpStoreDatabase();
        QCOMPARE(errors, QStringList{Translation::lookup("Cust_NonConfig", "FR")});
        QCOMPARE(window.findChild<QLineEdit *>("EditSource")->text(), QString());
        QCOMPARE(w.value("CONF", "CODELIB"), QString("LIB02"));
    }

    void generationFromATextFile() {
        Workstation w;
        GenerationWindow window(w.context, w.data);
        window.setInteraction(&w.ui);
        window.show();
        QCOMPARE(window.findChild<QLineEdit *>("EditNomAlias")->text(), QString("LIB0001"));
        window.findChild<QRadioButton *>("RadioButton2")->click();
        QVERIFY(window.findChild<QLineEdit *>("EditCheminText")->isEnabled());
        QVERIFY(!window.findChild<QLineEdit *>("EditSource")->isEnabled());
        QString chosen; // cancelled
        window.chooseFile = [&] { return chosen; };
        window.chooseTextFile();
        QCOMPARE(window.findChild<QLineEdit *>("EditCheminText")->text(), QString());
        chosen = w.dir.filePath("codes.txt");
        writeFile(chosen, "9782070360024\n\n123\n");
        window.chooseTextFile();
        chosen.clear(); // cancelled again: the previous choice stays
        window.chooseTextFile();
        QCOMPARE(window.findChild<QLineEdit *>("EditCheminText")->text(),
                 w.dir.filePath("codes.txt"));
        window.build();
        QCOMPARE(w.ui.notices.size(), 1);
        QVERIFY(w.ui.notices.first().contains("(3 "));
        QVERIFY(window.findChild<QProgressBar *>("ProgressBar1")->isHidden());
        QVERIFY(QFile::exists(ArticleBuild::databasePath(w.context)));
    }

    // ---- transfer ----

    void transferWindow() {
        Workstation w;
        AdbDouble adb(w.dir.filePath("tools"));
        writeFile(w.context.configPath(), "[CONF]\nADB=" + adb.prefix().toUtf8() + "\n");
        TransferWindow window(w.context);
        window.setInteraction(&w.ui);
        int resumed = 0;
        window.watchOn = [&] { ++resumed; };
        window.show();
        QVERIFY(window.findChild<QLabel *>("Label1")->isHidden());
        w.context.handheldState = HandheldState::Disconnected;
        window.transfer();
        QCOMPARE(w.ui.notices, QStringList{Translation::lookup("AppDeConnecte", "FR")});
        QCOMPARE(resumed, 1);

        adb.connectOne();
        w.context.handheldState = HandheldState::Connected;
        writeFile(ArticleBuild::databasePath(w.context), "codes");
        w.ui.notices.clear();
        window.transfer();
        QCOMPARE(adb.file(Bridge::kArticleDatabase), QByteArray("codes"));
        QCOMPARE(w.ui.notices.size(), 1);
        QCOMPARE(resumed, 2);
        QVERIFY(window.findChild<QLabel *>("Label1")->isHidden());
    }
};

QTEST_MAIN(TestSetupWindows)
#include "tst_setupwindows.moc"
