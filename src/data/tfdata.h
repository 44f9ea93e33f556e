#pragma once

#include "data/ruletable.h"

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
class TFData : public QObject {
    Q_OBJECT
public:
    explicit TFData(QObject *parent = nullptr);
    ~TFData() override;

    // Store database (and the maker's customer directory through the same account).
    ConnectionParams &fbParams() { return m_fbParams; }
    QSqlDatabase FDConnectionFB() const { return QSqlDatabase::database(m_fbName, false); }
    // Opens the store-database connection with the current parameters; false on failure,
    // with the driver's message in error when given.
    bool openFB(QString *error = nullptr);
    void closeFB();
    // Puts the store-database account on the connection's parameters.
    void LoadInfosQR();
    // The inventory folder path of the store database DB, trimmed; empty when it cannot be
    // read (nothing is shown).
    QString GetCheminInv(const QString &db);

    // The one SQLite connection, pointed by each user at the file it needs.
    QSqlDatabase FDConnectionSQL() const { return QSqlDatabase::database(m_sqlName, false); }
    // Closes the connection and points it at path; opening creates an empty database when
    // the file does not exist. False when it cannot be opened.
    bool connectSQL(const QString &path);
    void disconnectSQL();

    // The sector database.
    QSqlDatabase FDConnectionSect() const { return QSqlDatabase::database(m_sectName, false); }
    ConnectionParams &sectParams() { return m_sectParams; }
    // Connects with the current parameters; false with the driver's message on failure.
    bool connectSect(QString *error = nullptr);
    void disconnectSect();
    RuleTable *FDTableSect() const { return m_tableSect.get(); }
    RuleTable *FDTableDetSect() const { return m_tableDetSect.get(); }
    // A free query on the sector database.
    QSqlQuery FDQuerySect() const { return QSqlQuery(FDConnectionSect()); }

    // Set when a sector row is deleted; cleared by the settings window.
    bool Suppression = false;

private:
    void closeDatasets();

    QString m_fbName;
    QString m_sqlName;
    QString m_sectName;
    ConnectionParams m_fbParams;
    ConnectionParams m_sectParams;
    std::unique_ptr<RuleTable> m_tableSect;
    std::unique_ptr<RuleTable> m_tableDetSect;
};
