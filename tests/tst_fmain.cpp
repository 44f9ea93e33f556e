#include "shell/fmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestFMain : public QObject {
    Q_OBJECT

private slots:
    void creationCompletesTheConfiguration() {
        QTemporaryDir program;
        AppContext context(program.path());
        TFMain window(context);
        QCOMPARE(window.objectName(), QString("FMain"));
        QCOMPARE(window.size(), QSize(922, 588));
        QFile conf(context.configPath());
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QCOMPARE(conf.readAll(), QByteArray("[CONF]\nADB=\nFTP_AVAILABLE=0\n\n[FTP]\nCHECK=0\n"));
    }

    void creationErrorIsShownAndTheWindowStillOpens() {
        QTemporaryDir program;
        AppContext context(program.path());
        QVERIFY(QDir().mkpath(context.configPath())); // cannot be written as a file
        QString shown;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        TFMain window(context);
        QVERIFY2(shown.contains("Korvello.conf"), qPrintable(shown));
        window.show();
        QVERIFY(window.isVisible());
    }

    void runDosInMemoAppendsAndResumesTheWatch() {
        QTemporaryDir program;
        AppContext context(program.path());
        TFMain window(context);
        QPlainTextEdit memo;
        memo.setPlainText("x");
        window.timer()->start();
        window.RunDosInMemo({"/bin/sh", {"-c", "printf 'List of devices attached\\n'"}}, &memo);
        QCOMPARE(memo.toPlainText(), QString("xList of devices attached\n"));
        QVERIFY(window.timer()->isActive());
    }

    void myMessageDlgTakesTheCallerCaptions() {
        QTemporaryDir program;
        AppContext context(program.path());
        TFMain window(context);
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = {box->windowTitle(), box->button(QMessageBox::Yes)->text(),
                    box->button(QMessageBox::Cancel)->text()};
            box->button(QMessageBox::Yes)->click();
        });
        const auto answer = window.MyMessageDlg("Envoyer ?", QvMessageDlg::DlgType::Confirmation,
                                                QMessageBox::Yes | QMessageBox::Cancel,
                                                {"Confirmer", "Annuler"}, "Transfert");
        QCOMPARE(answer, QMessageBox::Yes);
        QCOMPARE(seen, (QStringList{"Transfert", "Confirmer", "Annuler"}));
    }
};

QTEST_MAIN(TestFMain)
#include "tst_fmain.moc"
