#include "gui/settingswindow.h"
#include "ui_settingswindow.h"

#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/operationlock.h"
#include "core/sectors/sectordatabase.h"
#include "core/sectors/sectorrules.h"
#include "core/settings/campaignreset.h"
#include "gui/application.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSqlError>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

// The grid's columns, in the order shown.
const char *const kShownFields[] = {"SECTEUR", "MINIMUM", "MAXIMUM", "ZONES", "NOM"};

// The zone range column is worked out by the rules: shown greyed, never edited.
class ReadOnlyGreyDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &,
                          const QModelIndex &) const override {
        return nullptr;
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->backgroundBrush = QColor(0xe4, 0xe7, 0xea);
    }
};

// Down on the last row, or Insert, adds a sector, as a grid of records does.
class AddRowKeys : public QObject {
public:
    AddRowKeys(QTableView *grid, std::function<void()> add)
        : QObject(grid), m_grid(grid), m_add(std::move(add)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool atEnd = m_grid->currentIndex().row() == m_grid->model()->rowCount() - 1;
        if (key == Qt::Key_Insert || (key == Qt::Key_Down && atEnd)) {
            m_add();
            return true;
        }
        return false;
    }

private:
    QTableView *m_grid;
    std::function<void()> m_add;
};

// A chosen folder is shown without a final separator (the root excepted).
QString withoutTrailingSeparator(const QString &folder) {
    QString text = folder;
    while (text.size() > 1 && (text.endsWith(QLatin1Char('/')) || text.endsWith(QLatin1Char('\\'))))
        text.chop(1);
    return text;
}

} // namespace

SettingsWindow::SettingsWindow(AppContext &context, DataModule &data, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::SettingsWindow>()), m_context(context),
      m_data(data), m_interaction(context, this) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_StyledBackground); // the form's background and border
    bindControls();
    chooseFolder = [this](const QString &start) {
        return QFileDialog::getExistingDirectory(this, QString(), start);
    };
    showPlainError = &Application::showError;
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::releaseSectors() {
    if (!m_sectorsOpen)
        return;
    m_sectorsOpen = false;
    RuleTable *table = m_data.sectorTable();
    table->disconnect(this);
    table->clear();
    // The rules stay in force, without this window's message area.
    SectorRules::attach(m_data, {});
}

void SettingsWindow::bindControls() {
    m_pages = m_ui->PCParam;
    m_pathsPage = m_ui->TabSheet1;
    m_sectorsPage = m_ui->TabSheet2;
    m_countFolder = m_ui->EditChemin;
    m_saveFolder = m_ui->EditCheminSecu;
    m_chooseCountFolder = m_ui->ButtonOpenDialog;
    m_chooseSaveFolder = m_ui->ButtonOpenDialogCheminSecu;
    m_shopCode = m_ui->EditNomAlias;
    m_fetchButton = m_ui->Button1;
    m_serverPanel = m_ui->Panel8;
    m_serverCopy = m_ui->CheckButtonFTP;
    m_host = m_ui->EditHote;
    m_login = m_ui->EditIdFTP;
    m_password = m_ui->EditMdpFtp;
    m_remoteDirectory = m_ui->EditCheminFTP;
    m_testButton = m_ui->TestFTP;
    m_autoUpload = m_ui->CBTransfert;
    m_sectorGrid = m_ui->DBGridSect;
    m_deleteSector = m_ui->Supprimerlesecteur1;
    m_resetButton = m_ui->ButtonInit;
    m_sectorMessages = m_ui->MemoSect;
    m_sectorField = m_ui->DBEditSECTEUR;
    m_dumpAll = m_ui->RadioButtonTT;
    m_dumpValidated = m_ui->RadioButtonV;
    m_externalProgram = m_ui->CBXProgExt;
    m_externalProgramPath = m_ui->EditProgExt;
    m_chooseExternalProgram = m_ui->ButtonProgExt;
    m_leaveButton = m_ui->ButtonFermer;

    // Kept for the files that name them; nothing here uses them.
    for (QWidget *unused : std::initializer_list<QWidget *>{
             m_externalProgram, m_externalProgramPath, m_chooseExternalProgram, m_sectorField})
        unused->hide();
    m_sectorMessages->hide();
    m_sectorGrid->addAction(m_deleteSector);
    m_sectorGrid->installEventFilter(new AddRowKeys(m_sectorGrid, [this] { addSector(); }));

    connect(m_chooseCountFolder, &QPushButton::clicked, this, &SettingsWindow::chooseCountFolder);
    connect(m_chooseSaveFolder, &QPushButton::clicked, this, &SettingsWindow::chooseSaveFolder);
    connect(m_serverCopy, &QCheckBox::clicked, this, &SettingsWindow::serverCopyClicked);
    connect(m_testButton, &QPushButton::clicked, this, &SettingsWindow::testServer);
    connect(m_fetchButton, &QPushButton::clicked, this, &SettingsWindow::fetchShopSettings);
    connect(m_deleteSector, &QAction::triggered, this, &SettingsWindow::deleteCurrentSector);
    connect(m_resetButton, &QPushButton::clicked, this, &SettingsWindow::resetCampaign);
    connect(m_leaveButton, &QPushButton::clicked, this, &SettingsWindow::leave);
}

void SettingsWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Once per opening: a message box closing, or an error at the first activation, does not
    // run it again.
    if (!m_activated) {
        m_activated = true;
        QMetaObject::invokeMethod(this, &SettingsWindow::refreshOnActivation, Qt::QueuedConnection);
    }
}

void SettingsWindow::refreshOnActivation() {
    m_activated = true;
    m_resetChosen = false;
    m_data.sectorDeleted = false;
    m_pages->setTabText(m_pages->indexOf(m_pathsPage),
                        m_context.tr(QStringLiteral("FParam_1.Label10")));
    m_pages->setTabText(m_pages->indexOf(m_sectorsPage),
                        m_context.tr(QStringLiteral("FBornage_Zones")) + QStringLiteral(" / ") +
                            m_context.tr(QStringLiteral("FBornage_Secteur")));
    m_form = formFromControls();
    Settings::load(m_context, m_form);
    showForm(m_form);
    m_externalProgramPath->clear();
    m_externalProgramPath->setEnabled(false);
    m_chooseExternalProgram->setEnabled(false);
    m_externalProgram->setChecked(false);
    setServerEditsEnabled(true);
    openSectors();
    m_pages->setCurrentWidget(m_pathsPage);
}

void SettingsWindow::openSectors() {
    SectorDatabase::ensureOpen(m_data, m_context);
    QString error;
    if (!m_data.sectorDatabase().isOpen() && !m_data.openSectorDatabase(&error)) {
        // The other settings stay usable; the grid stays empty.
        m_sectorGrid->setEnabled(false);
        m_resetButton->setEnabled(false);
        showPlainError(m_context.tr(QStringLiteral("FParam_BaseSecteurs")).arg(error));
        return;
    }
    RuleTable *table = m_data.sectorTable();
    if (!SectorRules::openTables(m_data)) {
        m_sectorGrid->setEnabled(false);
        m_resetButton->setEnabled(false);
        showPlainError(
            m_context.tr(QStringLiteral("FParam_BaseSecteurs")).arg(table->lastError().text()));
        return;
    }
    m_sectorGrid->setModel(table);
    QHeaderView *header = m_sectorGrid->horizontalHeader();
    for (int column = 0; column < table->columnCount(); ++column)
        m_sectorGrid->setColumnHidden(column, true);
    int visual = 0;
    for (const char *field : kShownFields) {
        const int column = table->fieldIndex(QLatin1String(field));
        m_sectorGrid->setColumnHidden(column, false);
        header->moveSection(header->visualIndex(column), visual++);
    }
    const auto title = [&](const char *field, const QString &text) {
        table->setHeaderData(table->fieldIndex(QLatin1String(field)), Qt::Horizontal, text);
    };
    title("SECTEUR", m_context.tr(QStringLiteral("FBornage_Secteur")));
    title("MINIMUM", QStringLiteral("Min"));
    title("MAXIMUM", QStringLiteral("Max"));
    title("ZONES", QStringLiteral("Zones"));
    title("NOM", m_context.tr(QStringLiteral("FBornage_NomSecteur")));
    m_sectorGrid->setItemDelegateForColumn(table->fieldIndex(QStringLiteral("ZONES")),
                                           new ReadOnlyGreyDelegate(m_sectorGrid));
    // Widths that fit the grid; the name takes what is left.
    for (const auto &[field, width] :
         {std::pair{"SECTEUR", 64}, {"MINIMUM", 56}, {"MAXIMUM", 56}, {"ZONES", 118}})
        m_sectorGrid->setColumnWidth(table->fieldIndex(QLatin1String(field)), width);
    header->setStretchLastSection(true);

    SectorRules::MessageArea area;
    area.reject = [this](const QString &message, int column) {
        showSectorMessage(message, column);
    };
    area.hide = [this] { hideSectorMessage(); };
    SectorRules::attach(m_data, area);
    connect(table, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft) { rowEdited(topLeft.row()); });
    connect(m_sectorGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                currentRowChanged(current.row(), previous.row());
            });
    connect(m_sectorGrid->selectionModel(), &QItemSelectionModel::currentColumnChanged, this,
            [this](const QModelIndex &current) { sectorColumnEntered(current.column()); });
    m_sectorsOpen = true;
}

