#include "core/sectors/sectorrules.h"

#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/userinteraction.h"
#include "core/sectors/sectorbook.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace SectorRules {

namespace {

QString threeDigits(int n) {
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

bool isEmpty(const QVariant &value) {
    return value.isNull() || value.toString().trimmed().isEmpty();
}

void exec(const QSqlDatabase &db, const QString &sql, const QVariantList &values) {
    QSqlQuery query(db);
    bool ok = query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!ok || !query.exec())
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_Erreur")).arg(query.lastError().text()));
}

} // namespace

bool openTables(DataModule &data) {
    RuleTable *sectors = data.sectorTable();
    sectors->setTable(QStringLiteral("LISTESECT"));
    sectors->setEditStrategy(QSqlTableModel::OnManualSubmit);
    sectors->setSort(sectors->fieldIndex(QStringLiteral("SECTEUR")), Qt::AscendingOrder);
    RuleTable *zones = data.zoneTable();
    zones->setTable(QStringLiteral("DETSECT"));
    zones->setEditStrategy(QSqlTableModel::OnFieldChange);
    return sectors->select() && zones->select();
}

void attachBeforePost(DataModule &data, const MessageArea &area) {
    data.sectorTable()->attachBeforePost(
        [&data, area](int row, QSqlRecord &record, bool inserting) {
            return checkSector(data, row, record, inserting, area);
        });
}

void attachAfterPost(DataModule &data) {
    data.sectorTable()->attachAfterPost(
        [&data](const QSqlRecord &record) { afterSectorWritten(data, record); });
}

void attach(DataModule &data, const MessageArea &area) {
    attachBeforePost(data, area);
    attachAfterPost(data);
    data.sectorTable()->attachAfterDelete([&data] { data.sectorDeleted = true; });
    data.sectorTable()->attachFieldChange([&data](int row, const QString &field) {
        if (field.compare(QLatin1String("MINIMUM"), Qt::CaseInsensitive) == 0 ||
            field.compare(QLatin1String("MAXIMUM"), Qt::CaseInsensitive) == 0)
            rangeChanged(data, row);
    });
}

bool checkSector(DataModule &data, int row, QSqlRecord &record, bool inserting,
                 const MessageArea &area) {
    auto reject = [&](const QString &message, int column) {
        if (area.reject)
            area.reject(message, column);
        return false;
    };
    const QVariant sector = record.value(QStringLiteral("SECTEUR"));
    const QVariant minimum = record.value(QStringLiteral("MINIMUM"));
    const QVariant maximum = record.value(QStringLiteral("MAXIMUM"));
    if (!isEmpty(sector) && (sector.toInt() < 0 || sector.toInt() > 9))
        return reject(QStringLiteral("* Sector must be between 0 and 9"), -1);
    if (isEmpty(sector))
        return reject(QStringLiteral("* Sector must not be empty"), 0);
    if (isEmpty(minimum))
        return reject(QStringLiteral("* Min must not be empty"), 1);
    if (isEmpty(maximum))
        return reject(QStringLiteral("* Max must not be empty"), 2);
    if (maximum.toInt() > 999) {
        RuleTable *table = data.sectorTable();
        table->setData(table->index(row, table->fieldIndex(QStringLiteral("MAXIMUM"))), 999);
        return reject(QStringLiteral("* Max must be between 1 and 999"), 2);
    }
    const int n = maximum.toInt() - minimum.toInt() + 1;
    const QString zone = record.value(QStringLiteral("ZONE")).toString().trimmed();
    // An empty range would make the progress a division by zero, for a new sector too.
    if (n <= 0)
        return reject(QStringLiteral("* Max must not be below Min"), 2);
    if (area.hide)
        area.hide();

    if (inserting) {
        record.setValue(QStringLiteral("ZONE"), QStringLiteral("0/%1").arg(n));
        record.setValue(QStringLiteral("VOLUMES"), 0);
        record.setValue(QStringLiteral("POURCENTAGE"), QStringLiteral("0,00%"));
        return true;
    }
    const int dumped = zone.isEmpty() ? 0 : zone.section(QLatin1Char('/'), 0, 0).toInt();
    record.setValue(QStringLiteral("ZONE"), QStringLiteral("%1/%2").arg(dumped).arg(n));
    record.setValue(QStringLiteral("POURCENTAGE"), SectorBook::percentText(dumped, n));
    return true;
}

void afterSectorWritten(DataModule &data, const QSqlRecord &record) {
    const QSqlDatabase db = data.sectorDatabase();
    const int sector = record.value(QStringLiteral("SECTEUR")).toInt();
    // Zones never dumped go; dumped zones and zones declared empty stay.
    exec(db,
         QStringLiteral("DELETE FROM DETSECT WHERE SECTEUR = ? AND ETAT = 'A' AND "
                        "(NB_FICHIER = 0 OR QUANTITE IS NULL)"),
         {sector});
    // Zone numbers outside 0..999 can form no zone code.
    const int first = qMax(0, record.value(QStringLiteral("MINIMUM")).toInt());
    const int last = qMin(999, record.value(QStringLiteral("MAXIMUM")).toInt());
    for (int i = first; i <= last; ++i) {
        const QString zone = QString::number(sector) + threeDigits(i);
        QSqlQuery exists(db);
        exists.prepare(QStringLiteral("SELECT 1 FROM DETSECT WHERE ZONE = ?"));
        exists.addBindValue(zone);
        if (!exists.exec())
            throw KorvelloError(
                Translation::message(QStringLiteral("Sect_Erreur")).arg(exists.lastError().text()));
        if (!exists.next())
            exec(db,
                 QStringLiteral(
                     "INSERT INTO DETSECT (ZONE, SECTEUR, COMPTEUR, ETAT, QUANTITE, NB_FICHIER) "
                     "VALUES (?, ?, ?, 'A', 0, 0)"),
                 {zone, sector, i});
    }
    data.zoneTable()->select();
}

void rangeChanged(DataModule &data, int row) {
    RuleTable *table = data.sectorTable();
    const QSqlRecord record = table->record(row);
    const QVariant minimum = record.value(QStringLiteral("MINIMUM"));
    const QVariant maximum = record.value(QStringLiteral("MAXIMUM"));
    if (isEmpty(minimum) || isEmpty(maximum))
        return;
    const QVariant sectorValue = record.value(QStringLiteral("SECTEUR"));
    const QString sector = isEmpty(sectorValue) ? QString() : QString::number(sectorValue.toInt());
    const QString text = sector + threeDigits(minimum.toInt()) + QStringLiteral(" --> ") + sector +
                         threeDigits(maximum.toInt());
    table->setData(table->index(row, table->fieldIndex(QStringLiteral("ZONES"))), text);
}

bool deleteSector(DataModule &data, int row, const AppContext &context, UserInteraction &ui) {
    RuleTable *table = data.sectorTable();
    const QSqlRecord record = table->record(row);
    const QString zone = record.value(QStringLiteral("ZONE")).toString().trimmed();
    if (zone.isEmpty() || !zone.at(0).isDigit())
        throw KorvelloError(QStringLiteral("'%1' is not a valid integer value").arg(zone.left(1)));
    if (zone.at(0).digitValue() != 0) {
        ui.notice(context.tr(QStringLiteral("FParam_DelImp")));
        return false;
    }
    exec(data.sectorDatabase(), QStringLiteral("DELETE FROM DETSECT WHERE SECTEUR = ?"),
         {record.value(QStringLiteral("SECTEUR")).toInt()});
    return table->deleteRow(row);
}

} // namespace SectorRules
