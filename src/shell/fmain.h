#pragma once

#include "device/runners.h"
#include "i18n/messagedlg.h"
#include "shell/appcontext.h"
#include "shell/dialoginteraction.h"

#include <QWidget>

class Panel;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The main window: the program's home screen and owner of the program-wide values.
class TFMain : public QWidget {
    Q_OBJECT
public:
    explicit TFMain(AppContext &context, QWidget *parent = nullptr);

    AppContext &context() { return m_context; }
    UserInteraction &interaction() { return m_interaction; }
    QTimer *timer() const { return Timer1; }

    // The captured runner: runs the tool, keeping the window alive, appends its output to
    // memo and pauses the device watch meanwhile.
    void RunDosInMemo(const ToolCommand &command, QPlainTextEdit *memo);

    // A message box whose buttons take the caller's captions in the dialog's button order.
    QMessageBox::StandardButton MyMessageDlg(const QString &text, QvMessageDlg::DlgType type,
                                             QMessageBox::StandardButtons buttons,
                                             const QStringList &captions, const QString &title);

protected:
    void FormCreate();

private:
    void buildControls();

    AppContext &m_context;
    DialogInteraction m_interaction;

    Panel *Panel2 = nullptr;
    QLabel *LInvent = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label9 = nullptr;
    QFrame *Memo2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QComboBox *CBLng = nullptr;
    QTimer *Timer1 = nullptr;
};
