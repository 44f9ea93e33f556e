#include "core/data/datamodule.h"

#include <QSqlError>

#include <atomic>

namespace {
// Each data module has connections of its own (tests create several in one process).
QString uniqueName(const char *base) {
    static std::atomic<int> counter{0};
    return QStringLiteral("%1#%2").arg(QLatin1String(base)).arg(++counter);
}
} // namespace

void ConnectionParams::set(const QString &name, const QString &value) {
    for (auto &item : m_items) {
        if (item.first.compare(name, Qt::CaseInsensitive) == 0) {
            item.second = value;
            return;
        }
    }
    m_items.append({name, value});
}

QString ConnectionParams::value(const QString &name) const {
    for (const auto &item : m_items)
        if (item.first.compare(name, Qt::CaseInsensitive) == 0)
            return item.second;
    return QString();
}

bool ConnectionParams::contains(const QString &name) const {
    for (const auto &item : m_items)
        if (item.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void ConnectionParams::applyToFirebird(QSqlDatabase &db) const {
    db.setDatabaseName(value(QStringLiteral("Database")));
    db.setUserName(value(QStringLiteral("User_Name")));
    db.setPassword(value(QStringLiteral("Password")));
    QStringList options;
    if (contains(QStringLiteral("RoleName")))
        options << QStringLiteral("ISC_DPB_SQL_ROLE_NAME=") + value(QStringLiteral("RoleName"));
    if (contains(QStringLiteral("CharacterSet")))
        options << QStringLiteral("ISC_DPB_LC_CTYPE=") + value(QStringLiteral("CharacterSet"));
    db.setConnectOptions(options.join(QLatin1Char(';')));
}

DataModule::DataModule(QObject *parent)
    : QObject(parent), m_storeName(uniqueName("storeDatabase")), m_sqliteName(uniqueName("sqlite")),
      m_sectorName(uniqueName("sectorDatabase")) {
    QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_storeName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_sqliteName);
    QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_sectorName);

    // The store database's parameters as the module is created; the account comes from
    // setStoreAccount before any use.
    m_storeParams.set(QStringLiteral("DriverID"), QStringLiteral("FB"));
    m_storeParams.set(QStringLiteral("SQLDialect"), QStringLiteral("1"));
    m_storeParams.set(QStringLiteral("ExtendedMetadata"), QStringLiteral("True"));
    m_storeParams.set(QStringLiteral("CharacterSet"), QStringLiteral("WIN1252"));

    m_sectorTable = std::make_unique<RuleTable>(nullptr, sectorDatabase());
    m_zoneTable = std::make_unique<RuleTable>(nullptr, sectorDatabase());
}

DataModule::~DataModule() {
    m_sectorTable.reset();
    m_zoneTable.reset();
    for (const QString &name : {m_storeName, m_sqliteName, m_sectorName}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

bool DataModule::openStore(QString *error) {
    QSqlDatabase db = storeDatabase();
    db.close();
    m_storeParams.applyToFirebird(db);
    if (db.open())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

void DataModule::closeStore() {
    storeDatabase().close();
}

bool DataModule::openSqlite(const QString &path) {
    QSqlDatabase db = sqlite();
    db.close();
    db.setDatabaseName(path);
    return db.open();
}

void DataModule::closeSqlite() {
    sqlite().close();
}

bool DataModule::openSectorDatabase(QString *error) {
    closeDatasets();
    QSqlDatabase db = sectorDatabase();
    db.close();
    m_sectorParams.applyToFirebird(db);
    if (db.open())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

void DataModule::closeSectorDatabase() {
    closeDatasets();
    sectorDatabase().close();
}

void DataModule::closeDatasets() {
    m_sectorTable->clear();
    m_zoneTable->clear();
}
