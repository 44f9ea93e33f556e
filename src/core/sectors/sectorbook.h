#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <utility>

class DataModule;

// What a numeric dump records in the sector database for each zone it handles.
namespace SectorBook {

// c of r as a percentage: at most two decimals, no trailing zeros, the locale's decimal
// separator, then "%" (1 of 200 gives "0,5%" with a comma). Raises KorvelloError for an
// empty range (r of 0 or less).
QString percentText(int counted, int range);

// Records the dump of zone (a sector digit followed by the zone number) with quantity:
// creates or updates the sector's LISTESECT row (range, volume, progress) and the zone's
// DETSECT row, adding rows for the zones skipped when the range grows (never over an
// existing row). Raises KorvelloError on a database error, and nothing is stored then.
void recordZone(DataModule &data, const QString &zone, qint64 quantity);
// The same for every zone of a dump, in order, in one transaction: all stored, or none.
void recordZones(DataModule &data, const QList<std::pair<QString, qint64>> &zones);

// Runs work on the sector database in one transaction: all of it is stored, or none.
// Raises KorvelloError when the database is not open or cannot commit.
void inTransaction(DataModule &data, const std::function<void()> &work);

// Every row of LISTESECT and DETSECT, to be put back by restore() when a dump is undone.
QJsonObject snapshot(DataModule &data);
// Replaces both tables' rows by a snapshot's, in one transaction.
void restore(DataModule &data, const QJsonObject &tables);

} // namespace SectorBook
