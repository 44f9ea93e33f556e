#include "core/i18n/translation.h"
#include "gui/panel.h"
#include "gui/translatewindow.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A window with one element of each kind the translation knows, and a few it leaves alone.
struct TestWindow {
    QWidget window;
    Panel *panel;
    QLabel *label1;
    QLabel *label2;
    QPushButton *button;
    QCheckBox *check;
    QRadioButton *radio;
    QGroupBox *group;
    QAction *menuItem;
    QLineEdit *edit;

    TestWindow() {
        window.setObjectName("FTest");
        window.setWindowTitle("Design title");
        panel = new Panel("Panel2", &window);
        panel->setCaption("Design panel");
        label1 = new QLabel("Design label 1", &window);
        label1->setObjectName("Label1");
        label2 = new QLabel("Design label 2", &window);
        label2->setObjectName("Label2");
        button = new QPushButton("Design button", panel);
        button->setObjectName("Button1");
        check = new QCheckBox("Design check", &window);
        check->setObjectName("CheckButtonFTP");
        radio = new QRadioButton("Design radio", &window);
        radio->setObjectName("RadioButtonTT");
        group = new QGroupBox("Design group", &window);
        group->setObjectName("Group1");
        auto *menu = new QMenu(&window);
        menu->setObjectName("PPM1");
        menuItem = menu->addAction("Design item");
        menuItem->setObjectName("MenuZV");
        edit = new QLineEdit("typed text", &window);
        edit->setObjectName("Edit1");
    }
};
} // namespace

class TestTranslate : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_lng;

private slots:
    void initTestCase() {
        m_lng = m_dir.filePath("korvello.lng");
        QFile file(m_lng);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[FR]\n"
                   "FTest.Caption=Titre\n"
                   "FTest.Panel2=Panneau\n"
                   "FTest.Label1=  Étiquette  \n"
                   "FTest.Button1=\n"
                   "FTest.CheckButtonFTP=[ Copie sur FTP\n"
                   "FTest.RadioButtonTT=a[ b[ c\n"
                   "FTest.Group1=Groupe\n"
                   "FTest.MenuZV=Définir comme zone vide\n"
                   "FTest.Edit1=never shown\n"
                   "OnlyFrench=Bonjour\n"
                   "[NL]\n"
                   "FTest.Label1=Etiket\n");
        file.close();
        Translation::setLanguageFile(m_lng);
    }

    void lookupGivesTheStoredText_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trimmed value") << "FTest.Label1"
                                       << "FR" << QString::fromUtf8("Étiquette");
        QTest::newRow("marker kept") << "FTest.CheckButtonFTP"
                                     << "FR"
                                     << "[ Copie sur FTP";
        QTest::newRow("names without case") << "ftest.label1"
                                            << "fr" << QString::fromUtf8("Étiquette");
        QTest::newRow("other section not tried") << "OnlyFrench"
                                                 << "NL"
                                                 << "";
        QTest::newRow("missing key") << "Nothing"
                                     << "FR"
                                     << "";
        QTest::newRow("language without section") << "FTest.Label1"
                                                  << "DE"
                                                  << "";
    }
    void lookupGivesTheStoredText() {
        QFETCH(QString, key);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        QCOMPARE(Translation::lookup(key, language), expected);
    }

    void formTakesTheTextsOfItsElements() {
        TestWindow w;
        Translation::translateWindow(&w.window, "FR");
        QCOMPARE(w.window.windowTitle(), QString("Titre"));
        QCOMPARE(w.panel->caption(), QString("Panneau"));
        QCOMPARE(w.label1->text(), QString::fromUtf8("Étiquette"));
        QCOMPARE(w.button->text(), QString());                 // present but empty: emptied
        QCOMPARE(w.label2->text(), QString("Design label 2")); // absent: kept
        QCOMPARE(w.check->text(), QString(" Copie sur FTP"));
        QCOMPARE(w.radio->text(), QString("a b[ c")); // only the first marker
        QCOMPARE(w.group->title(), QString("Groupe"));
        QCOMPARE(w.menuItem->text(), QString::fromUtf8("Définir comme zone vide"));
        QCOMPARE(w.edit->text(), QString("typed text")); // edits are not translated
    }

    void otherLanguageKeepsDesignTexts() {
        TestWindow w;
        Translation::translateWindow(&w.window, "DE");
        QCOMPARE(w.window.windowTitle(), QString("Design title"));
        QCOMPARE(w.label1->text(), QString("Design label 1"));
        QCOMPARE(w.panel->caption(), QString("Design panel"));
    }

    void missingFileChangesNothing() {
        Translation::setLanguageFile(m_dir.filePath("absent.lng"));
        TestWindow w;
        Translation::translateWindow(&w.window, "FR");
        QCOMPARE(w.window.windowTitle(), QString("Design title"));
        QCOMPARE(w.button->text(), QString("Design button"));
        QCOMPARE(Translation::lookup("FTest.Label1", "FR"), QString());
        Translation::setLanguageFile(m_lng);
    }
};

QTEST_MAIN(TestTranslate)
#include "tst_translate.moc"
