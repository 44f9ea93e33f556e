#include "gui/mainwindow.h"
#include "ui_mainwindow.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/dump/countdatabase.h"
#include "core/dump/dumpjournal.h"
#include "core/platform/errors.h"
#include "core/platform/startup.h"
#include "core/sectors/sectordatabase.h"
#include "core/sectors/sectorrules.h"
#include "core/upload/countfiles.h"
#include "core/upload/upload.h"
#include "gui/application.h"
#include "gui/dumpwindow.h"
#include "gui/entryicon.h"
#include "gui/generationwindow.h"
#include "gui/panel.h"
#include "gui/progresswindow.h"
#include "gui/settingswindow.h"
#include "gui/transferwindow.h"
#include "gui/translatewindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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
} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::MainWindow>()), m_context(context),
      m_interaction(context, this) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    bindControls();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::noteFocusLeftFor);
    centre(this);
    // An error of the creation (say, a configuration file that cannot be written) is shown
    // like any other uncaught error, and the window still opens.
    try {
        prepareAtCreation();
    } catch (const KorvelloError &error) {
        Application::showError(error.message());
    }
}

void MainWindow::bindControls() {
    m_entryColumn = m_ui->Panel2;
    m_settingsEntry = m_ui->Panel4;
    m_generationEntry = m_ui->PanelGen;
    m_transferEntry = m_ui->PanelTransf;
    m_dumpEntry = m_ui->PanelVidage;
    m_progressEntry = m_ui->Panel5;
    m_quitEntry = m_ui->Panel3;
    m_entryHighlight = m_ui->Shape1;
    m_titleLabel = m_ui->LInvent;
    m_versionLabel = m_ui->Label8;
    m_handheldStateText = m_ui->Label6;
    m_dumpModeLabel = m_ui->Label9;
    m_handheldIndicator = m_ui->Memo2;
    m_devicesOutput = m_ui->Memo1;
    m_connectionFlag = m_ui->Edit1;
    m_languageChoice = m_ui->CBLng;
    m_dumpChoice = m_ui->Panel8;
    m_uploadChoice = m_ui->Panel7;
    m_openDumpButton = m_ui->Button1;
    m_uploadButton = m_ui->Button2;
    m_closeDumpChoiceButton = m_ui->Button3;

    // An entry's caption is part of the entry: a click on it is a click on the entry.
    for (Panel *entry : m_entryColumn->findChildren<Panel *>(Qt::FindDirectChildrenOnly))
        for (QLabel *caption : entry->findChildren<QLabel *>())
            caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(m_settingsEntry, &Panel::clicked, this, &MainWindow::openSettingsWindow);
    connect(m_generationEntry, &Panel::clicked, this, &MainWindow::openGenerationWindow);
    connect(m_transferEntry, &Panel::clicked, this, &MainWindow::openTransferWindow);
    connect(m_dumpEntry, &Panel::clicked, this, &MainWindow::openDumpChoice);
    connect(m_progressEntry, &Panel::clicked, this, &MainWindow::openProgress);
    connect(m_quitEntry, &Panel::clicked, this, &MainWindow::quit);
    m_entryHighlight->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_entryHighlight->hide();

    connect(m_languageChoice, &QComboBox::activated, this, [this] { changeLanguage(); });
    connect(m_openDumpButton, &QPushButton::clicked, this, &MainWindow::openDumpWindow);
    connect(m_uploadButton, &QPushButton::clicked, this, &MainWindow::uploadCountFiles);
    connect(m_closeDumpChoiceButton, &QPushButton::clicked, this, &MainWindow::closeDumpChoice);
    m_dumpChoice->hide();
    // Working values the window keeps in controls nobody sees.
    m_dumpModeLabel->hide();
    m_devicesOutput->hide();
    m_connectionFlag->hide();

    m_deviceWatch = new QTimer(this);
    m_deviceWatch->setInterval(1000);

    showHandheldState();
}

void MainWindow::prepareAtCreation() {
    Startup::prepare(m_context);
}

MainWindow::~MainWindow() {
    delete m_dumpWindow.data();
}

DumpWindow *MainWindow::currentDumpWindow() const {
    return m_dumpWindow;
}

