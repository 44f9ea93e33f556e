#pragma once

#include "device/runners.h"
#include "i18n/messagedlg.h"
#include "shell/appcontext.h"
#include "shell/dialoginteraction.h"
#include "dump/dump.h"
#include "upload/ftpclient.h"

#include <QPointer>
#include <QWidget>

class EntryIcon;
class Panel;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TFData;
class TFVidage;

// The main window: the program's home screen and owner of the program-wide values. Its
// left column opens the other windows; its right-hand area shows the title, the version,
// the language choice and the handheld state.
class TFMain : public QWidget {
    Q_OBJECT
public:
    explicit TFMain(AppContext &context, QWidget *parent = nullptr);
    ~TFMain() override;

    AppContext &context() { return m_context; }
    UserInteraction &interaction() { return m_interaction; }
    QTimer *timer() const { return Timer1; }

    // The data module is created after the main window (start-up order); then the hidden
    // dump window is made and the device watch starts.
    void setDataModule(TFData *data);
    // The dump window in use: the hidden one made at start-up, then the last one opened.
    TFVidage *currentDumpWindow() const;

    // The captured runner: runs the tool, keeping the window alive, appends its output to
    // memo and pauses the device watch meanwhile.
    void RunDosInMemo(const ToolCommand &command, QPlainTextEdit *memo);

    // A message box whose buttons take the caller's captions in the dialog's button order.
    QMessageBox::StandardButton MyMessageDlg(const QString &text, QvMessageDlg::DlgType type,
                                             QMessageBox::StandardButtons buttons,
                                             const QStringList &captions, const QString &title);

    // The version text shown after "FMain.Label8".
    static QString versionText();

    // Window events and handlers.
    void FormActivate();
    void CBLngChange();
    void Button2Click(); // upload of the count files
    void Image3Click(); // dump-choice panel
    void Image4Click(); // quit
    void Image7Click(); // progress, behind its guard
    void Button1Click(); // opens the dump window
    void Button3Click(); // hides the dump-choice panel
    void Timer1Timer();  // the device watch

signals:
    // The Avancement entry passed its guard: the sector progress window is to open.
    void progressWindowWanted();

protected:
    void FormCreate();
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    Panel *addEntry(const QString &panelName, const QString &imageName, const QString &labelName,
                    int top, int kind, const QString &text, const QString &hint);
    void showVersionAndTitle();
    void showHandheldState();
    void showDumpModeLabel();
    void showConnection(bool connected);
    Dump::Hooks dumpHooks();

    AppContext &m_context;
    DialogInteraction m_interaction;
    TFData *m_data = nullptr;
    QPointer<TFVidage> m_vidage;
    FtpClient IdFTP2; // kept for the program's life: a session may stay open between uploads
    bool m_activating = false;
    QColor m_indicator; // the handheld state as the indicator shows it

    Panel *Panel1 = nullptr;
    Panel *Panel2 = nullptr;
    Panel *Panel4 = nullptr;
    Panel *PanelGen = nullptr;
    Panel *PanelTransf = nullptr;
    Panel *PanelVidage = nullptr;
    Panel *Panel5 = nullptr;
    Panel *Panel3 = nullptr;
    QFrame *Shape1 = nullptr;
    QLabel *LInvent = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label9 = nullptr;
    QFrame *Memo2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QComboBox *CBLng = nullptr;
    Panel *Panel8 = nullptr;
    Panel *Panel7 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QTimer *Timer1 = nullptr;

    friend class TestFMain;
};
