#include "shell/fmain.h"

#include "shell/application.h"
#include "shell/errors.h"
#include "shell/panel.h"
#include "shell/startup.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

TFMain::TFMain(AppContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_interaction(context, this) {
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Inventaire "));
    setFixedSize(922, 588);
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildControls();
    // An error of the creation (say, a configuration file that cannot be written) is shown
    // like any other uncaught error, and the window still opens.
    try {
        FormCreate();
    } catch (const KorvelloError &error) {
        Application::showError(error.message());
    }
}

void TFMain::buildControls() {
    Panel2 = new Panel(QStringLiteral("Panel2"), this);
    Panel2->setGeometry(0, 0, 94, 588);

    LInvent = new QLabel(QStringLiteral("Inventaire"), this);
    LInvent->setObjectName(QStringLiteral("LInvent"));
    LInvent->setGeometry(130, 40, 760, 60);
    QFont big = LInvent->font();
    big.setPointSize(28);
    big.setBold(true);
    LInvent->setFont(big);

    Label8 = new QLabel(QStringLiteral("Inventaire Version"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label8->setGeometry(500, 550, 400, 24);

    Label6 = new QLabel(QStringLiteral("Label6"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(175, 505, 400, 33);

    Memo2 = new QFrame(this);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setFrameShape(QFrame::Box);
    Memo2->setGeometry(130, 505, 33, 33);
    Memo2->setAutoFillBackground(true);

    Label9 = new QLabel(this);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->hide();

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->hide();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->hide();

    CBLng = new QComboBox(this);
    CBLng->setObjectName(QStringLiteral("CBLng"));
    CBLng->addItems({QStringLiteral("NL"), QStringLiteral("FR")});
    CBLng->setGeometry(840, 12, 66, 26);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
}

void TFMain::FormCreate() {
    Startup::prepare(m_context);
}

void TFMain::RunDosInMemo(const ToolCommand &command, QPlainTextEdit *memo) {
    QString text = memo->toPlainText();
    CapturedRunner::run(command, text, Timer1);
    memo->setPlainText(text);
}

QMessageBox::StandardButton TFMain::MyMessageDlg(const QString &text, QvMessageDlg::DlgType type,
                                                 QMessageBox::StandardButtons buttons,
                                                 const QStringList &captions,
                                                 const QString &title) {
    auto box = QvMessageDlg::buildWithCaptions(text, type, buttons, captions, title, this);
    return QvMessageDlg::exec(*box);
}
