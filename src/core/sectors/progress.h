#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class DataModule;

// How far the counting has gone, from the sector database: the figures the progress window
// and "korvello-cli progress" show, and the declaration of a zone as empty.
namespace Progress {

// The figures over all sectors: zones with files out of all zones, their quantity, and the
// percentage (none while DETSECT is empty, when nothing can be divided by).
struct Totals {
    qint64 counted = 0;
    qint64 zones = 0;
    QString zonesText;  // "5/1003" ("5" alone while DETSECT is empty)
    QString volumeText; // the quantity of the zones with files; empty when there are none
    std::optional<QString> percentText; // "0,5%": at most two decimals, the locale's separator
    int bar = 0;                        // 0 to 100: the percentage rounded, halves to even
};
// Raises KorvelloError on a database error.
Totals totals(DataModule &data);

// c of r as "0.##" (0,5 with a comma) or "#.##" (,5: no zero before the separator).
QString decimalText(double value, bool leadingZero);

// Where the progress bar of a sector's row ends, in pixels from the cell's left edge, for
// its POURCENTAGE text: 2 for "0%" (no green), 0 for none, 2.5 pixels a percentage point
// otherwise, rounded halves to even; nothing for a text that is not a number.
std::optional<int> barEnd(const QVariant &percentage);

struct SectorRow {
    int sector = 0;
    QString name;
    QString zones; // "done/all", as the dumps keep it
    qint64 volumes = 0;
    QVariant percentage; // the POURCENTAGE text; null when there is none
};
struct ZoneRow {
    QString zone;
    qint64 quantity = 0;
    int files = 0;
    QString state; // "A" waiting or dumped, "I" declared empty
};
enum class ZoneOrder { ByZone, ByQuantity };

QList<SectorRow> sectors(DataModule &data);
QList<ZoneRow> zones(DataModule &data, int sector, ZoneOrder order);

enum class EmptyZone {
    Declared,
    NoSuchZone,
    NotWaiting, // dumped already, or declared empty already: nothing changed
};
// Declares a waiting zone (state A, no file) empty: the zone counts one file in state I,
// and its sector counts one more zone done with its percentage ("#.##"). Written at once,
// without the sector editing rules. Raises KorvelloError on a database error.
EmptyZone declareEmpty(DataModule &data, const QString &zone);

} // namespace Progress
