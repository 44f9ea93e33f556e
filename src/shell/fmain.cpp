#include "shell/fmain.h"

#include "data/tfdata.h"
#include "device/bridge.h"
#include "dump/countdatabase.h"
#include "dump/tfvidage.h"
#include "i18n/translateform.h"
#include "shell/application.h"
#include "shell/countfiles.h"
#include "shell/entryicon.h"
#include "shell/errors.h"
#include "shell/panel.h"
#include "shell/startup.h"
#include "upload/upload.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
// Windows open in the middle of the screen.
void centre(QWidget *window) {
    if (const QScreen *screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

const QColor kConnected(0, 128, 0);
const QColor kDisconnected(255, 0, 0);
const QColor kUndetermined(236, 239, 241);

const char *const kStyle = R"(
#FMain { background: #f4f6f8; }
#Panel2 { background: #1f3a56; }
#Panel2 Panel { background: transparent; border-radius: 6px; }
#Panel2 Panel:hover { background: #2d5078; }
#Panel2 QLabel { color: white; font-weight: 600; }
#Shape1 { border: 2px solid #87ceeb; border-radius: 6px; background: transparent; }
#LInvent { color: #1f3a56; }
#Label8 { color: #5b6b7b; }
#Label6 { color: #1f3a56; font-size: 15px; }
#Memo2 { border: 1px solid #8a97a4; border-radius: 4px; }
#Panel8 { background: white; border: 1px solid #c9d3dc; border-radius: 8px; }
#Panel8 QPushButton { padding: 10px 18px; font-size: 14px; }
#Panel8 #Button3 { padding: 0; font-weight: bold; font-size: 12px; }
)";
} // namespace

