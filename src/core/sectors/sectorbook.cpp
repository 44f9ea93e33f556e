#include "core/sectors/sectorbook.h"

#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/errors.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace SectorBook {

namespace {

class Statements {
public:
    explicit Statements(const QSqlDatabase &db) : m_db(db) {}

    QSqlQuery run(const QString &sql, const QVariantList &values = {}) {
        QSqlQuery query(m_db);
        bool ok = query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = ok && query.exec();
        if (!ok)
            throw KorvelloError(
                Translation::message(QStringLiteral("Sect_Erreur")).arg(query.lastError().text()));
        return query;
    }

private:
    QSqlDatabase m_db;
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
        QSqlQuery exists = sql.run(QStringLiteral("SELECT 1 FROM DETSECT WHERE ZONE = ?"), {zone});
        if (!exists.next())
            insertDetail(sql, zone, sector, g, 0, 0);
    }
}

void record(Statements &sql, const QString &zone, qint64 quantity) {
    const int sector = zone.left(1).toInt();
    const int number = zone.mid(1, 3).toInt();
    const int counter = zone.mid(1).toInt();

    QSqlQuery row =
        sql.run(QStringLiteral("SELECT MINIMUM, MAXIMUM, VOLUMES FROM LISTESECT WHERE SECTEUR = ?"),
                {sector});
    if (row.next()) {
        int minimum = row.value(0).toInt();
        int maximum = row.value(1).toInt();
        const qint64 volumes = row.value(2).toLongLong();
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
        QSqlQuery detail = sql.run(
            QStringLiteral("SELECT QUANTITE, NB_FICHIER FROM DETSECT WHERE ZONE = ?"), {zone});
        if (detail.next()) {
            sql.run(
                QStringLiteral(
                    "UPDATE DETSECT SET COMPTEUR = ?, QUANTITE = ?, NB_FICHIER = ? WHERE ZONE = ?"),
                {counter, detail.value(0).toLongLong() + quantity, detail.value(1).toInt() + 1,
                 zone});
        } else {
            insertDetail(sql, zone, sector, counter, quantity, 1);
            if (grown)
                insertGaps(sql, sector, oldMaximum + 1, number - 1);
        }
        QSqlQuery counted =
            sql.run(QStringLiteral(
                        "SELECT COUNT(*) FROM DETSECT d WHERE d.SECTEUR = ? AND d.NB_FICHIER <> 0"),
                    {sector});
        const int c = counted.next() ? counted.value(0).toInt() : 0;
        const QString percent = percentText(c, range);
        sql.run(QStringLiteral("UPDATE LISTESECT SET ZONE = ?, POURCENTAGE = ? WHERE SECTEUR = ?"),
                {QStringLiteral("%1/%2").arg(c).arg(range), percent, sector});
        return;
    }

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
    QSqlDatabase db = data.sectorDatabase();
    if (!db.isOpen())
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_NonOuverte")).arg(db.lastError().text()));
    Statements sql(db);
    db.transaction();
    try {
        record(sql, zone, quantity);
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit())
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_Erreur")).arg(db.lastError().text()));
}

} // namespace SectorBook
