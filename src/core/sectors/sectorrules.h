#pragma once

#include <QSqlRecord>
#include <QString>

#include <functional>

class AppContext;
class DataModule;
class UserInteraction;

// The rules that run when a sector row of LISTESECT is written or deleted through the data
// module's sector table: they reject invalid sectors, fill the derived columns and keep the
// zone table in step with the sector's range.
namespace SectorRules {

// Where a rejection is told: the settings window's message area, and the grid column to make
// current (-1: leave it).
struct MessageArea {
    std::function<void(const QString &message, int column)> reject;
    std::function<void()> hide;
};

// Opens the sector tables of the data module: LISTESECT by SECTEUR with held changes, and
// DETSECT.
bool openTables(DataModule &data);

// Attaches the before-post, after-post and after-delete rules, and the range-text rule on
// MINIMUM and MAXIMUM (which stays attached).
void attach(DataModule &data, const MessageArea &area);
void attachBeforePost(DataModule &data, const MessageArea &area);
void attachAfterPost(DataModule &data);

// The rules themselves.
bool checkSector(DataModule &data, int row, QSqlRecord &record, bool inserting,
                 const MessageArea &area);
void afterSectorWritten(DataModule &data, const QSqlRecord &record);
void rangeChanged(DataModule &data, int row);

// Deletes the sector of row with its zones, unless zones of it were dumped ("FParam_DelImp").
// Raises KorvelloError when the row's ZONE text does not begin with a digit.
bool deleteSector(DataModule &data, int row, const AppContext &context, UserInteraction &ui);

} // namespace SectorRules
