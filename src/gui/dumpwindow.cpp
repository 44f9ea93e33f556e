#include "gui/dumpwindow.h"
#include "ui_dumpwindow.h"

#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/sectors/sectordatabase.h"
#include "core/sectors/sectorrules.h"
#include "gui/panel.h"

#include <QApplication>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

DumpWindow::DumpWindow(AppContext &context, DataModule &data, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::DumpWindow>()), m_context(context), m_data(data),
      m_interaction(context, this) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    m_zoneList = m_ui->DBGridListe;
    m_dumpButton = m_ui->ButtonTransfer;
    m_leaveButton = m_ui->ButtonFermer;
    m_progress = m_ui->ProgressBar1;

    connect(m_dumpButton, &QPushButton::clicked, this, &DumpWindow::dumpHandheld);
    connect(m_leaveButton, &QPushButton::clicked, this, &DumpWindow::leave);
    m_progress->hide();
    m_interaction.setProgressBar(m_progress);
    clearZones();
}

DumpWindow::~DumpWindow() = default;

void DumpWindow::showZones(const QList<CountDatabase::ZoneQuantity> &zones, bool translatedTitles) {
    m_zoneList->clear();
    m_zoneList->setRowCount(int(zones.size()));
    m_zoneList->setHorizontalHeaderLabels(
        translatedTitles ? QStringList{m_context.tr(QStringLiteral("FBornage_Zones")),
                                       m_context.tr(QStringLiteral("FBornage_quantite"))}
                         : QStringList{QStringLiteral("Zones"), QStringLiteral("Qte")});
    m_zoneList->setColumnWidth(0, 60);
    m_zoneList->setColumnWidth(1, translatedTitles ? 100 : 60);
    for (int row = 0; row < zones.size(); ++row) {
        m_zoneList->setItem(row, 0, new QTableWidgetItem(zones[row].zone));
        auto *quantity = new QTableWidgetItem(QString::number(zones[row].quantity));
        quantity->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_zoneList->setItem(row, 1, quantity);
    }
}

void DumpWindow::clearZones() {
    m_zoneList->setRowCount(0);
}

int DumpWindow::zoneCount() const {
    return m_zoneList->rowCount();
}

void DumpWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Once per opening: message boxes closing do not run it again.
    if (!m_activated) {
        m_activated = true;
        QMetaObject::invokeMethod(this, &DumpWindow::refreshOnActivation, Qt::QueuedConnection);
    }
}

void DumpWindow::refreshOnActivation() {
    QApplication::processEvents();
    closedByUser = false;
    SectorDatabase::ensureOpen(m_data, m_context);
    clearZones();
    const Dump::Activation activation =
        Dump::activate(m_context, m_data, m_interaction, toolsPrefix);
    if (activation.state == Dump::Activation::State::Zones ||
        activation.state == Dump::Activation::State::EmptyTable)
        showZones(activation.zones, true);
    else if (activation.state == Dump::Activation::State::NoTable)
        m_interaction.notice(activation.problem);
    m_dumpButton->setFocus();
    m_data.sectorTable()->detachBeforePost();
    SectorRules::attachAfterPost(m_data);
}

void DumpWindow::dumpHandheld() {
    Dump::run(m_context, m_data, m_interaction, toolsPrefix, m_hooks);
    // The working copy is closed after a dump: the list shows nothing until the next opening.
    if (!m_data.sqlite().isOpen())
        clearZones();
}

void DumpWindow::leave() {
    Dump::quit(m_context, m_data);
    m_data.sectorTable()->setFilter(QString());
    m_data.zoneTable()->setFilter(QString());
    SectorRules::attachBeforePost(m_data, {});
    closedByUser = true;
    emit left();
    close();
}
