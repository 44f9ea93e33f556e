#include "core/articles/storeaccess.h"
#include "core/data/datamodule.h"
#include "core/platform/textutil.h"

#include <QSqlQuery>

void DataModule::setStoreAccount() {
    m_storeParams.set(QStringLiteral("User_Name"), StoreAccount::kUser);
    m_storeParams.set(QStringLiteral("Password"), StoreAccount::kPassword);
    m_storeParams.set(QStringLiteral("RoleName"), StoreAccount::kRole);
}

QString DataModule::inventoryFolder(const QString &db) {
    closeStore();
    // Exactly these parameters: dialect, metadata and character set are no longer set.
    m_storeParams.clear();
    m_storeParams.set(QStringLiteral("Database"), db);
    m_storeParams.set(QStringLiteral("DriverID"), QStringLiteral("FB"));
    m_storeParams.set(QStringLiteral("User_Name"), StoreAccount::kUser);
    m_storeParams.set(QStringLiteral("password"), StoreAccount::kPassword);
    m_storeParams.set(QStringLiteral("RoleName"), StoreAccount::kRole);
    if (!openStore())
        return QString();
    QSqlQuery query(storeDatabase());
    if (!query.exec(QStringLiteral("Select SDP_PATH from SYSDEFPATH\r\n"
                                   "where SDP_NAME = 'PATHQVINV'"))) {
        closeStore();
        return QString();
    }
    // No such row: empty, and the connection stays open.
    return query.next() ? TextUtil::trimmed(query.value(0).toString()) : QString();
}
