#pragma once

#include "core/articles/articlebuild.h"
#include "gui/dialoginteraction.h"

#include <QWidget>

#include <functional>
#include <memory>

class AppContext;
class DataModule;
class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace Ui {
class GenerationWindow;
}

// The article code database window: the source (the store database or a text file), the
// product families, and the build.
class GenerationWindow : public QWidget {
    Q_OBJECT
public:
    GenerationWindow(AppContext &context, DataModule &data, QWidget *parent = nullptr);
    ~GenerationWindow() override;

    // Once per opening: every family ticked, the shop code and store database from the
    // configuration file.
    void refreshOnActivation();
    void allProductsClicked();
    void familyClicked(QCheckBox *box);
    void chooseStoreSource();
    void chooseTextSource();
    void chooseTextFile();
    void lookUpStoreDatabase();
    void build();
    void leave();

    // The request the controls make.
    ArticleBuild::Request request() const;

    // Who answers and reads the notices: message boxes, or a test's script.
    void setInteraction(UserInteraction *interaction) { m_ask = interaction; }
    // The main window's device watch, paused for a build.
    std::function<void()> watchOff;
    std::function<void()> watchOn;
    // How the text file is chosen (empty when cancelled); tests put their own.
    std::function<QString()> chooseFile;
    // Where the plain error of the customer directory goes; tests put their own.
    std::function<void(const QString &)> showPlainError;

signals:
    void left();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void bindControls();
    QList<QCheckBox *> families() const;

    std::unique_ptr<Ui::GenerationWindow> m_ui;
    AppContext &m_context;
    DataModule &m_data;
    DialogInteraction m_interaction;
    UserInteraction *m_ask = &m_interaction;
    bool m_activated = false;
    QString m_lastChosenFile; // the dialog's file name from its previous use

    // The form's controls, named for their use.
    QLineEdit *m_shopCode = nullptr;
    QPushButton *m_lookUpButton = nullptr;
    QLineEdit *m_storeDatabase = nullptr;
    QLineEdit *m_destination = nullptr;
    QRadioButton *m_fromStore = nullptr;
    QRadioButton *m_fromText = nullptr;
    QLineEdit *m_textFile = nullptr;
    QPushButton *m_chooseTextFile = nullptr;
    QCheckBox *m_allProducts = nullptr;
    QCheckBox *m_livre = nullptr;
    QCheckBox *m_video = nullptr;
    QCheckBox *m_media = nullptr;
    QCheckBox *m_papet = nullptr;
    QCheckBox *m_disque = nullptr;
    QCheckBox *m_divers = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_buildButton = nullptr;
    QPushButton *m_leaveButton = nullptr;

    friend class TestGenerationWindow;
};
