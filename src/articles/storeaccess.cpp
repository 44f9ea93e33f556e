#include "articles/storeaccess.h"
#include "data/tfdata.h"
#include "shell/textutil.h"

#include <QSqlQuery>

void TFData::LoadInfosQR() {
    m_fbParams.set(QStringLiteral("User_Name"), StoreAccount::kUser);
    m_fbParams.set(QStringLiteral("Password"), StoreAccount::kPassword);
    m_fbParams.set(QStringLiteral("RoleName"), StoreAccount::kRole);
}

QString TFData::GetCheminInv(const QString &db) {
    closeFB();
    // Exactly these parameters: dialect, metadata and character set are no longer set.
    m_fbParams.clear();
    m_fbParams.set(QStringLiteral("Database"), db);
    m_fbParams.set(QStringLiteral("DriverID"), QStringLiteral("FB"));
    m_fbParams.set(QStringLiteral("User_Name"), StoreAccount::kUser);
    m_fbParams.set(QStringLiteral("password"), StoreAccount::kPassword);
    m_fbParams.set(QStringLiteral("RoleName"), StoreAccount::kRole);
    if (!openFB())
        return QString();
    QSqlQuery query(FDConnectionFB());
    if (!query.exec(QStringLiteral("Select SDP_PATH from SYSDEFPATH\r\n"
                                   "where SDP_NAME = 'PATHQVINV'"))) {
        closeFB();
        return QString();
    }
    // No such row: empty, and the connection stays open.
    return query.next() ? TextUtil::trimmed(query.value(0).toString()) : QString();
}
