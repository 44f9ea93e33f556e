#pragma once

#include "core/sectors/progress.h"
#include "gui/dialoginteraction.h"

#include <QWidget>

#include <memory>

class AppContext;
class DataModule;
class QAction;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace Ui {
class ProgressWindow;
}

// The sector progress window: every sector with its zones done and a progress bar, the
// zones of the sector chosen, the totals, and the declaration of a zone as empty.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    ProgressWindow(AppContext &context, DataModule &data, QWidget *parent = nullptr);
    ~ProgressWindow() override;

    // Once per opening: sectors, zones of the first sector, totals, translated titles.
    void refreshOnActivation();
    // Declares the zone of the current zone row empty, when it is waiting; the totals are
    // read again in every case.
    void declareCurrentZoneEmpty();
    void leave();

signals:
    // "Quitter" was chosen: the main window takes over again.
    void left();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showSectors();
    void showZonesOfCurrentSector();
    void showTotals();
    void sortZonesBy(int column);
    int currentSector() const;

    std::unique_ptr<Ui::ProgressWindow> m_ui;
    AppContext &m_context;
    DataModule &m_data;
    DialogInteraction m_interaction;
    bool m_activated = false;
    Progress::ZoneOrder m_zoneOrder = Progress::ZoneOrder::ByZone;

    // The form's controls, named for their use.
    QTableWidget *m_sectorList = nullptr;
    QTableWidget *m_zoneList = nullptr;
    QLineEdit *m_zonesTotal = nullptr;
    QLineEdit *m_volumeTotal = nullptr;
    QLineEdit *m_percentTotal = nullptr;
    QProgressBar *m_overallBar = nullptr;
    QPushButton *m_leaveButton = nullptr;
    QAction *m_declareEmpty = nullptr;

    friend class TestProgressWindow;
};
