#pragma once

#include "core/data/ruletable.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <memory>
#include <utility>

// Parameters of a database connection, by name, in the order they were set. Names are
// matched without regard to case, as the database layer does.
class ConnectionParams {
public:
    void set(const QString &name, const QString &value);
    QString value(const QString &name) const;
    bool contains(const QString &name) const;
    void clear() { m_items.clear(); }
    const QList<std::pair<QString, QString>> &items() const { return m_items; }

    // Puts the parameters on a Firebird connection: database, user, password, role and
    // character set (the driver always speaks dialect 3 to the server; the databases here
    // hold nothing that reads differently).
    void applyToFirebird(QSqlDatabase &db) const;

private:
    QList<std::pair<QString, QString>> m_items;
};

// The data module: owns every database connection and the datasets the windows share. It
// is created once at start-up and lives as long as the program.
class DataModule : public QObject {
    Q_OBJECT
public:
    explicit DataModule(QObject *parent = nullptr);
    ~DataModule() override;

    // Store database (and the maker's customer directory through the same account).
    ConnectionParams &storeParams() { return m_storeParams; }
    QSqlDatabase storeDatabase() const { return QSqlDatabase::database(m_storeName, false); }
    // Opens the store-database connection with the current parameters; false on failure,
    // with the driver's message in error when given.
    bool openStore(QString *error = nullptr);
    void closeStore();
    // Puts the store-database account on the connection's parameters.
    void setStoreAccount();
    // The inventory folder path of the store database DB, trimmed; empty when it cannot be
    // read (nothing is shown).
    QString inventoryFolder(const QString &db);

    // The one SQLite connection, pointed by each user at the file it needs.
    QSqlDatabase sqlite() const { return QSqlDatabase::database(m_sqliteName, false); }
    // Closes the connection and points it at path; opening creates an empty database when
    // the file does not exist. False when it cannot be opened.
    bool openSqlite(const QString &path);
    void closeSqlite();

    // The sector database.
    QSqlDatabase sectorDatabase() const { return QSqlDatabase::database(m_sectorName, false); }
    ConnectionParams &sectorParams() { return m_sectorParams; }
    // Connects with the current parameters; false with the driver's message on failure.
    bool openSectorDatabase(QString *error = nullptr);
    void closeSectorDatabase();
    RuleTable *sectorTable() const { return m_sectorTable.get(); }
    RuleTable *zoneTable() const { return m_zoneTable.get(); }
    // A free query on the sector database.
    QSqlQuery sectorQuery() const { return QSqlQuery(sectorDatabase()); }

    // Set when a sector row is deleted; cleared by the settings window.
    bool sectorDeleted = false;

private:
    void closeDatasets();

    QString m_storeName;
    QString m_sqliteName;
    QString m_sectorName;
    ConnectionParams m_storeParams;
    ConnectionParams m_sectorParams;
    std::unique_ptr<RuleTable> m_sectorTable;
    std::unique_ptr<RuleTable> m_zoneTable;
};
