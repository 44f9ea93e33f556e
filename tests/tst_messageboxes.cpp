#include "core/platform/appcontext.h"
#include "gui/dialoginteraction.h"
#include "gui/messageboxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using MessageBoxes::BoxType;

namespace {
QStringList captions(const QMessageBox &box) {
    QStringList result;
    for (QAbstractButton *button : box.buttons())
        result.append(button->text());
    result.sort();
    return result;
}

// Runs action on the modal box once it is shown.
void whenShown(std::function<void(QMessageBox *)> action) {
    QTimer::singleShot(0, [action] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        action(box);
    });
}
} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT

private slots:
    void noticeInDutch() {
        auto box = MessageBoxes::build("Klaar", "Inventaris", BoxType::Confirmation,
                                       QMessageBox::Ok, QMessageBox::Ok, "NL");
        QCOMPARE(box->windowTitle(), QString("Inventaris"));
        QCOMPARE(captions(*box), QStringList{"OK"});
        QCOMPARE(box->text(), QString("Klaar"));
    }

    void question_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("no");
        QTest::newRow("FR") << "FR"
                            << "Confirmation"
                            << "Oui"
                            << "Non";
        QTest::newRow("NL") << "NL"
                            << "Bevestiging"
                            << "Ja"
                            << "Nee";
    }
    void question() {
        QFETCH(QString, language);
        QFETCH(QString, title);
        QFETCH(QString, yes);
        QFETCH(QString, no);
        auto box =
            MessageBoxes::build("?", "", BoxType::Confirmation, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes, language);
        QCOMPARE(box->windowTitle(), title);
        QCOMPARE(box->button(QMessageBox::Yes)->text(), yes);
        QCOMPARE(box->button(QMessageBox::No)->text(), no);
        QCOMPARE(static_cast<QAbstractButton *>(box->defaultButton()),
                 box->button(QMessageBox::Yes));
    }

    void otherLanguageKeepsStandardCaptions() {
        auto plain = std::make_unique<QMessageBox>(QMessageBox::Question, "", "?",
                                                   QMessageBox::Yes | QMessageBox::No);
        auto box = MessageBoxes::build("?", "", BoxType::Confirmation,
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, "DE");
        QCOMPARE(box->windowTitle(), QString());
        QCOMPARE(captions(*box), captions(*plain));
    }

    void titleOnlyDefaultsForConfirmation() {
        auto box =
            MessageBoxes::build("!", "", BoxType::Warning, QMessageBox::Ok, QMessageBox::Ok, "FR");
        QCOMPARE(box->windowTitle(), QString());
    }

    void everyCaptionOfTheTable_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("fr");
        QTest::addColumn<QString>("nl");
        QTest::newRow("Ok") << int(QMessageBox::Ok) << "OK"
                            << "OK";
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << "Annuler"
                                << "Annuleren";
        QTest::newRow("Yes") << int(QMessageBox::Yes) << "Oui"
                             << "Ja";
        QTest::newRow("No") << int(QMessageBox::No) << "Non"
                            << "Nee";
        QTest::newRow("Help") << int(QMessageBox::Help) << "Aide"
                              << "Help";
        QTest::newRow("Close") << int(QMessageBox::Close) << "Fermer"
                               << "Afsluiten";
        QTest::newRow("Ignore") << int(QMessageBox::Ignore) << "Ignorer"
                                << "Negeren";
        QTest::newRow("Retry") << int(QMessageBox::Retry) << QString::fromUtf8("Réessayer")
                               << "Opnieuw proberen";
        QTest::newRow("Abort") << int(QMessageBox::Abort) << "Abandonner"
                               << "Afbreken";
        QTest::newRow("All") << int(QMessageBox::YesToAll) << "Tout"
                             << "Alles";
    }
    void everyCaptionOfTheTable() {
        QFETCH(int, button);
        QFETCH(QString, fr);
        QFETCH(QString, nl);
        const auto which = QMessageBox::StandardButton(button);
        for (const auto &[language, expected] : {std::pair{"FR", fr}, std::pair{"NL", nl}}) {
            auto box = MessageBoxes::build("", "", BoxType::Information, which, which, language);
            QCOMPARE(box->button(which)->text(), expected);
        }
    }

    void callerCaptionsInButtonOrder_data() {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<bool>("cancelStandard");
        QTest::newRow("both") << QStringList{"Confirmer", "Annuler"} << "Confirmer" << false;
        QTest::newRow("too few") << QStringList{"Ajouter"} << "Ajouter" << true;
        QTest::newRow("too many") << QStringList{"Confirmer", "Annuler", "extra"} << "Confirmer"
                                  << false;
    }
    void callerCaptionsInButtonOrder() {
        QFETCH(QStringList, given);
        QFETCH(QString, yes);
        QFETCH(bool, cancelStandard);
        auto box = MessageBoxes::buildWithCaptions("Envoyer ?", BoxType::Confirmation,
                                                   QMessageBox::Cancel | QMessageBox::Yes, given,
                                                   "Transfert");
        QCOMPARE(box->windowTitle(), QString("Transfert"));
        QCOMPARE(box->button(QMessageBox::Yes)->text(), yes);
        QMessageBox plain(QMessageBox::Question, "", "", QMessageBox::Cancel);
        const QString standardCancel = plain.button(QMessageBox::Cancel)->text();
        QCOMPARE(box->button(QMessageBox::Cancel)->text(),
                 cancelStandard ? standardCancel : QString("Annuler"));
    }

    void alreadyDumpedAnswers() {
        QTemporaryDir home;
        AppContext context(home.path());
        context.setLanguage("FR");
        DialogInteraction interaction(context, nullptr);

        whenShown([](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), QString("Alerte"));
            QCOMPARE(box->button(QMessageBox::Yes)->text(), QString("Ajouter"));
            box->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(interaction.alreadyDumped("La zone \"3001\" ...", "Ajouter"),
                 UserInteraction::Answer::Yes);

        // Closed by other means than a button: Cancel.
        whenShown([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(interaction.alreadyDumped("...", "Ajouter"), UserInteraction::Answer::Cancel);
    }

    void questionAnswers() {
        QTemporaryDir home;
        AppContext context(home.path());
        context.setLanguage("NL");
        DialogInteraction interaction(context, nullptr);
        whenShown([](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), QString("Bevestiging"));
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(interaction.question("Opslaan?"), UserInteraction::Answer::No);
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