TFMain::TFMain(AppContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_interaction(context, this) {
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Inventaire "));
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(922, 588);
    setStyleSheet(QString::fromLatin1(kStyle));
    buildControls();
    centre(this);
    // An error of the creation (say, a configuration file that cannot be written) is shown
    // like any other uncaught error, and the window still opens.
    try {
        FormCreate();
    } catch (const KorvelloError &error) {
        Application::showError(error.message());
    }
}

Panel *TFMain::addEntry(const QString &panelName, const QString &imageName,
                        const QString &labelName, int top, int kind, const QString &text,
                        const QString &hint) {
    auto *panel = new Panel(panelName, Panel2);
    panel->setGeometry(3, top, 88, 86);
    panel->setCursor(Qt::PointingHandCursor);
    auto *image = new EntryIcon(EntryIcon::Kind(kind), imageName, panel);
    image->setGeometry(22, 8, 44, 44);
    image->setToolTip(hint);
    auto *label = new QLabel(text, panel);
    label->setObjectName(labelName);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setGeometry(0, 54, 88, 30);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    panel->setToolTip(hint);
    return panel;
}

void TFMain::buildControls() {
    Panel1 = new Panel(QStringLiteral("Panel1"), this);
    Panel1->setGeometry(94, 0, 828, 588);
    auto *backdrop = new Backdrop(Panel1);
    backdrop->setGeometry(60, 150, 708, 340);

    Panel2 = new Panel(QStringLiteral("Panel2"), this);
    Panel2->setGeometry(0, 0, 94, 588);
    Panel2->setAutoFillBackground(true);
    using K = EntryIcon::Kind;
    Panel4 = addEntry("Panel4", "Image5", "Label5", 4, int(K::Settings),
                      QString::fromUtf8("Paramètres"), QString());
    PanelGen = addEntry("PanelGen", "Image1", "Label1", 94, int(K::Generation),
                        QString::fromUtf8("Génération BD"),
                        QString::fromUtf8("Générer une base de données articles pour les "
                                          "portables de saisie"));
    PanelTransf = addEntry("PanelTransf", "Image2", "Label2", 183, int(K::Transfer),
                           QStringLiteral("Transfert BD"),
                           QString::fromUtf8("Transférer la base de données articles vers un "
                                             "portable de saisie"));
    PanelVidage = addEntry("PanelVidage", "Image3", "Label3", 271, int(K::Dump),
                           QStringLiteral("Vidage"),
                           QString::fromUtf8("Transférer les fichiers de saisie d'un portable "
                                             "vers l'ordinateur"));
    Panel5 = addEntry("Panel5", "Image7", "Label7", 362, int(K::Progress),
                      QStringLiteral("Avancement"), QString());
    Panel3 = addEntry("Panel3", "Image4", "Label4", 451, int(K::Quit), QStringLiteral("Quitter"),
                      QString());
    connect(PanelVidage, &Panel::clicked, this, &TFMain::Image3Click);
    connect(Panel5, &Panel::clicked, this, &TFMain::Image7Click);
    connect(Panel3, &Panel::clicked, this, &TFMain::Image4Click);
    // Their windows come with later versions; until then the entries cannot be chosen.
    for (Panel *entry : {Panel4, PanelGen, PanelTransf, Panel5}) {
        entry->setEnabled(false);
        auto *dim = new QGraphicsOpacityEffect(entry);
        dim->setOpacity(0.4);
        entry->setGraphicsEffect(dim);
    }

    Shape1 = new QFrame(Panel2);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(1, 1, 92, 92);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape1->hide();

    CBLng = new QComboBox(this);
    CBLng->setObjectName(QStringLiteral("CBLng"));
    CBLng->addItems({QStringLiteral("NL"), QStringLiteral("FR")});
    CBLng->setGeometry(836, 14, 70, 28);
    connect(CBLng, &QComboBox::activated, this, [this] { CBLngChange(); });

    LInvent = new QLabel(QStringLiteral("Inventaire"), this);
    LInvent->setObjectName(QStringLiteral("LInvent"));
    LInvent->setAlignment(Qt::AlignCenter);
    LInvent->setGeometry(120, 70, 776, 80);
    QFont big = LInvent->font();
    big.setPointSize(34);
    big.setBold(true);
    LInvent->setFont(big);

    Panel8 = new Panel(QStringLiteral("Panel8"), this);
    Panel8->setGeometry(258, 190, 500, 210);
    Button1 = new QPushButton(QString::fromUtf8("Récupérer les fichiers du portable"), Panel8);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(40, 40, 420, 52);
    connect(Button1, &QPushButton::clicked, this, &TFMain::Button1Click);
    Panel7 = new Panel(QStringLiteral("Panel7"), Panel8);
    Panel7->setGeometry(40, 110, 420, 60);
    Button2 = new QPushButton(QString::fromUtf8("Transférer les fichiers vers le serveur"), Panel7);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(0, 4, 420, 52);
    connect(Button2, &QPushButton::clicked, this, &TFMain::Button2Click);
    Button3 = new QPushButton(QStringLiteral("X"), Panel8);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(468, 8, 24, 24);
    connect(Button3, &QPushButton::clicked, this, &TFMain::Button3Click);
    Panel8->hide();

    Memo2 = new QFrame(this);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setGeometry(120, 530, 33, 33);
    Memo2->setAutoFillBackground(true);
    Label6 = new QLabel(QStringLiteral("Label6"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(165, 530, 420, 33);
    Label8 = new QLabel(QStringLiteral("Inventaire Version"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label8->setGeometry(560, 536, 346, 24);

    Label9 = new QLabel(this);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->hide();
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->hide();
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    showHandheldState();
}

void TFMain::FormCreate() { Startup::prepare(m_context); }

TFMain::~TFMain() { delete m_vidage.data(); }

TFVidage *TFMain::currentDumpWindow() const { return m_vidage; }

void TFMain::setDataModule(TFData *data) {
    m_data = data;
    m_vidage = new TFVidage(m_context, *m_data);
    m_vidage->AdbPath = m_context.toolsPrefix;
    m_vidage->setHooks(dumpHooks());
    connect(Timer1, &QTimer::timeout, this, &TFMain::Timer1Timer, Qt::UniqueConnection);
    Timer1->start();
}

Dump::Hooks TFMain::dumpHooks() {
    Dump::Hooks hooks;
    hooks.watchOff = [this] { Timer1->stop(); };
    hooks.watchOn = [this] { Timer1->start(); };
    hooks.startUpload = [this] { Button2Click(); };
    return hooks;
}

void TFMain::showConnection(bool connected) {
    m_context.handheldState = connected ? HandheldState::Connected : HandheldState::Disconnected;
    m_context.readyHandhelds = Bridge::readyHandhelds(Memo1->toPlainText());
    Edit1->setText(connected ? QStringLiteral("1") : QStringLiteral("2"));
    Label6->setText(m_context.tr(connected ? QStringLiteral("AppConnecte") : QStringLiteral("AppDeConnecte")));
    if (connected && m_context.readyHandhelds > 1)
        Label6->setText(m_context.tr(QStringLiteral("FVidage_Plusieurs")));
    showHandheldState();
}

void TFMain::Timer1Timer() {
    Memo1->clear();
    RunDosInMemo(Bridge::listDevices(m_context.toolsPrefix), Memo1);
    {
        QFile listing(QStringLiteral("./adbresult.txt"));
        if (listing.open(QIODevice::WriteOnly | QIODevice::Truncate))
            listing.write(Memo1->toPlainText().toLocal8Bit());
    }
    const bool connected = Bridge::isConnected(Memo1->toPlainText());
    const QString countFolder = m_context.countFolder(FolderDefaults::Files);
    if (!connected) {
        showConnection(false);
        if (m_data)
            CountDatabase::removeTempFolder(*m_data, countFolder);
        else
            QDir(CountDatabase::tempFolder(countFolder)).removeRecursively();
        if (m_vidage && m_vidage->isActiveWindow())
            m_vidage->clearZones();
        return;
    }
    QDir().mkdir(countFolder);
    QDir().mkdir(m_context.saveFolder(FolderDefaults::Files));
    showConnection(true);
    // Several handhelds: the tool would refuse to choose; nothing is pulled.
    if (!m_data || !m_vidage || m_vidage->Fermee || m_vidage->zoneCount() > 0 ||
        m_context.readyHandhelds > 1)
        return;
    if (!CountDatabase::refreshWorkingCopy(*m_data, m_context.toolsPrefix, countFolder))
        return;
    const QList<CountDatabase::ZoneQuantity> zones =
        CountDatabase::zoneSummary(m_data->FDConnectionSQL(), CountDatabase::Lines::All);
    m_vidage->showZones(zones, false);
    if (!zones.isEmpty() && m_context.dumpModeLabel.isEmpty()) {
        m_context.dumpMode = CountDatabase::readDumpMode(m_context.toolsPrefix, countFolder).value_or(Dump::kNumeric);
        m_context.dumpModeLabel = m_context.dumpMode;
        showDumpModeLabel();
    }
}

void TFMain::Button1Click() {
    if (!m_data)
        return;
    Panel8->hide();
    setEnabled(false);
    Shape1->move(Shape1->x(), 281);
    Shape1->show();
    if (m_vidage && !m_vidage->isVisible())
        m_vidage->deleteLater(); // the start-up instance, or one already left
    auto *window = new TFVidage(m_context, *m_data);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->AdbPath = m_context.toolsPrefix;
    window->setHooks(dumpHooks());
    connect(window, &TFVidage::left, this, [this] {
        setEnabled(true);
        Timer1->start();
        Shape1->hide();
        activateWindow();
    });
    m_vidage = window;
    UclTranslate::TranslateForm(window, m_context.currentLanguage);
    centre(window);
    window->show();
}

QString TFMain::versionText() { return QStringLiteral(KORVELLO_VERSION); }

void TFMain::showVersionAndTitle() {
    Label8->setText(m_context.tr(QStringLiteral("FMain.Label8")) + QLatin1Char(' ') + versionText());
    LInvent->setText(m_context.tr(QStringLiteral("FMain.Caption")));
}

void TFMain::showHandheldState() {
    QColor colour = kUndetermined;
    if (m_context.handheldState == HandheldState::Connected)
        colour = kConnected;
    else if (m_context.handheldState == HandheldState::Disconnected)
        colour = kDisconnected;
    m_indicator = colour;
    Memo2->setStyleSheet(QStringLiteral("background: %1;").arg(colour.name()));
}

// The dump mode label is a program-wide value; the label only shows it. The window
// translation would otherwise overwrite it with the language file's text.
void TFMain::showDumpModeLabel() { Label9->setText(m_context.dumpModeLabel); }

void TFMain::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TFMain::FormActivate() {
    // The detection below keeps the interface alive; an activation inside it would start a
    // second one.
    if (m_activating)
        return;
    m_activating = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_activating};

    m_context.currentLanguage = m_context.config().readString(
        QStringLiteral("CONF"), QStringLiteral("LNG"), QStringLiteral("NL"));
    CBLng->setCurrentIndex(CBLng->findText(m_context.currentLanguage));
    UclTranslate::TranslateForm(this, m_context.currentLanguage);
    showDumpModeLabel();
    showVersionAndTitle();
    Panel8->hide();
    Memo1->clear();
    Label6->clear();

    RunDosInMemo(Bridge::listDevices(m_context.toolsPrefix), Memo1);
    showConnection(Bridge::isConnected(Memo1->toPlainText()));
    Shape1->hide();
    if (m_data)
        m_data->LoadInfosQR();
}

void TFMain::CBLngChange() {
    const QString chosen = CBLng->currentText();
    if (chosen == m_context.currentLanguage)
        return;
    m_context.currentLanguage = chosen;
    m_context.config().writeString(QStringLiteral("CONF"), QStringLiteral("LNG"), chosen);
    UclTranslate::TranslateForm(this, chosen);
    showDumpModeLabel();
    showVersionAndTitle();
}

void TFMain::Image3Click() {
    IniFile config = m_context.config();
    const bool offered =
        config.readInteger(QStringLiteral("CONF"), QStringLiteral("FTP_AVAILABLE"), 0) == 1 &&
        config.readInteger(QStringLiteral("FTP"), QStringLiteral("CHECK"), 0) == 1;
    Panel7->setVisible(offered);

    const QString countFolder = m_context.countFolder(FolderDefaults::Files);
    QDir().mkdir(countFolder);
    const qsizetype waiting = CountFiles::waiting(countFolder).size();
    if (waiting == 0) {
        Button2->setText(m_context.tr(QStringLiteral("AucunTransfert")));
        Button2->setEnabled(false);
    } else {
        Button2->setText(m_context.tr(QStringLiteral("Transfert2")) + QLatin1Char(' ') +
                         QString::number(waiting) + QLatin1Char(' ') +
                         m_context.tr(QStringLiteral("Transfert3")));
        Button2->setEnabled(true);
    }
    Panel8->show();
    Panel8->raise();
    Button1->setFocus();
}

void TFMain::Image4Click() { close(); }

void TFMain::Button2Click() {
    const Upload::Outcome outcome = Upload::run(m_context, m_interaction, IdFTP2);
    if (outcome.end == Upload::Outcome::End::NotConnected) {
        m_interaction.notice(outcome.error);
        return;
    }
    if (outcome.end == Upload::Outcome::End::Completed) {
        Button2->setText(m_context.tr(QStringLiteral("AucunTransfert")));
        Button2->setEnabled(false);
    }
}

void TFMain::Image7Click() {
    const QString &mode = m_context.dumpModeLabel;
    if (!mode.isEmpty() && mode != QString::fromUtf8("Numérique")) {
        m_interaction.notice(m_context.tr(QStringLiteral("ShowAvance")));
        return;
    }
    emit progressWindowWanted();
}

void TFMain::Button3Click() { Panel8->hide(); }

void TFMain::closeEvent(QCloseEvent *event) {
    if (m_data)
        m_data->disconnectSQL();
    if (!m_context.uploadKeyName.isEmpty()) {
        const QString keyFile = QStringLiteral("./") + m_context.uploadKeyName;
        if (QFile::exists(keyFile))
            QFile::remove(keyFile);
    }
    event->accept();
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
