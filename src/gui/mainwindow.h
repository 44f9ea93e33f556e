#pragma once

#include "core/device/runners.h"
#include "core/dump/dump.h"
#include "core/platform/appcontext.h"
#include "core/upload/ftpclient.h"
#include "gui/application.h"
#include "gui/dialoginteraction.h"
#include "gui/messageboxes.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>

class Panel;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class DataModule;
class DumpWindow;

namespace Ui {
class MainWindow;
}

// The main window: the program's home screen and owner of the program-wide values. Its
// left column opens the other windows; its right-hand area shows the title, the version,
// the language choice and the handheld state.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    AppContext &context() { return m_context; }
    UserInteraction &interaction() { return m_interaction; }
    QTimer *deviceWatch() const { return m_deviceWatch; }

    // The data module is created after the main window (start-up order); then the hidden
    // dump window is made and the device watch starts.
    void setDataModule(DataModule *data);
    // The dump window in use: the hidden one made at start-up, then the last one opened.
    DumpWindow *currentDumpWindow() const;

    // The captured runner: runs the tool, keeping the window alive, appends its output to
    // memo and pauses the device watch meanwhile.
    void runCaptured(const ToolCommand &command, QPlainTextEdit *memo);

    // A message box whose buttons take the caller's captions in the dialog's button order.
    QMessageBox::StandardButton askWithCaptions(const QString &text, MessageBoxes::BoxType type,
                                                QMessageBox::StandardButtons buttons,
                                                const QStringList &captions, const QString &title);

    // The version text shown after "FMain.Label8".
    static QString versionText();

    // Each time the window becomes active: language, translation, handheld detection and
    // the store-database account.
    void refreshOnActivation();
    void changeLanguage();
    void uploadCountFiles();
    void openDumpChoice(); // the "Vidage" entry: dump or upload
    void closeDumpChoice();
    void openDumpWindow();
    void openProgress(); // behind its guard: numeric dumps only
    void openProgressWindow();
    void openSettingsWindow();
    void openGenerationWindow();
    void openTransferWindow();
    void quit();
    void watchDevice(); // every second: the handheld's presence and zones

signals:
    // The Avancement entry passed its guard: the sector progress window is to open.
    void progressWindowWanted();

protected:
    void prepareAtCreation();
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void bindControls();
    void showEntryWindow(QWidget *window, Panel *entry);
    void returnFromEntryWindow();
    void watchDeviceOnce();
    void noteFocusLeftFor(QWindow *window);
    void showVersionAndTitle();
    void showHandheldState();
    void showDumpModeLabel();
    void showConnection(bool connected);
    Dump::Hooks dumpHooks();

    std::unique_ptr<Ui::MainWindow> m_ui;
    AppContext &m_context;
    DialogInteraction m_interaction;
    DataModule *m_data = nullptr;
    QPointer<DumpWindow> m_dumpWindow;
    FtpClient m_ftp; // kept for the program's life: a session may stay open between uploads
    bool m_activating = false;
    QColor m_indicator; // the handheld state as the indicator shows it
    QTimer *m_deviceWatch = nullptr;
    QString m_watchFault; // the device watch's last fault, told once
    bool m_awayInOwnMessageBox = false;
    // The general error display; tests put their own.
    std::function<void(const QString &)> m_showError = &Application::showError;

    // The form's controls, named for their use (the form's object names are the language
    // file's keys).
    Panel *m_entryColumn = nullptr;
    Panel *m_settingsEntry = nullptr;
    Panel *m_generationEntry = nullptr;
    Panel *m_transferEntry = nullptr;
    Panel *m_dumpEntry = nullptr;
    Panel *m_progressEntry = nullptr;
    Panel *m_quitEntry = nullptr;
    QFrame *m_entryHighlight = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_handheldStateText = nullptr;
    QLabel *m_dumpModeLabel = nullptr;
    QFrame *m_handheldIndicator = nullptr;
    QPlainTextEdit *m_devicesOutput = nullptr; // the last "adb devices" output
    QLineEdit *m_connectionFlag = nullptr;     // "1" connected, "2" not
    QComboBox *m_languageChoice = nullptr;
    Panel *m_dumpChoice = nullptr;
    Panel *m_uploadChoice = nullptr;
    QPushButton *m_openDumpButton = nullptr;
    QPushButton *m_uploadButton = nullptr;
    QPushButton *m_closeDumpChoiceButton = nullptr;

    friend class TestMainWindow;
};
