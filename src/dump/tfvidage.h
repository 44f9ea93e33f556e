#pragma once

#include "dump/countdatabase.h"
#include "dump/dump.h"
#include "shell/dialoginteraction.h"

#include <QWidget>

class AppContext;
class Panel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TFData;

// The dump window: lists the zones counted on the handheld and turns them into count files.
class TFVidage : public QWidget {
    Q_OBJECT
public:
    TFVidage(AppContext &context, TFData &data, QWidget *parent = nullptr);

    // The tools prefix, copied in by the main window.
    QString AdbPath;
    // Set by "Quitter" just before the window closes; the device watch reads it.
    bool Fermee = false;

    // What the dump needs from the main window: the device watch and the upload button.
    void setHooks(const Dump::Hooks &hooks) { m_hooks = hooks; }

    // Shows the zone summary; the device watch uses fixed column titles, the activation
    // translated ones.
    void showZones(const QList<CountDatabase::ZoneQuantity> &zones, bool translatedTitles);
    void clearZones();
    int zoneCount() const;

    void FormActivate();
    void ButtonTransferClick();
    void ButtonFermerClick();

signals:
    // "Quitter" was chosen: the main window takes over again.
    void left();

protected:
    void showEvent(QShowEvent *event) override;

private:
    AppContext &m_context;
    TFData &m_data;
    DialogInteraction m_interaction;
    Dump::Hooks m_hooks;
    bool m_activated = false;

    Panel *Panel2 = nullptr;
    QTableWidget *DBGridListe = nullptr;
    QPushButton *ButtonTransfer = nullptr;
    QPushButton *ButtonFermer = nullptr;
    QProgressBar *ProgressBar1 = nullptr;

    friend class TestWindows;
};
