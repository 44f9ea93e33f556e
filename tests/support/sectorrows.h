#pragma once

#include "core/data/datamodule.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

// The rows a statement on the sector database gives, each as its trimmed fields joined by
// "|"; a statement that fails ends the test program.
inline QStringList sectorRows(DataModule &data, const QString &statement) {
    QSqlQuery q = data.sectorQuery();
    if (!q.exec(statement))
        qFatal("%s", qPrintable(statement));
    QStringList result;
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < q.record().count(); ++i)
            fields << q.value(i).toString().trimmed();
        result << fields.join('|');
    }
    return result;
}