SettingsForm SettingsWindow::formFromControls() const {
    SettingsForm form = m_form; // the held values
    form.countFolder = m_countFolder->text();
    form.saveFolder = m_saveFolder->text();
    form.validatedZonesOnly = m_dumpValidated->isChecked();
    form.autoUpload = m_autoUpload->isChecked();
    form.shopCode = m_shopCode->text();
    form.serverShown = !m_serverPanel->isHidden();
    form.serverCopy = m_serverCopy->isChecked();
    form.host = m_host->text();
    form.login = m_login->text();
    form.password = m_password->text();
    form.directory = m_remoteDirectory->text();
    return form;
}

void SettingsWindow::showForm(const SettingsForm &form) {
    m_countFolder->setText(form.countFolder);
    m_saveFolder->setText(form.saveFolder);
    (form.validatedZonesOnly ? m_dumpValidated : m_dumpAll)->setChecked(true);
    m_autoUpload->setChecked(form.autoUpload);
    m_shopCode->setText(form.shopCode);
    m_serverPanel->setVisible(form.serverShown);
    m_serverCopy->setChecked(form.serverCopy);
    m_host->setText(form.host);
    m_login->setText(form.login);
    m_password->setText(form.password);
    m_remoteDirectory->setText(form.directory);
}

void SettingsWindow::setServerEditsEnabled(bool enabled) {
    for (QLineEdit *edit : {m_host, m_login, m_password, m_remoteDirectory}) {
        edit->setEnabled(enabled);
        if (enabled)
            edit->setStyleSheet(QStringLiteral("background: white;"));
    }
}

void SettingsWindow::serverCopyClicked() {
    setServerEditsEnabled(m_serverCopy->isChecked());
}

void SettingsWindow::chooseCountFolder() {
    const QString folder = chooseFolder(m_countFolder->text());
    if (!folder.isEmpty())
        m_countFolder->setText(withoutTrailingSeparator(folder));
}

void SettingsWindow::chooseSaveFolder() {
    const QString folder = chooseFolder(m_saveFolder->text());
    if (!folder.isEmpty())
        m_saveFolder->setText(withoutTrailingSeparator(folder));
}

void SettingsWindow::showSectorMessage(const QString &message, int column) {
    m_sectorMessages->setPlainText(message);
    m_sectorMessages->show();
    if (column < 0 || !m_sectorsOpen)
        return;
    RuleTable *table = m_data.sectorTable();
    const int row = m_editedRow >= 0 ? m_editedRow : m_sectorGrid->currentIndex().row();
    m_returning = true;
    m_sectorGrid->setCurrentIndex(
        table->index(row, table->fieldIndex(QLatin1String(kShownFields[column]))));
    m_returning = false;
}

