#include "gui/generationwindow.h"
#include "ui_generationwindow.h"

#include "core/articles/customerdirectory.h"
#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "gui/application.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>

GenerationWindow::GenerationWindow(AppContext &context, DataModule &data, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::GenerationWindow>()), m_context(context),
      m_data(data), m_interaction(context, this) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_StyledBackground); // the form's background and border
    bindControls();
    chooseFile = [this] { return QFileDialog::getOpenFileName(this); };
    showPlainError = &Application::showError;
}

GenerationWindow::~GenerationWindow() = default;

void GenerationWindow::bindControls() {
    m_shopCode = m_ui->EditNomAlias;
    m_lookUpButton = m_ui->Button1;
    m_storeDatabase = m_ui->EditSource;
    m_destination = m_ui->EditDest;
    m_fromStore = m_ui->RadioButton1;
    m_fromText = m_ui->RadioButton2;
    m_textFile = m_ui->EditCheminText;
    m_chooseTextFile = m_ui->ButtonOpenDialogTexte;
    m_allProducts = m_ui->CBXTP;
    m_livre = m_ui->CBXLivre;
    m_video = m_ui->CBXVideo;
    m_media = m_ui->CBXMedia;
    m_papet = m_ui->CBXPapet;
    m_disque = m_ui->CBXDisque;
    m_divers = m_ui->CBXDivers;
    m_progress = m_ui->ProgressBar1;
    m_buildButton = m_ui->ButtonCharger;
    m_leaveButton = m_ui->ButtonFermer;

    m_progress->hide();
    connect(m_allProducts, &QCheckBox::clicked, this, &GenerationWindow::allProductsClicked);
    for (QCheckBox *box : families())
        connect(box, &QCheckBox::clicked, this, [this, box] { familyClicked(box); });
    connect(m_fromStore, &QRadioButton::clicked, this, &GenerationWindow::chooseStoreSource);
    connect(m_fromText, &QRadioButton::clicked, this, &GenerationWindow::chooseTextSource);
    connect(m_chooseTextFile, &QPushButton::clicked, this, &GenerationWindow::chooseTextFile);
    connect(m_lookUpButton, &QPushButton::clicked, this, &GenerationWindow::lookUpStoreDatabase);
    connect(m_buildButton, &QPushButton::clicked, this, &GenerationWindow::build);
    connect(m_leaveButton, &QPushButton::clicked, this, &GenerationWindow::leave);
}

QList<QCheckBox *> GenerationWindow::families() const {
    return {m_livre, m_video, m_media, m_papet, m_disque, m_divers};
}

void GenerationWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Once per opening: the build's messages closing do not tick the families again.
    if (!m_activated) {
        m_activated = true;
        refreshOnActivation();
    }
}

void GenerationWindow::refreshOnActivation() {
    m_activated = true;
    m_destination->setText(ArticleBuild::databasePath(m_context));
    m_allProducts->setChecked(true);
    for (QCheckBox *box : families())
        box->setChecked(true);
    if (QFile::exists(m_context.configPath())) {
        const IniFile config = m_context.config();
        m_shopCode->setText(
            config.readString(QStringLiteral("CONF"), QStringLiteral("CODELIB"), QString()));
        m_storeDatabase->setText(
            config.readString(QStringLiteral("CONF"), QStringLiteral("DBLIB"), QString()));
    }
}

void GenerationWindow::allProductsClicked() {
    // Unticking "all products" leaves the families as they are.
    if (m_allProducts->isChecked())
        for (QCheckBox *box : families())
            box->setChecked(true);
}

void GenerationWindow::familyClicked(QCheckBox *box) {
    if (!box->isChecked()) {
        m_allProducts->setChecked(false);
        return;
    }
    const QList<QCheckBox *> all = families();
    if (std::all_of(all.begin(), all.end(), [](QCheckBox *b) { return b->isChecked(); }))
        m_allProducts->setChecked(true);
}