void MainWindow::setDataModule(DataModule *data) {
    m_data = data;
    // The sector rules are in force from the start; the windows switch them as they need.
    SectorRules::attach(*m_data, {});
    m_dumpWindow = new DumpWindow(m_context, *m_data);
    m_dumpWindow->toolsPrefix = m_context.toolsPrefix;
    m_dumpWindow->setHooks(dumpHooks());
    // A dump cut short last time is undone or completed before the handheld is watched.
    try {
        DumpJournal::recoverAtStart(m_context, *m_data);
    } catch (const KorvelloError &error) {
        Application::showError(error.message());
    }
    connect(m_deviceWatch, &QTimer::timeout, this, &MainWindow::watchDevice, Qt::UniqueConnection);
    m_deviceWatch->start();
}

Dump::Hooks MainWindow::dumpHooks() {
    Dump::Hooks hooks;
    hooks.watchOff = [this] { m_deviceWatch->stop(); };
    hooks.watchOn = [this] { m_deviceWatch->start(); };
    hooks.startUpload = [this] { uploadCountFiles(); };
    return hooks;
}

void MainWindow::showConnection(bool connected) {
    m_context.handheldState = connected ? HandheldState::Connected : HandheldState::Disconnected;
    m_context.readyHandhelds = Bridge::readyHandhelds(m_devicesOutput->toPlainText());
    m_context.unauthorisedHandhelds = Bridge::unauthorisedHandhelds(m_devicesOutput->toPlainText());
    m_connectionFlag->setText(connected ? QStringLiteral("1") : QStringLiteral("2"));
    m_handheldStateText->setText(
        m_context.tr(connected ? QStringLiteral("AppConnecte") : QStringLiteral("AppDeConnecte")));
    if (connected && m_context.readyHandhelds > 1)
        m_handheldStateText->setText(m_context.tr(QStringLiteral("FVidage_Plusieurs")));
    showHandheldState();
}

void MainWindow::watchDevice() {
    try {
        watchDeviceOnce();
    } catch (const KorvelloError &error) {
        // The same fault comes back at every tick: it is told once, and the watch waits
        // while its box is open rather than stacking a box a second.
        if (error.message() == m_watchFault)
            return;
        m_watchFault = error.message();
        const bool running = m_deviceWatch->isActive();
        m_deviceWatch->stop();
        m_showError(error.message());
        if (running)
            m_deviceWatch->start();
    }
}

void MainWindow::watchDeviceOnce() {
    m_devicesOutput->clear();
    runCaptured(Bridge::listDevices(m_context.toolsPrefix), m_devicesOutput);
    {
        QFile listing(QStringLiteral("./adbresult.txt"));
        if (listing.open(QIODevice::WriteOnly | QIODevice::Truncate))
            listing.write(m_devicesOutput->toPlainText().toLocal8Bit());
    }
    const bool connected = Bridge::isConnected(m_devicesOutput->toPlainText());
    const QString countFolder = m_context.countFolder(FolderDefaults::Files);
    if (!connected) {
        m_watchFault.clear(); // a fault of the next handheld is its own
        showConnection(false);
        if (m_data)
            CountDatabase::removeTempFolder(*m_data, countFolder);
        else
            QDir(CountDatabase::tempFolder(countFolder)).removeRecursively();
        // Whatever window is in front: the zones listed belong to a handheld that is gone.
        if (m_dumpWindow)
            m_dumpWindow->clearZones();
        return;
    }
    QDir().mkdir(countFolder);
    QDir().mkdir(m_context.saveFolder(FolderDefaults::Files));
    showConnection(true);
    // Several handhelds: the tool would refuse to choose; nothing is pulled.
    if (!m_data || !m_dumpWindow || m_dumpWindow->closedByUser || m_dumpWindow->zoneCount() > 0 ||
        m_context.readyHandhelds > 1)
        return;
    if (!CountDatabase::refreshWorkingCopy(*m_data, m_context.toolsPrefix, countFolder))
        return;
    const QList<CountDatabase::ZoneQuantity> zones =
        CountDatabase::zoneSummary(m_data->sqlite(), CountDatabase::Lines::All);
    m_dumpWindow->showZones(zones, false);
    if (!zones.isEmpty() && m_context.dumpModeLabel.isEmpty()) {
        m_context.dumpMode = CountDatabase::readDumpMode(m_context.toolsPrefix, countFolder)
                                 .value_or(Dump::kNumeric);
        m_context.dumpModeLabel = m_context.dumpMode;
        showDumpModeLabel();
    }
}