void SettingsWindow::hideSectorMessage() {
    m_sectorMessages->hide();
}

void SettingsWindow::sectorColumnEntered(int column) {
    if (m_returning || !m_sectorsOpen)
        return;
    RuleTable *table = m_data.sectorTable();
    const int sectorColumn = table->fieldIndex(QStringLiteral("SECTEUR"));
    if (column == sectorColumn)
        return;
    const int row = m_sectorGrid->currentIndex().row();
    const int sector = table->data(table->index(row, sectorColumn)).toInt();
    if (sector < 0 || sector > 9) {
        QTimer::singleShot(0, this, [this, table, row, sectorColumn] {
            m_returning = true;
            m_sectorGrid->setCurrentIndex(table->index(row, sectorColumn));
            m_returning = false;
        });
        showSectorMessage(QStringLiteral("* Sector must be between 0 and 9"), -1);
    } else {
        hideSectorMessage();
    }
}

void SettingsWindow::rowEdited(int row) {
    if (m_posting || row < 0)
        return;
    if (m_editedRow != row) {
        m_editedRow = row;
        m_editedIsNew = false;
    }
    m_editedChanged = true;
}

bool SettingsWindow::postEditedRow() {
    if (m_editedRow < 0)
        return true;
    RuleTable *table = m_data.sectorTable();
    const int row = m_editedRow;
    if (!m_editedChanged) {
        // A row added and left blank is dropped.
        if (m_editedIsNew)
            dropNewRow();
        m_editedRow = -1;
        return true;
    }
    m_posting = true;
    bool posted = false;
    try {
        posted = table->post(row, m_editedIsNew);
    } catch (const KorvelloError &error) {
        showSectorMessage(error.message(), -1);
    }
    m_posting = false;
    if (!posted)
        return false;
    m_editedRow = -1;
    m_editedIsNew = false;
    m_editedChanged = false;
    return true;
}

void SettingsWindow::dropNewRow() {
    const int row = m_editedRow;
    // Removing the row moves the grid's cursor, which must not post the row being removed.
    m_editedRow = -1;
    m_editedIsNew = false;
    m_editedChanged = false;
    m_returning = true;
    m_data.sectorTable()->revertRow(row);
    m_returning = false;
}

void SettingsWindow::currentRowChanged(int row, int previous) {
    if (m_returning || previous < 0 || row == previous || previous != m_editedRow)
        return;
    if (postEditedRow())
        return;
    // Refused: the cursor goes back to the row; the message area tells why.
    const int refused = previous;
    QTimer::singleShot(0, this, [this, refused] {
        RuleTable *table = m_data.sectorTable();
        m_returning = true;
        m_sectorGrid->setCurrentIndex(table->index(refused, m_sectorGrid->currentIndex().column()));
        m_returning = false;
    });
}

void SettingsWindow::addSector() {
    if (!m_sectorsOpen || !postEditedRow())
        return;
    RuleTable *table = m_data.sectorTable();
    const int row = table->rowCount();
    if (!table->insertRow(row))
        return;
    m_editedRow = row;
    m_editedIsNew = true;
    m_editedChanged = false;
    m_returning = true;
    m_sectorGrid->setCurrentIndex(table->index(row, table->fieldIndex(QStringLiteral("SECTEUR"))));
    m_returning = false;
}

void SettingsWindow::deleteCurrentSector() {
    const int row = m_sectorGrid->currentIndex().row();
    if (!m_sectorsOpen || row < 0)
        return;
    try {
        if (row == m_editedRow && m_editedIsNew) {
            dropNewRow();
            return;
        }
        SectorRules::deleteSector(m_data, row, m_context, *m_ask);
    } catch (const KorvelloError &error) {
        showPlainError(error.message());
    }
}

