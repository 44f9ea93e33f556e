#include "core/sectors/sectorbook.h"

#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/errors.h"
#include "core/sectors/progress.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
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

// The sector rows a dump touches, kept in memory for the length of its transaction: each
// zone's changes are worked out on them in order, as if each were stored at once, and every
// row is written once. Only the last zone's progress text of a sector would survive anyway.
class Book {
public:
    explicit Book(Statements &sql) : m_sql(sql) {
        QSqlQuery &sectors =
            m_sql.run(QStringLiteral("SELECT SECTEUR, MINIMUM, MAXIMUM, VOLUMES FROM LISTESECT"));
        while (sectors.next()) {
            Sector row;
            row.minimum = sectors.value(1).toInt();
            row.maximum = sectors.value(2).toInt();
            row.volumes = sectors.value(3).toLongLong();
            m_sectors.insert(sectors.value(0).toInt(), row);
        }
        sectors.finish();
        QSqlQuery &details =
            m_sql.run(QStringLiteral("SELECT ZONE, SECTEUR, QUANTITE, NB_FICHIER FROM DETSECT"));
        while (details.next()) {
            // CHAR(4): a shorter zone comes back padded, and compares so in SQL.
            const QString zone = details.value(0).toString().trimmed();
            const Detail detail{details.value(1).toInt(), details.value(2).toLongLong(),
                                details.value(3).toInt(), details.value(3).isNull()};
            m_details.insert(zone, detail);
            if (detail.counted())
                ++m_counted[detail.sector];
        }
        details.finish();
    }

    void record(const QString &zone, qint64 quantity) {
        const int sector = zone.left(1).toInt();
        const int number = zone.mid(1, 3).toInt();
        const int counter = zone.mid(1).toInt();
        auto found = m_sectors.find(sector);
        if (found == m_sectors.end()) {
            create(zone, sector, number, counter, quantity);
            return;
        }
        Sector &row = found.value();
        const int oldMaximum = row.maximum;
        const bool grown = number > row.maximum;
        if (grown)
            row.maximum = number;
        if (number == 0)
            row.minimum = 0;
        const int range = row.maximum - row.minimum + 1;
        row.volumes += quantity;
        auto detail = m_details.find(zone);
        if (detail != m_details.end()) {
            Detail &d = detail.value();
            const bool wasCounted = d.counted();
            d.quantity += quantity;
            d.files += 1; // an empty NB_FICHIER counts as 0
            d.filesNull = false;
            if (!wasCounted && d.counted())
                ++m_counted[d.sector];
            m_sql.run(QStringLiteral("UPDATE DETSECT SET COMPTEUR = ?, QUANTITE = ?, "
                                     "NB_FICHIER = ? WHERE ZONE = ?"),
                      {counter, d.quantity, d.files, zone});
        } else {
            insertDetail(zone, sector, counter, quantity, 1);
            if (grown)
                insertGaps(sector, oldMaximum + 1, number - 1);
        }
        const int counted = m_counted.value(sector);
        row.progress = QStringLiteral("%1/%2").arg(counted).arg(range);
        row.percent = percentText(counted, range);
        row.changed = true;
    }

    // Every sector row changed or created, once.
    void store() {
        for (auto it = m_sectors.cbegin(); it != m_sectors.cend(); ++it) {
            const Sector &row = it.value();
            if (row.created)
                m_sql.run(QStringLiteral("INSERT INTO LISTESECT (SECTEUR, MINIMUM, MAXIMUM, NOM, "
                                         "ZONE, POURCENTAGE, VOLUMES, ZONES) VALUES (?, ?, ?, ?, "
                                         "?, ?, ?, ?)"),
                          {it.key(), row.minimum, row.maximum,
                           QStringLiteral("Secteur") + QString::number(it.key()), row.progress,
                           row.percent, row.volumes, row.zones});
            else if (row.changed)
                m_sql.run(
                    QStringLiteral("UPDATE LISTESECT SET MINIMUM = ?, MAXIMUM = ?, "
                                   "VOLUMES = ?, ZONE = ?, POURCENTAGE = ? WHERE SECTEUR = ?"),
                    {row.minimum, row.maximum, row.volumes, row.progress, row.percent, it.key()});
        }
    }

private:
    struct Sector {
        int minimum = 0;
        int maximum = 0;
        qint64 volumes = 0;
        QString progress; // "counted/range"
        QString percent;
        QString zones; // the range text of a sector the dump creates
        bool changed = false;
        bool created = false;
    };
    struct Detail {
        int sector = 0;
        qint64 quantity = 0;
        int files = 0;
        bool filesNull = false;
        // As "NB_FICHIER <> 0" counts it: an empty value is not counted.
        bool counted() const { return !filesNull && files != 0; }
    };

    void create(const QString &zone, int sector, int number, int counter, qint64 quantity) {
        const QString s = QString::number(sector);
        Sector row;
        row.minimum = number == 0 ? 0 : 1;
        row.maximum = number;
        row.volumes = quantity;
        row.progress = number == 0 ? QStringLiteral("1/1") : QStringLiteral("1/%1").arg(number);
        row.percent = percentText(1, row.maximum - row.minimum + 1);
        row.zones = number == 0 ? s + QStringLiteral("000 --> ") + zone
                                : s + QStringLiteral("001 --> ") + zone;
        row.created = true;
        m_sectors.insert(sector, row);
        insertDetail(zone, sector, counter, quantity, 1);
        insertGaps(sector, 1, number - 1);
    }

    void insertDetail(const QString &zone, int sector, int counter, qint64 quantity, int files) {
        m_sql.run(QStringLiteral("INSERT INTO DETSECT (ZONE, QUANTITE, SECTEUR, COMPTEUR, "
                                 "NB_FICHIER, ETAT) VALUES (?, ?, ?, ?, ?, 'A')"),
                  {zone, quantity, sector, counter, files});
        const Detail detail{sector, quantity, files, false};
        m_details.insert(zone, detail);
        if (detail.counted())
            ++m_counted[sector];
    }

    // Rows for the zones first..last of the sector that have none yet.
    void insertGaps(int sector, int first, int last) {
        for (int g = first; g <= last; ++g) {
            const QString zone = QString::number(sector) + threeDigits(g);
            if (!m_details.contains(zone))
                insertDetail(zone, sector, g, 0, 0);
        }
    }

    Statements &m_sql;
    QMap<int, Sector> m_sectors;
    QHash<QString, Detail> m_details;
    QHash<int, int> m_counted; // rows with files, by their SECTEUR
};

} // namespace

QString percentText(int counted, int range) {
    if (range <= 0)
        throw KorvelloError(Translation::message(QStringLiteral("Sect_PlageVide")));
    return Progress::decimalText(double(counted) / double(range) * 100.0, true) + QLatin1Char('%');
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

const QStringList kTables{QStringLiteral("LISTESECT"), QStringLiteral("DETSECT")};
} // namespace

void inTransaction(DataModule &data, const std::function<void()> &work) {
    QSqlDatabase db = openSectorDatabase(data);
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

void recordZones(DataModule &data, const QList<std::pair<QString, qint64>> &zones) {
    QSqlDatabase db = openSectorDatabase(data);
    inTransaction(data, [&] {
        Statements sql(db);
        Book book(sql);
        for (const auto &[zone, quantity] : zones)
            book.record(zone, quantity);
        book.store();
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
    inTransaction(data, [&] {
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