void MainWindow::openDumpWindow() {
    if (!m_data)
        return;
    m_dumpChoice->hide();
    setEnabled(false);
    m_entryHighlight->move(m_entryHighlight->x(), 281);
    m_entryHighlight->show();
    if (m_dumpWindow && !m_dumpWindow->isVisible())
        m_dumpWindow->deleteLater(); // the start-up instance, or one already left
    auto *window = new DumpWindow(m_context, *m_data);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->toolsPrefix = m_context.toolsPrefix;
    window->setHooks(dumpHooks());
    connect(window, &DumpWindow::left, this, [this] {
        setEnabled(true);
        m_deviceWatch->start();
        m_entryHighlight->hide();
        activateWindow();
    });
    m_dumpWindow = window;
    Translation::translateWindow(window, m_context.currentLanguage());
    centre(window);
    window->show();
}

QString MainWindow::versionText() {
    return QStringLiteral(KORVELLO_VERSION);
}

void MainWindow::showVersionAndTitle() {
    m_versionLabel->setText(m_context.tr(QStringLiteral("FMain.Label8")) + QLatin1Char(' ') +
                            versionText());
    m_titleLabel->setText(m_context.tr(QStringLiteral("FMain.Caption")));
}

void MainWindow::showHandheldState() {
    QColor colour = kUndetermined;
    if (m_context.handheldState == HandheldState::Connected)
        colour = kConnected;
    else if (m_context.handheldState == HandheldState::Disconnected)
        colour = kDisconnected;
    m_indicator = colour;
    m_handheldIndicator->setStyleSheet(QStringLiteral("background: %1;").arg(colour.name()));
}

// The dump mode label is a program-wide value; the label only shows it. The window
// translation would otherwise overwrite it with the language file's text.
void MainWindow::showDumpModeLabel() {
    m_dumpModeLabel->setText(m_context.dumpModeLabel);
}

void MainWindow::noteFocusLeftFor(QWindow *window) {
    if (window == windowHandle())
        return;
    // No window of ours: the user went to another program.
    m_awayInOwnMessageBox = false;
    if (!window)
        return;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->windowHandle() == window) {
            m_awayInOwnMessageBox = qobject_cast<QMessageBox *>(top) != nullptr;
            return;
        }
}

void MainWindow::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    // Back from one of its own message boxes (an upload's question, an error), the window
    // was never left: its activation would hide the dump choice and ask the handheld again.
    if (m_awayInOwnMessageBox) {
        m_awayInOwnMessageBox = false;
        return;
    }
    refreshOnActivation();
}

void MainWindow::refreshOnActivation() {
    // The detection below keeps the interface alive; an activation inside it would start a
    // second one.
    if (m_activating)
        return;
    m_activating = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_activating};

    m_context.setLanguage(m_context.config().readString(
        QStringLiteral("CONF"), QStringLiteral("LNG"), QStringLiteral("NL")));
    m_languageChoice->setCurrentIndex(m_languageChoice->findText(m_context.currentLanguage()));
    Translation::translateWindow(this, m_context.currentLanguage());
    showDumpModeLabel();
    showVersionAndTitle();
    m_dumpChoice->hide();
    m_devicesOutput->clear();
    m_handheldStateText->clear();

    runCaptured(Bridge::listDevices(m_context.toolsPrefix), m_devicesOutput);
    showConnection(Bridge::isConnected(m_devicesOutput->toPlainText()));
    m_entryHighlight->hide();
    if (m_data)
        m_data->setStoreAccount();
}

void MainWindow::changeLanguage() {
    const QString chosen = m_languageChoice->currentText();
    if (chosen == m_context.currentLanguage())
        return;
    m_context.setLanguage(chosen);
    m_context.config().writeString(QStringLiteral("CONF"), QStringLiteral("LNG"), chosen);
    Translation::translateWindow(this, chosen);
    showDumpModeLabel();
    showVersionAndTitle();
}

void MainWindow::openDumpChoice() {
    IniFile config = m_context.config();
    const bool offered =
        config.readInteger(QStringLiteral("CONF"), QStringLiteral("FTP_AVAILABLE"), 0) == 1 &&
        config.readInteger(QStringLiteral("FTP"), QStringLiteral("CHECK"), 0) == 1;
    m_uploadChoice->setVisible(offered);

    const QString countFolder = m_context.countFolder(FolderDefaults::Files);
    QDir().mkdir(countFolder);
    const qsizetype waiting = CountFiles::waiting(countFolder).size();
    if (waiting == 0) {
        m_uploadButton->setText(m_context.tr(QStringLiteral("AucunTransfert")));
        m_uploadButton->setEnabled(false);
    } else {
        m_uploadButton->setText(m_context.tr(QStringLiteral("Transfert2")) + QLatin1Char(' ') +
                                QString::number(waiting) + QLatin1Char(' ') +
                                m_context.tr(QStringLiteral("Transfert3")));
        m_uploadButton->setEnabled(true);
    }
    m_dumpChoice->show();
    m_dumpChoice->raise();
    m_openDumpButton->setFocus();
}

