#include "core/articles/customerdirectory.h"

#include "core/articles/storeaccess.h"
#include "core/data/datamodule.h"
#include "core/i18n/translation.h"
#include "core/platform/appcontext.h"
#include "core/platform/textutil.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>

namespace CustomerDirectory {

Deployment deployment(const AppContext &context) {
    const IniFile config = context.config();
    const QString section = QStringLiteral("DEPLOY");
    return {
        config.readString(section, QStringLiteral("CUSTOMERDB"),
                          QStringLiteral(KORVELLO_CUSTOMERDB)),
        config.readString(section, QStringLiteral("FTPHOST1"), QStringLiteral(KORVELLO_FTPHOST1)),
        config.readString(section, QStringLiteral("FTPHOST2"), QStringLiteral(KORVELLO_FTPHOST2))};
}

namespace {

// The directory gets a connection of its own, open only while it is asked.
class Connection {
public:
    Connection() : m_name(QStringLiteral("customerDirectory#%1").arg(++s_counter)) {
        QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_name);
    }
    ~Connection() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    static inline std::atomic<int> s_counter{0};
    QString m_name;
};

const char *const kStatement = "select\r\n"
                               "c.cus_base_pos,\r\n"
                               "c.ftp_host,\r\n"
                               "c.ftp_directory,\r\n"
                               "c.ftp_login,\r\n"
                               "c.ftp_password,\r\n"
                               "c.FTP_PORT,\r\n"
                               "c.FTP_SSHKEY\r\n"
                               "from dbalias d\r\n"
                               "join customers c on c.cus_id = d.cus_id\r\n"
                               "where upper(d.alias) = upper(:code)\r\n"
                               "or upper(c.cus_userlogin) = upper(:code1)";

QString columnText(const QSqlQuery &query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : storedText(value);
}

} // namespace

Lookup find(DataModule &, const QString &customerDatabase, const QString &code) {
    Lookup result;
    if (TextUtil::trimmed(customerDatabase).isEmpty()) {
        result.error = Translation::message(QStringLiteral("Cust_NonConfig"));
        return result;
    }
    Connection connection;
    QSqlDatabase db = connection.db();
    // Exactly the directory's parameters: its database and the program's account.
    ConnectionParams params;
    params.set(QStringLiteral("Database"), customerDatabase);
    params.set(QStringLiteral("DriverID"), QStringLiteral("FB"));
    params.set(QStringLiteral("User_Name"), StoreAccount::kUser);
    params.set(QStringLiteral("password"), StoreAccount::kPassword);
    params.set(QStringLiteral("RoleName"), StoreAccount::kRole);
    params.applyToFirebird(db);
    if (!db.open()) {
        result.error = db.lastError().text();
        return result;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(kStatement))) {
        result.error = query.lastError().text();
        return result;
    }
    query.bindValue(QStringLiteral(":code"), TextUtil::trimmed(code));
    query.bindValue(QStringLiteral(":code1"), TextUtil::trimmed(code.left(15)));
    if (!query.exec()) {
        result.error = query.lastError().text();
        return result;
    }
    if (!query.next())
        return result;
    result.found = true;
    result.storeDatabase = columnText(query, 0);
    if (!TextUtil::trimmed(columnText(query, 1)).isEmpty()) {
        // The statement's columns 1 to 6, in this order.
        const char *const names[] = {"FTP_HOST",     "FTP_DIRECTORY", "FTP_LOGIN",
                                     "FTP_PASSWORD", "FTP_PORT",      "FTP_SSHKEY"};
        for (int i = 0; i < 6; ++i) {
            const QString value = TextUtil::trimmed(columnText(query, i + 1));
            if (!value.isEmpty())
                result.ftp.insert(QString::fromLatin1(names[i]), value);
        }
    }
    return result;
}

QString defaultHost(const QString &inventoryPath, const Deployment &deployment) {
    if (TextUtil::trimmed(inventoryPath).isEmpty())
        return QString();
    if (inventoryPath.toUpper().contains(QLatin1String("ZODODOVOVOZ")))
        return deployment.ftpHost1;
    return deployment.ftpHost2;
}

QString defaultDirectory(const QString &inventoryPath) {
    if (TextUtil::trimmed(inventoryPath).isEmpty())
        return QString();
    const qsizetype at = inventoryPath.indexOf(QLatin1String("FIL"), 0, Qt::CaseInsensitive);
    return TextUtil::trimmed(at < 0 ? inventoryPath : inventoryPath.mid(at));
}

} // namespace CustomerDirectory
