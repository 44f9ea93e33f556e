#include "core/sectors/sectorbook.h"

#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/errors.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QSqlRecord>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace SectorBook {

namespace {

// The statements of the bookkeeping, each prepared once and run again with new values for
// every zone of a dump.
class Statements {
public:
    explicit Statements(const QSqlDatabase &db) : m_db(db) {}

    QSqlQuery &run(const QString &sql, const QVariantList &values = {}) {
        auto it = m_prepared.find(sql);
        if (it == m_prepared.end()) {
            QSqlQuery query(m_db);
            query.setForwardOnly(true);
            if (!query.prepare(sql))
                fail(query);
            it = m_prepared.insert(sql, query);
        }
        QSqlQuery &query = it.value();
        query.finish();
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        if (!query.exec())
            fail(query);
        return query;
    }

private:
    [[noreturn]] static void fail(const QSqlQuery &query) {
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_Erreur")).arg(query.lastError().text()));
    }

    QSqlDatabase m_db;
    QHash<QString, QSqlQuery> m_prepared;
};

QString threeDigits(int number) {
    return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

void insertDetail(Statements &sql, const QString &zone, int sector, int counter, qint64 quantity,
                  int files) {
    sql.run(
        QStringLiteral("INSERT INTO DETSECT (ZONE, QUANTITE, SECTEUR, COMPTEUR, NB_FICHIER, ETAT) "
                       "VALUES (?, ?, ?, ?, ?, 'A')"),
        {zone, quantity, sector, counter, files});
}

// Rows for the zones first..last of the sector that have none yet.
void insertGaps(Statements &sql, int sector, int first, int last) {
    for (int g = first; g <= last; ++g) {
        const QString zone = QString::number(sector) + threeDigits(g);
        if (!sql.run(QStringLiteral("SELECT 1 FROM DETSECT WHERE ZONE = ?"), {zone}).next())
            insertDetail(sql, zone, sector, g, 0, 0);
    }
}

void record(Statements &sql, const QString &zone, qint64 quantity) {
    const int sector = zone.left(1).toInt();
    const int number = zone.mid(1, 3).toInt();
    const int counter = zone.mid(1).toInt();

    QSqlQuery &row =
        sql.run(QStringLiteral("SELECT MINIMUM, MAXIMUM, VOLUMES FROM LISTESECT WHERE SECTEUR = ?"),
                {sector});
    if (row.next()) {
        int minimum = row.value(0).toInt();
        int maximum = row.value(1).toInt();
        const qint64 volumes = row.value(2).toLongLong();
        row.finish();
        const int oldMaximum = maximum;
        const bool grown = number > maximum;
        if (grown)
            maximum = number;
        if (number == 0)
            minimum = 0;
        const int range = maximum - minimum + 1;
        sql.run(QStringLiteral(
                    "UPDATE LISTESECT SET MINIMUM = ?, MAXIMUM = ?, VOLUMES = ? WHERE SECTEUR = ?"),
                {minimum, maximum, volumes + quantity, sector});
        QSqlQuery &detail = sql.run(
            QStringLiteral("SELECT QUANTITE, NB_FICHIER FROM DETSECT WHERE ZONE = ?"), {zone});
        if (detail.next()) {
            const qint64 zoneQuantity = detail.value(0).toLongLong();
            const int files = detail.value(1).toInt();
            detail.finish();
            sql.run(
                QStringLiteral(
                    "UPDATE DETSECT SET COMPTEUR = ?, QUANTITE = ?, NB_FICHIER = ? WHERE ZONE = ?"),
                {counter, zoneQuantity + quantity, files + 1, zone});
        } else {
            detail.finish();
            insertDetail(sql, zone, sector, counter, quantity, 1);
            if (grown)
                insertGaps(sql, sector, oldMaximum + 1, number - 1);
        }
        QSqlQuery &counted =
            sql.run(QStringLiteral(
                        "SELECT COUNT(*) FROM DETSECT d WHERE d.SECTEUR = ? AND d.NB_FICHIER <> 0"),
                    {sector});
        const int c = counted.next() ? counted.value(0).toInt() : 0;
        counted.finish();
        const QString percent = percentText(c, range);
        sql.run(QStringLiteral("UPDATE LISTESECT SET ZONE = ?, POURCENTAGE = ? WHERE SECTEUR = ?"),
                {QStringLiteral("%1/%2").arg(c).arg(range), percent, sector});
        return;
    }
    row.finish();

    const QString s = QString::number(sector);
    const int minimum = number == 0 ? 0 : 1;
    const int maximum = number;
    const int range = maximum - minimum + 1;
    const QString zones =
        number == 0 ? s + QStringLiteral("000 --> ") + zone : s + QStringLiteral("001 --> ") + zone;
    sql.run(
        QStringLiteral("INSERT INTO LISTESECT (SECTEUR, MINIMUM, MAXIMUM, NOM, ZONE, POURCENTAGE, "
                       "VOLUMES, ZONES) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {sector, minimum, maximum, QStringLiteral("Secteur") + s,
         number == 0 ? QStringLiteral("1/1") : QStringLiteral("1/%1").arg(maximum),
         percentText(1, range), quantity, zones});
    insertDetail(sql, zone, sector, counter, quantity, 1);
    insertGaps(sql, sector, 1, number - 1);
}

} // namespace

QString percentText(int counted, int range) {
    if (range <= 0)
        throw KorvelloError(Translation::message(QStringLiteral("Sect_PlageVide")));
    const double value = double(counted) / double(range) * 100.0;
    const QLocale locale;
    QString text = locale.toString(value, 'f', 2);
    const QString separator = locale.decimalPoint();
    if (text.contains(separator)) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(separator))
            text.chop(separator.size());
    }
    if (!locale.groupSeparator().isEmpty())
        text.remove(locale.groupSeparator());
    return text + QLatin1Char('%');
}

