#include "data/tfdata.h"

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

TFData::TFData(QObject *parent)
    : QObject(parent), m_fbName(uniqueName("FDConnectionFB")),
      m_sqlName(uniqueName("FDConnectionSQL")), m_sectName(uniqueName("FDConnectionSect")) {
    QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_fbName);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_sqlName);
    QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_sectName);

    // The store database's parameters as the module is created; the account comes from
    // LoadInfosQR before any use.
    m_fbParams.set(QStringLiteral("DriverID"), QStringLiteral("FB"));
    m_fbParams.set(QStringLiteral("SQLDialect"), QStringLiteral("1"));
    m_fbParams.set(QStringLiteral("ExtendedMetadata"), QStringLiteral("True"));
    m_fbParams.set(QStringLiteral("CharacterSet"), QStringLiteral("WIN1252"));

    m_tableSect = std::make_unique<RuleTable>(nullptr, FDConnectionSect());
    m_tableDetSect = std::make_unique<RuleTable>(nullptr, FDConnectionSect());
}

TFData::~TFData() {
    m_tableSect.reset();
    m_tableDetSect.reset();
    for (const QString &name : {m_fbName, m_sqlName, m_sectName}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

bool TFData::openFB(QString *error) {
    QSqlDatabase db = FDConnectionFB();
    db.close();
    m_fbParams.applyToFirebird(db);
    if (db.open())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

void TFData::closeFB() { FDConnectionFB().close(); }

bool TFData::connectSQL(const QString &path) {
    QSqlDatabase db = FDConnectionSQL();
    db.close();
    db.setDatabaseName(path);
    return db.open();
}

void TFData::disconnectSQL() { FDConnectionSQL().close(); }

bool TFData::connectSect(QString *error) {
    closeDatasets();
    QSqlDatabase db = FDConnectionSect();
    db.close();
    m_sectParams.applyToFirebird(db);
    if (db.open())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

void TFData::disconnectSect() {
    closeDatasets();
    FDConnectionSect().close();
}

void TFData::closeDatasets() {
    m_tableSect->clear();
    m_tableDetSect->clear();
}
