#include "core/articles/storeaccess.h"
#include "core/data/datamodule.h"
#include "core/platform/textutil.h"

#include "core/platform/cp1252.h"

#include <QSqlQuery>
#include <QVariant>

void DataModule::setStoreAccount() {
    m_storeParams.set(QStringLiteral("User_Name"), StoreAccount::kUser);
    m_storeParams.set(QStringLiteral("Password"), StoreAccount::kPassword);
    m_storeParams.set(QStringLiteral("RoleName"), StoreAccount::kRole);
}

QString storedText(const QVariant &value) {
    const QByteArray bytes =
        value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    return Cp1252::decodeUtf8OrCp1252(bytes);
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
    // The column's bytes as they are stored: the database driver would read them as UTF-8,
    // and a path in the stores' Windows-1252 would come back broken.
    if (!query.exec(QStringLiteral("Select CAST(SDP_PATH AS BLOB SUB_TYPE BINARY) "
                                   "from SYSDEFPATH\r\nwhere SDP_NAME = 'PATHQVINV'"))) {
        closeStore();
        return QString();
    }
    // No such row: empty, and the connection stays open.
    return query.next() ? TextUtil::trimmed(storedText(query.value(0))) : QString();
}
