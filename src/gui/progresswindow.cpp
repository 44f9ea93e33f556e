#include "gui/progresswindow.h"
#include "ui_progresswindow.h"

#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/sectors/sectordatabase.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

enum SectorColumn { Sector, Zones, Name, Volumes, Bar, Percent };
enum ZoneColumn { Zone, Quantity, Files };

// The progress column: a green-edged box with a bright green bar of 2.5 pixels a
// percentage point, kept inside its cell; a percentage that is no number draws no bar.
class ProgressBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        const QColor green(0x00, 0x80, 0x00);
        const QRect cell = option.rect;
        painter->save();
        painter->setClipRect(cell);
        painter->setPen(green);
        painter->setBrush(option.palette.window());
        painter->drawRect(QRect(QPoint(cell.left() + 2, cell.top() + 2),
                                QPoint(cell.right() - 2, cell.top() + 22)));
        const std::optional<int> end = Progress::barEnd(index.data(Qt::UserRole));
        if (end && *end > 2) {
            painter->setBrush(QColor(0x00, 0xFF, 0x00));
            painter->drawRect(QRect(QPoint(cell.left() + 2, cell.top() + 2),
                                    QPoint(cell.left() + *end, cell.top() + 22)));
        }
        painter->restore();
    }
};

QTableWidgetItem *cell(const QString &text, bool number = false) {
    auto *item = new QTableWidgetItem(text);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

ProgressWindow::ProgressWindow(AppContext &context, DataModule &data, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::ProgressWindow>()), m_context(context),
      m_data(data), m_interaction(context, this) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    m_sectorList = m_ui->DBGridSect;
    m_zoneList = m_ui->DBGridDetSect;
    m_zonesTotal = m_ui->EditZone;
    m_volumeTotal = m_ui->EditVol;
    m_percentTotal = m_ui->EditPourc;
    m_overallBar = m_ui->ProgressBar1;
    m_leaveButton = m_ui->ButtonFermer;
    m_declareEmpty = m_ui->MenuZV;

    m_sectorList->setItemDelegateForColumn(Bar, new ProgressBarDelegate(m_sectorList));
    // Widths that fit the form; a bar past the progress column is cut at its edge.
    for (const auto &[column, width] : {std::pair{Sector, 60},
                                        {Zones, 64},
                                        {Name, 118},
                                        {Volumes, 70},
                                        {Bar, 170},
                                        {Percent, 56}})
        m_sectorList->setColumnWidth(column, width);
    for (const auto &[column, width] : {std::pair{Zone, 66}, {Quantity, 76}, {Files, 86}})
        m_zoneList->setColumnWidth(column, width);
    m_sectorList->verticalHeader()->setDefaultSectionSize(26);
    m_zoneList->addAction(m_declareEmpty);
    m_overallBar->setRange(0, 100);
    connect(m_sectorList, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous) {
                if (row != previous)
                    showZonesOfCurrentSector();
            });
    connect(m_zoneList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &ProgressWindow::sortZonesBy);
    connect(m_declareEmpty, &QAction::triggered, this, &ProgressWindow::declareCurrentZoneEmpty);
    connect(m_leaveButton, &QPushButton::clicked, this, &ProgressWindow::leave);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Once per opening: message boxes closing do not run it again.
    if (!m_activated) {
        m_activated = true;
        QMetaObject::invokeMethod(this, &ProgressWindow::refreshOnActivation, Qt::QueuedConnection);
    }
}

void ProgressWindow::refreshOnActivation() {
    // The sector rows are written here without the editing rules.
    if (RuleTable *table = m_data.sectorTable()) {
        table->detachBeforePost();
        table->detachAfterPost();
        table->detachAfterDelete();
    }
    showSectors();
    showTotals();
    const QStringList sectorTitles{
        QStringLiteral("FBornage_Secteur"), QStringLiteral("FBornage_Zones"),
        QStringLiteral("FBornage_NomSecteur"), QStringLiteral("FBornage_Volumes"),
        QStringLiteral("FBornage_Avancement")};
    for (int column = 0; column < sectorTitles.size(); ++column)
        m_sectorList->horizontalHeaderItem(column)->setText(m_context.tr(sectorTitles.at(column)));
    m_zoneList->horizontalHeaderItem(Quantity)->setText(
        m_context.tr(QStringLiteral("FBornage_quantite")));
    m_zoneList->horizontalHeaderItem(Files)->setText(
        m_context.tr(QStringLiteral("FBornage_nbfichier")));
}

void ProgressWindow::showSectors() {
    const QList<Progress::SectorRow> rows = Progress::sectors(m_data);
    const int current = qMax(0, m_sectorList->currentRow());
    const QSignalBlocker quiet(m_sectorList);
    m_sectorList->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const Progress::SectorRow &row = rows.at(r);
        m_sectorList->setItem(r, Sector, cell(QString::number(row.sector), true));
        m_sectorList->setItem(r, Zones, cell(row.zones));
        m_sectorList->setItem(r, Name, cell(row.name));
        m_sectorList->setItem(r, Volumes, cell(QString::number(row.volumes), true));
        auto *bar = cell(QString());
        bar->setData(Qt::UserRole, row.percentage);
        m_sectorList->setItem(r, Bar, bar);
        m_sectorList->setItem(r, Percent, cell(row.percentage.toString(), true));
    }
    if (!rows.isEmpty())
        m_sectorList->setCurrentCell(qMin(current, int(rows.size()) - 1), Sector);
    showZonesOfCurrentSector();
}

int ProgressWindow::currentSector() const {
    const QTableWidgetItem *item = m_sectorList->item(m_sectorList->currentRow(), Sector);
    return item ? item->text().toInt() : -1;
}

void ProgressWindow::showZonesOfCurrentSector() {
    const int sector = currentSector();
    const QList<Progress::ZoneRow> rows =
        sector < 0 ? QList<Progress::ZoneRow>() : Progress::zones(m_data, sector, m_zoneOrder);
    m_zoneList->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        m_zoneList->setItem(r, Zone, cell(rows.at(r).zone));
        m_zoneList->setItem(r, Quantity, cell(QString::number(rows.at(r).quantity), true));
        m_zoneList->setItem(r, Files, cell(QString::number(rows.at(r).files), true));
    }
}

void ProgressWindow::sortZonesBy(int column) {
    // The file count's title does not change the order.
    if (column == Zone)
        m_zoneOrder = Progress::ZoneOrder::ByZone;
    else if (column == Quantity)
        m_zoneOrder = Progress::ZoneOrder::ByQuantity;
    else
        return;
    showZonesOfCurrentSector();
}

void ProgressWindow::showTotals() {
    const Progress::Totals totals = Progress::totals(m_data);
    m_zonesTotal->setText(totals.zonesText);
    m_volumeTotal->setText(totals.volumeText);
    if (totals.percentText) {
        m_percentTotal->setText(*totals.percentText);
        m_overallBar->setValue(totals.bar);
    }
}

void ProgressWindow::declareCurrentZoneEmpty() {
    const QTableWidgetItem *zone = m_zoneList->item(m_zoneList->currentRow(), Zone);
    if (zone && Progress::declareEmpty(m_data, zone->text()) == Progress::EmptyZone::Declared)
        showSectors();
    showTotals();
}

void ProgressWindow::leave() {
    emit left();
    close();
}