void recordZone(DataModule &data, const QString &zone, qint64 quantity) {
    recordZones(data, {{zone, quantity}});
}

namespace {
QSqlDatabase openSectorDatabase(DataModule &data) {
    QSqlDatabase db = data.sectorDatabase();
    if (!db.isOpen())
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_NonOuverte")).arg(db.lastError().text()));
    return db;
}

// Runs work in one transaction: all of it is stored, or none.
template <typename Work> void inTransaction(QSqlDatabase &db, Work work) {
    if (!db.transaction())
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_Erreur")).arg(db.lastError().text()));
    try {
        work();
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit())
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_Erreur")).arg(db.lastError().text()));
}

const QStringList kTables{QStringLiteral("LISTESECT"), QStringLiteral("DETSECT")};
} // namespace

void recordZones(DataModule &data, const QList<std::pair<QString, qint64>> &zones) {
    QSqlDatabase db = openSectorDatabase(data);
    inTransaction(db, [&] {
        Statements sql(db);
        for (const auto &[zone, quantity] : zones)
            record(sql, zone, quantity);
    });
}

QJsonObject snapshot(DataModule &data) {
    QSqlDatabase db = openSectorDatabase(data);
    QJsonObject tables;
    for (const QString &table : kTables) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT * FROM ") + table))
            throw KorvelloError(
                Translation::message(QStringLiteral("Sect_Erreur")).arg(query.lastError().text()));
        QJsonArray rows;
        while (query.next()) {
            QJsonObject row;
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                row.insert(record.fieldName(i), QJsonValue::fromVariant(query.value(i)));
            rows.append(row);
        }
        tables.insert(table, rows);
    }
    return tables;
}

void restore(DataModule &data, const QJsonObject &tables) {
    QSqlDatabase db = openSectorDatabase(data);
    inTransaction(db, [&] {
        Statements sql(db);
        // Zones first: they belong to the sectors.
        sql.run(QStringLiteral("DELETE FROM DETSECT"));
        sql.run(QStringLiteral("DELETE FROM LISTESECT"));
        for (const QString &table : kTables) {
            for (const QJsonValue &value : tables.value(table).toArray()) {
                const QJsonObject row = value.toObject();
                QStringList marks;
                QVariantList values;
                for (auto it = row.begin(); it != row.end(); ++it) {
                    marks << QStringLiteral("?");
                    values << (it.value().isNull() ? QVariant() : it.value().toVariant());
                }
                sql.run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, row.keys().join(QLatin1Char(',')),
                                 marks.join(QLatin1Char(','))),
                        values);
            }
        }
    });
}

} // namespace SectorBook