void GenerationWindow::chooseStoreSource() {
    m_fromStore->setChecked(true);
    m_fromText->setChecked(false);
    m_textFile->setEnabled(false);
    m_chooseTextFile->setEnabled(false);
    m_storeDatabase->setEnabled(true);
    m_shopCode->setEnabled(true);
}

void GenerationWindow::chooseTextSource() {
    m_fromText->setChecked(true);
    m_fromStore->setChecked(false);
    m_textFile->setEnabled(true);
    m_chooseTextFile->setEnabled(true);
    m_storeDatabase->setEnabled(false);
    m_shopCode->setEnabled(false);
}

void GenerationWindow::chooseTextFile() {
    const QString chosen = chooseFile();
    if (!chosen.isEmpty())
        m_lastChosenFile = chosen;
    m_textFile->setText(m_lastChosenFile);
}

void GenerationWindow::lookUpStoreDatabase() {
    try {
        const CustomerDirectory::Lookup lookup = CustomerDirectory::find(
            m_data, CustomerDirectory::deployment(m_context).customerDatabase, m_shopCode->text());
        if (!lookup.error.isEmpty())
            showPlainError(lookup.error);
        m_storeDatabase->setText(lookup.storeDatabase);
        m_context.config().writeString(QStringLiteral("CONF"), QStringLiteral("CODELIB"),
                                       m_shopCode->text());
    } catch (const KorvelloError &error) {
        showPlainError(error.message());
    }
}

ArticleBuild::Request GenerationWindow::request() const {
    ArticleBuild::Request request;
    request.source = m_fromStore->isChecked() ? ArticleBuild::Request::Source::Store
                                              : ArticleBuild::Request::Source::TextFile;
    request.storeDatabase = m_storeDatabase->text();
    request.shopCode = m_shopCode->text();
    request.textFile = m_textFile->text();
    ArticleBuild::Families &f = request.families;
    f.media = m_media->isChecked();
    f.papet = m_papet->isChecked();
    f.video = m_video->isChecked();
    f.disque = m_disque->isChecked();
    f.divers = m_divers->isChecked();
    f.livre = m_livre->isChecked();
    f.allProducts = m_allProducts->isChecked();
    return request;
}

void GenerationWindow::build() {
    if (watchOff)
        watchOff();
    struct Resume {
        GenerationWindow *window;
        ~Resume() {
            if (window->watchOn)
                window->watchOn();
        }
    } resume{this};
    m_progress->setValue(0);
    ArticleBuild::Progress progress;
    progress.start = [this](qint64 maximum) {
        m_progress->setRange(0, int(qMin<qint64>(maximum, INT_MAX)));
        m_progress->show();
    };
    // The window repaints during a long build; clicks wait for its end.
    progress.step = [this](qint64 done) {
        m_progress->setValue(int(qMin<qint64>(done, m_progress->maximum())));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    progress.end = [this] { m_progress->hide(); };
    try {
        const ArticleBuild::Outcome outcome =
            ArticleBuild::build(m_context, m_data, request(), progress);
        switch (outcome.end) {
        case ArticleBuild::Outcome::End::NoFamily:
            m_ask->notice(m_context.tr(QStringLiteral("FChargeDB_ChoixProduit")));
            break;
        case ArticleBuild::Outcome::End::NoSource:
            m_ask->notice(m_context.tr(QStringLiteral("FChargeDB_ChoixDB")));
            if (m_storeDatabase->isEnabled())
                m_storeDatabase->setFocus();
            break;
        case ArticleBuild::Outcome::End::Failed:
            m_ask->notice(outcome.error);
            break;
        case ArticleBuild::Outcome::End::Built:
            m_ask->notice(ArticleBuild::finishedMessage(m_context, outcome));
            break;
        }
    } catch (const KorvelloError &error) {
        Application::showError(error.message());
    }
}

void GenerationWindow::leave() {
    m_data.closeSqlite();
    m_data.closeStore();
    emit left();
    close();
}
