#pragma once

#include "core/dump/countdatabase.h"
#include "core/dump/dump.h"
#include "gui/dialoginteraction.h"

#include <QWidget>

#include <memory>

class AppContext;
class DataModule;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace Ui {
class DumpWindow;
}

// The dump window: lists the zones counted on the handheld and turns them into count files.
class DumpWindow : public QWidget {
    Q_OBJECT
public:
    DumpWindow(AppContext &context, DataModule &data, QWidget *parent = nullptr);
    ~DumpWindow() override;

    // The tools prefix, copied in by the main window.
    QString toolsPrefix;
    // Set by "Quitter" just before the window closes; the device watch reads it.
    bool closedByUser = false;

    // What the dump needs from the main window: the device watch and the upload button.
    void setHooks(const Dump::Hooks &hooks) { m_hooks = hooks; }

    // Shows the zone summary; the device watch uses fixed column titles, the activation
    // translated ones.
    void showZones(const QList<CountDatabase::ZoneQuantity> &zones, bool translatedTitles);
    void clearZones();
    int zoneCount() const;

    // Once per opening: pulls the handheld's count database and lists its zones.
    void refreshOnActivation();
    void dumpHandheld();
    void leave();

signals:
    // "Quitter" was chosen: the main window takes over again.
    void left();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::DumpWindow> m_ui;
    AppContext &m_context;
    DataModule &m_data;
    DialogInteraction m_interaction;
    Dump::Hooks m_hooks;
    bool m_activated = false;

    // The form's controls, named for their use.
    QTableWidget *m_zoneList = nullptr;
    QPushButton *m_dumpButton = nullptr;
    QPushButton *m_leaveButton = nullptr;
    QProgressBar *m_progress = nullptr;

    friend class TestMainWindow;
};