void MainWindow::quit() {
    close();
}

void MainWindow::uploadCountFiles() {
    const Upload::Outcome outcome = Upload::run(m_context, m_interaction, m_ftp);
    if (outcome.end == Upload::Outcome::End::NotConnected) {
        m_interaction.notice(outcome.error);
        return;
    }
    if (outcome.end == Upload::Outcome::End::Completed) {
        m_uploadButton->setText(m_context.tr(QStringLiteral("AucunTransfert")));
        m_uploadButton->setEnabled(false);
    }
}

void MainWindow::openProgress() {
    const QString &mode = m_context.dumpModeLabel;
    if (!mode.isEmpty() && mode != QString::fromUtf8("Numérique")) {
        m_interaction.notice(m_context.tr(QStringLiteral("ShowAvance")));
        return;
    }
    emit progressWindowWanted();
    openProgressWindow();
}

void MainWindow::openProgressWindow() {
    if (!m_data)
        return;
    setEnabled(false);
    m_entryHighlight->move(m_entryHighlight->x(), m_progressEntry->y() + 10);
    m_entryHighlight->show();
    auto *window = new ProgressWindow(m_context, *m_data);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // A workstation that never dumped has no sector database yet.
    SectorDatabase::ensureOpen(*m_data, m_context);
    connect(window, &ProgressWindow::left, this, [this] {
        setEnabled(true);
        m_entryHighlight->hide();
        activateWindow();
    });
    Translation::translateWindow(window, m_context.currentLanguage());
    centre(window);
    window->show();
}

// A window opened from the left column: the main window waits, disabled, until it is left.
void MainWindow::showEntryWindow(QWidget *window, Panel *entry) {
    setEnabled(false);
    m_entryHighlight->move(m_entryHighlight->x(), entry->y() + 10);
    m_entryHighlight->show();
    window->setAttribute(Qt::WA_DeleteOnClose);
    Translation::translateWindow(window, m_context.currentLanguage());
    centre(window);
    window->show();
}

void MainWindow::returnFromEntryWindow() {
    setEnabled(true);
    m_entryHighlight->hide();
    activateWindow();
}

void MainWindow::openSettingsWindow() {
    if (!m_data)
        return;
    auto *window = new SettingsWindow(m_context, *m_data);
    connect(window, &SettingsWindow::left, this, &MainWindow::returnFromEntryWindow);
    connect(window, &SettingsWindow::campaignResetChosen, this, [this] {
        m_context.dumpModeLabel.clear();
        showDumpModeLabel();
    });
    showEntryWindow(window, m_settingsEntry);
}

void MainWindow::openGenerationWindow() {
    if (!m_data)
        return;
    auto *window = new GenerationWindow(m_context, *m_data);
    window->watchOff = [this] { m_deviceWatch->stop(); };
    window->watchOn = [this] { m_deviceWatch->start(); };
    connect(window, &GenerationWindow::left, this, &MainWindow::returnFromEntryWindow);
    showEntryWindow(window, m_generationEntry);
}

void MainWindow::openTransferWindow() {
    auto *window = new TransferWindow(m_context);
    window->watchOff = [this] { m_deviceWatch->stop(); };
    window->watchOn = [this] { m_deviceWatch->start(); };
    connect(window, &TransferWindow::left, this, &MainWindow::returnFromEntryWindow);
    showEntryWindow(window, m_transferEntry);
}

void MainWindow::closeDumpChoice() {
    m_dumpChoice->hide();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (m_data)
        m_data->closeSqlite();
    if (!m_context.uploadKeyName.isEmpty()) {
        const QString keyFile = QStringLiteral("./") + m_context.uploadKeyName;
        if (QFile::exists(keyFile))
            QFile::remove(keyFile);
    }
    event->accept();
}

void MainWindow::runCaptured(const ToolCommand &command, QPlainTextEdit *memo) {
    QString text = memo->toPlainText();
    CapturedRunner::run(command, text, m_deviceWatch);
    memo->setPlainText(text);
}

QMessageBox::StandardButton MainWindow::askWithCaptions(const QString &text,
                                                        MessageBoxes::BoxType type,
                                                        QMessageBox::StandardButtons buttons,
                                                        const QStringList &captions,
                                                        const QString &title) {
    auto box = MessageBoxes::buildWithCaptions(text, type, buttons, captions, title, this);
    return MessageBoxes::exec(*box);
}