bool SettingsWindow::applySectorChanges() {
    if (!m_sectorsOpen)
        return true;
    if (!postEditedRow())
        return false;
    RuleTable *table = m_data.sectorTable();
    // A write the database refuses (two rows of one sector) is told, and the window stays
    // open to mend it, rather than dropped unseen.
    if (!table->submitAll()) {
        showSectorMessage(
            m_context.tr(QStringLiteral("FParam_BaseSecteurs")).arg(table->lastError().text()), -1);
        m_pages->setCurrentWidget(m_sectorsPage);
        return false;
    }
    m_data.sectorDeleted = false;
    return true;
}

bool SettingsWindow::saveSettings() {
    SettingsForm form = formFromControls();
    try {
        if (Settings::save(m_context, form))
            m_countFolder->setText(form.countFolder);
    } catch (const KorvelloError &error) {
        showPlainError(error.message());
        return false;
    }
    m_form = form;
    if (m_editedRow >= 0 || m_data.sectorDeleted)
        return applySectorChanges();
    return true;
}

void SettingsWindow::leave() {
    if (!m_resetChosen && m_ask->question(m_context.tr(QStringLiteral("FParam_save"))) !=
                              UserInteraction::Answer::Yes) {
        if (m_sectorsOpen)
            m_data.sectorTable()->revertAll();
        releaseSectors();
        emit left();
        close();
        return;
    }
    if (m_countFolder->text().isEmpty()) {
        m_ask->notice(m_context.tr(QStringLiteral("FParam_Vide")));
        m_countFolder->setFocus();
        return;
    }
    if (!saveSettings() || !applySectorChanges())
        return;
    releaseSectors();
    emit left();
    close();
}

void SettingsWindow::resetCampaign() {
    m_resetChosen = true; // set before asking: "Quitter" then saves whatever the answer
    struct Tell {
        SettingsWindow *window;
        ~Tell() { emit window->campaignResetChosen(); }
    } tell{this};
    const QString countFolder = m_countFolder->text();
    const QString saveFolder = m_saveFolder->text();
    try {
        CampaignReset::checkNoDumpPending(m_context);
        const int unsent = CampaignReset::unsentCountFiles(countFolder);
        if (m_ask->question(CampaignReset::question(m_context, unsent)) !=
            UserInteraction::Answer::Yes)
            return;
        const OperationLock lock(m_context);
        if (!lock.held()) {
            m_ask->notice(m_context.tr(QStringLiteral("Dump_Verrou")));
            return;
        }
        const CampaignReset::Outcome outcome =
            CampaignReset::archiveFiles(m_context, countFolder, saveFolder, QDate::currentDate());
        if (!outcome.notArchived.isEmpty())
            m_ask->notice(m_context.tr(QStringLiteral("FParam_NonArchives")) +
                          QStringLiteral("\n") + outcome.notArchived.join(QLatin1Char('\n')));
        if (!m_sectorsOpen)
            return;
        // Zone rows go at once; sector rows are held until the window is left.
        CampaignReset::deleteZones(m_data);
        m_data.zoneTable()->select();
        RuleTable *table = m_data.sectorTable();
        if (m_editedRow >= 0 && m_editedIsNew)
            dropNewRow();
        m_editedRow = -1;
        for (int row = table->rowCount() - 1; row >= 0; --row)
            table->deleteRow(row);
        addSector();
    } catch (const KorvelloError &error) {
        showPlainError(error.message());
    }
}

void SettingsWindow::testServer() {
    m_ask->notice(Settings::testServer(formFromControls()).text);
}

void SettingsWindow::fetchShopSettings() {
    SettingsForm form = formFromControls();
    try {
        const CustomerDirectory::Lookup lookup =
            Settings::fetchFromDirectory(m_context, m_data, form);
        if (!lookup.error.isEmpty())
            showPlainError(lookup.error);
    } catch (const KorvelloError &error) {
        showPlainError(error.message());
    }
    m_form = form;
    m_serverPanel->setVisible(form.serverShown);
    m_host->setText(form.host);
    m_remoteDirectory->setText(form.directory);
    m_login->setText(form.login);
    m_password->setText(form.password);
}
