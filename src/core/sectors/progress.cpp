#include "core/sectors/progress.h"

#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/errors.h"
#include "core/sectors/sectorbook.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace Progress {

namespace {

QSqlQuery run(DataModule &data, const QString &sql, const QVariantList &values = {}) {
    QSqlQuery query = data.sectorQuery();
    bool ok = query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    ok = ok && query.exec();
    if (!ok)
        throw KorvelloError(
            Translation::message(QStringLiteral("Sect_Erreur")).arg(query.lastError().text()));
    return query;
}

// The integer before the first "/" of a progress text ("2/200" gives 2).
int doneOf(const QString &progress) {
    return progress.section(QLatin1Char('/'), 0, 0).trimmed().toInt();
}

} // namespace

QString decimalText(double value, bool leadingZero) {
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
    if (!leadingZero && text.startsWith(QLatin1Char('0') + separator))
        text.remove(0, 1);
    else if (!leadingZero && text == QLatin1String("0"))
        text.clear();
    return text;
}

Totals totals(DataModule &data) {
    Totals t;
    QSqlQuery a = run(
        data,
        QStringLiteral("select count (zone), sum(quantite) from DETSECT where nb_fichier <> 0"));
    if (a.next()) {
        t.counted = a.value(0).toLongLong();
        t.volumeText = a.value(1).isNull() ? QString() : a.value(1).toString();
    }
    t.zonesText = QString::number(t.counted);
    QSqlQuery b = run(data, QStringLiteral("select count (zone) from DETSECT"));
    if (b.next())
        t.zones = b.value(0).toLongLong();
    if (t.zones == 0)
        return t; // nothing to divide by: the percentage stays unset
    t.zonesText += QLatin1Char('/') + QString::number(t.zones);
    const QString number = decimalText(double(t.counted) / double(t.zones) * 100.0, true);
    t.percentText = number + QLatin1Char('%');
    t.bar = int(std::nearbyint(QLocale().toDouble(number)));
    return t;
}

std::optional<int> barEnd(const QVariant &percentage) {
    if (percentage.isNull())
        return 0;
    const QString text = percentage.toString().trimmed();
    if (text == QLatin1String("0%"))
        return 2;
    bool ok = false;
    const double value = QLocale().toDouble(text.section(QLatin1Char('%'), 0, 0), &ok);
    if (!ok)
        return std::nullopt;
    return int(std::nearbyint(value * 250.0 / 100.0));
}

QList<SectorRow> sectors(DataModule &data) {
    QSqlQuery query = run(data, QStringLiteral("SELECT SECTEUR, NOM, ZONE, VOLUMES, POURCENTAGE "
                                               "FROM LISTESECT ORDER BY SECTEUR"));
    QList<SectorRow> rows;
    while (query.next())
        rows.append(
            {query.value(0).toInt(), query.value(1).toString().trimmed(),
             query.value(2).toString().trimmed(), query.value(3).toLongLong(),
             query.value(4).isNull() ? QVariant() : QVariant(query.value(4).toString().trimmed())});
    return rows;
}

QList<ZoneRow> zones(DataModule &data, int sector, ZoneOrder order) {
    QSqlQuery query =
        run(data,
            QStringLiteral("SELECT ZONE, QUANTITE, NB_FICHIER, ETAT FROM DETSECT WHERE SECTEUR = ? "
                           "ORDER BY ") +
                (order == ZoneOrder::ByQuantity ? QStringLiteral("QUANTITE, ZONE")
                                                : QStringLiteral("ZONE")),
            {sector});
    QList<ZoneRow> rows;
    while (query.next())
        rows.append({query.value(0).toString().trimmed(), query.value(1).toLongLong(),
                     query.value(2).toInt(), query.value(3).toString().trimmed()});
    return rows;
}

EmptyZone declareEmpty(DataModule &data, const QString &zone) {
    QSqlQuery row = run(data,
                        QStringLiteral("SELECT ETAT, NB_FICHIER, SECTEUR FROM DETSECT "
                                       "WHERE ZONE = ?"),
                        {zone});
    if (!row.next())
        return EmptyZone::NoSuchZone;
    if (row.value(0).toString().trimmed() != QLatin1String("A") || row.value(1).toInt() != 0 ||
        row.value(1).isNull())
        return EmptyZone::NotWaiting;
    const int sector = row.value(2).toInt();
    SectorBook::inTransaction(data, [&] {
        run(data, QStringLiteral("UPDATE DETSECT SET ETAT = 'I', NB_FICHIER = 1 WHERE ZONE = ?"),
            {zone});
        QSqlQuery count =
            run(data, QStringLiteral("SELECT COUNT(*) FROM DETSECT WHERE SECTEUR = ?"), {sector});
        const int c = count.next() ? count.value(0).toInt() : 0;
        QSqlQuery current =
            run(data, QStringLiteral("SELECT ZONE, POURCENTAGE FROM LISTESECT WHERE SECTEUR = ?"),
                {sector});
        if (current.next()) {
            const QVariant zoneText = current.value(0);
            const QVariant percentage = current.value(1);
            const QString progress =
                zoneText.isNull()
                    ? QStringLiteral("0/%1").arg(c)
                    : QStringLiteral("%1/%2").arg(doneOf(zoneText.toString()) + 1).arg(c);
            QString percent = QStringLiteral("0%");
            if (!percentage.isNull() && !progress.startsWith(QLatin1Char('0')) && c != 0)
                percent = decimalText(double(doneOf(progress)) / double(c) * 100.0, false) +
                          QLatin1Char('%');
            run(data,
                QStringLiteral("UPDATE LISTESECT SET VOLUMES = COALESCE(VOLUMES, 0), ZONE = ?, "
                               "POURCENTAGE = ? WHERE SECTEUR = ?"),
                {progress, percent, sector});
        }
    });
    return EmptyZone::Declared;
}

} // namespace Progress
