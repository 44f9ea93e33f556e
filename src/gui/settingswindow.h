#pragma once

#include "core/settings/settings.h"
#include "gui/dialoginteraction.h"

#include <QWidget>

#include <functional>
#include <memory>

class AppContext;
class DataModule;
class QAction;
class QCheckBox;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;

namespace Ui {
class SettingsWindow;
}

// The settings window: the shop's folders, code and server, the dump option, the sectors
// (edited in memory, written when the user confirms on leaving) and the campaign reset.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    SettingsWindow(AppContext &context, DataModule &data, QWidget *parent = nullptr);
    ~SettingsWindow() override;

    // Once per opening: the settings from the configuration file, the sectors with their
    // rules.
    void refreshOnActivation();
    void chooseCountFolder();
    void chooseSaveFolder();
    void serverCopyClicked();
    // Entering a grid column other than the sector's, on a row whose sector is out of 0..9,
    // sends the cursor back to the sector.
    void sectorColumnEntered(int column);
    void deleteCurrentSector();
    void addSector();
    void resetCampaign();
    // Writes the settings and applies the sector changes; false when a sector row was
    // refused (its reason is in the message area).
    bool saveSettings();
    void leave();
    void testServer();
    void fetchShopSettings();

    // Who answers the window's questions and reads its notices: message boxes, or a test's
    // script.
    void setInteraction(UserInteraction *interaction) { m_ask = interaction; }

    // How a folder is chosen; tests put their own.
    std::function<QString(const QString &start)> chooseFolder;
    // Where the plain errors of the customer directory and the sector database go; tests put
    // their own.
    std::function<void(const QString &)> showPlainError;

signals:
    // "Quitter" closed the window: the main window takes over again.
    void left();
    // "RAZ" was chosen (whatever the answer): the dump mode shown is no longer known.
    void campaignResetChosen();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void bindControls();
    SettingsForm formFromControls() const;
    void showForm(const SettingsForm &form);
    void setServerEditsEnabled(bool enabled);
    void openSectors();
    // Posts the row being edited: a new row left blank is dropped. False when refused.
    bool postEditedRow();
    void dropNewRow();
    // Leaves the sector table as the rest of the program uses it.
    void releaseSectors();
    bool applySectorChanges();
    void rowEdited(int row);
    void currentRowChanged(int row, int previous);
    void showSectorMessage(const QString &message, int column);
    void hideSectorMessage();

    std::unique_ptr<Ui::SettingsWindow> m_ui;
    AppContext &m_context;
    DataModule &m_data;
    DialogInteraction m_interaction;
    UserInteraction *m_ask = &m_interaction;
    SettingsForm m_form; // the held values (store database, port, key name) live here
    bool m_activated = false;
    bool m_resetChosen = false;
    bool m_sectorsOpen = false;
    int m_editedRow = -1;         // the grid row with changes not yet posted
    bool m_editedIsNew = false;   // that row was added in the grid
    bool m_editedChanged = false; // a value of that row was changed
    bool m_returning = false;     // the cursor is being sent back to a refused row
    bool m_posting = false;       // the rules are writing the row back

    // The form's controls, named for their use.
    QTabWidget *m_pages = nullptr;
    QWidget *m_pathsPage = nullptr;
    QWidget *m_sectorsPage = nullptr;
    QLineEdit *m_countFolder = nullptr;
    QLineEdit *m_saveFolder = nullptr;
    QPushButton *m_chooseCountFolder = nullptr;
    QPushButton *m_chooseSaveFolder = nullptr;
    QLineEdit *m_shopCode = nullptr;
    QPushButton *m_fetchButton = nullptr;
    QFrame *m_serverPanel = nullptr;
    QCheckBox *m_serverCopy = nullptr;
    QLineEdit *m_host = nullptr;
    QLineEdit *m_login = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_remoteDirectory = nullptr;
    QPushButton *m_testButton = nullptr;
    QCheckBox *m_autoUpload = nullptr;
    QTableView *m_sectorGrid = nullptr;
    QAction *m_deleteSector = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPlainTextEdit *m_sectorMessages = nullptr;
    QLineEdit *m_sectorField = nullptr;
    QRadioButton *m_dumpAll = nullptr;
    QRadioButton *m_dumpValidated = nullptr;
    QCheckBox *m_externalProgram = nullptr;
    QLineEdit *m_externalProgramPath = nullptr;
    QPushButton *m_chooseExternalProgram = nullptr;
    QPushButton *m_leaveButton = nullptr;

    friend class TestSettingsWindow;
};
