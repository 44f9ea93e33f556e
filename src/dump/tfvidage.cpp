#include "dump/tfvidage.h"

#include "data/tfdata.h"
#include "sectors/sectordatabase.h"
#include "sectors/sectorrules.h"
#include "shell/appcontext.h"
#include "shell/panel.h"

#include <QApplication>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TFVidage::TFVidage(AppContext &context, TFData &data, QWidget *parent)
    : QWidget(parent), m_context(context), m_data(data), m_interaction(context, this) {
    setObjectName(QStringLiteral("FVidage"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(691, 309);
    setStyleSheet(QStringLiteral(
        "#FVidage { background: #f4f6f8; border: 1px solid #1f3a56; }"
        "#Panel2 { background: #1f3a56; color: white; font-size: 16px; font-weight: 600; }"
        "QPushButton { padding: 8px 18px; font-size: 14px; }"));

    Panel2 = new Panel(QStringLiteral("Panel2"), this);
    Panel2->setCaption(QStringLiteral("Vidage des fichiers texte"));
    Panel2->setGeometry(0, 0, 691, 44);
    Panel2->setAutoFillBackground(true);

    DBGridListe = new QTableWidget(0, 2, this);
    DBGridListe->setObjectName(QStringLiteral("DBGridListe"));
    DBGridListe->setGeometry(20, 60, 300, 230);
    DBGridListe->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridListe->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridListe->verticalHeader()->hide();

    ButtonTransfer = new QPushButton(QStringLiteral("Vidage"), this);
    ButtonTransfer->setObjectName(QStringLiteral("ButtonTransfer"));
    ButtonTransfer->setToolTip(QString::fromUtf8("Transférer les fichiers de l'appareil vers l'ordinateur"));
    ButtonTransfer->setGeometry(360, 90, 300, 48);
    connect(ButtonTransfer, &QPushButton::clicked, this, &TFVidage::ButtonTransferClick);

    ButtonFermer = new QPushButton(QStringLiteral("Quitter"), this);
    ButtonFermer->setObjectName(QStringLiteral("ButtonFermer"));
    ButtonFermer->setGeometry(360, 236, 300, 48);
    connect(ButtonFermer, &QPushButton::clicked, this, &TFVidage::ButtonFermerClick);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(360, 160, 300, 24);
    ProgressBar1->hide();
    m_interaction.setProgressBar(ProgressBar1);
    clearZones();
}

void TFVidage::showZones(const QList<CountDatabase::ZoneQuantity> &zones, bool translatedTitles) {
    DBGridListe->clear();
    DBGridListe->setRowCount(int(zones.size()));
    DBGridListe->setHorizontalHeaderLabels(
        translatedTitles ? QStringList{m_context.tr(QStringLiteral("FBornage_Zones")),
                                       m_context.tr(QStringLiteral("FBornage_quantite"))}
                         : QStringList{QStringLiteral("Zones"), QStringLiteral("Qte")});
    DBGridListe->setColumnWidth(0, 60);
    DBGridListe->setColumnWidth(1, translatedTitles ? 100 : 60);
    for (int row = 0; row < zones.size(); ++row) {
        DBGridListe->setItem(row, 0, new QTableWidgetItem(zones[row].zone));
        auto *quantity = new QTableWidgetItem(QString::number(zones[row].quantity));
        quantity->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        DBGridListe->setItem(row, 1, quantity);
    }
}

void TFVidage::clearZones() { DBGridListe->setRowCount(0); }

int TFVidage::zoneCount() const { return DBGridListe->rowCount(); }

void TFVidage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Once per opening: message boxes closing do not run it again.
    if (!m_activated) {
        m_activated = true;
        QMetaObject::invokeMethod(this, &TFVidage::FormActivate, Qt::QueuedConnection);
    }
}

void TFVidage::FormActivate() {
    QApplication::processEvents();
    Fermee = false;
    SectorDatabase::TesteListeSect2(m_data, m_context);
    clearZones();
    const Dump::Activation activation = Dump::activate(m_context, m_data, m_interaction, AdbPath);
    if (activation.state == Dump::Activation::State::Zones ||
        activation.state == Dump::Activation::State::EmptyTable)
        showZones(activation.zones, true);
    ButtonTransfer->setFocus();
    m_data.FDTableSect()->detachBeforePost();
    SectorRules::attachAfterPost(m_data);
}

void TFVidage::ButtonTransferClick() {
    Dump::run(m_context, m_data, m_interaction, AdbPath, m_hooks);
    // The working copy is closed after a dump: the list shows nothing until the next opening.
    if (!m_data.FDConnectionSQL().isOpen())
        clearZones();
}

void TFVidage::ButtonFermerClick() {
    Dump::quit(m_context, m_data);
    m_data.FDTableSect()->setFilter(QString());
    m_data.FDTableDetSect()->setFilter(QString());
    SectorRules::attachBeforePost(m_data, {});
    Fermee = true;
    emit left();
    close();
}
