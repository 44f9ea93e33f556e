#pragma once

#include <QMap>
#include <QString>

class AppContext;
class DataModule;

// The maker's customer directory: a Firebird database that knows, for each shop code, where
// the shop's store database is and which server receives its count files.
namespace CustomerDirectory {

// Where this installation finds the directory and the maker's two servers: section "DEPLOY"
// of the configuration file, else the values the program was built with.
struct Deployment {
    QString customerDatabase; // Firebird connection string; empty: no directory here
    QString ftpHost1;         // for inventory paths containing "ZODODOVOVOZ"
    QString ftpHost2;         // for every other inventory path
};
Deployment deployment(const AppContext &context);

// The server settings found for a shop, by name: "FTP_HOST", "FTP_DIRECTORY", "FTP_LOGIN",
// "FTP_PASSWORD", "FTP_PORT", "FTP_SSHKEY". A name whose value would be empty is absent.
using FtpInfo = QMap<QString, QString>;

struct Lookup {
    QString storeDatabase; // the shop's store-database location; empty when not found
    FtpInfo ftp;
    bool found = false;
    // Why the directory could not be asked (not configured, unreachable, refused); empty when
    // it answered, whether or not it knew the shop.
    QString error;
};

// Looks the shop code up: by its alias (whole code, trimmed) or by its user login (first 15
// characters, trimmed), both without regard to case; the first row found counts.
Lookup find(DataModule &data, const QString &customerDatabase, const QString &code);

// The server host for a shop whose inventory path is given, when the directory names none.
QString defaultHost(const QString &inventoryPath, const Deployment &deployment);
// The remote directory for that shop: the inventory path from its first "FIL" on (any case),
// else the whole path; trimmed.
QString defaultDirectory(const QString &inventoryPath);

} // namespace CustomerDirectory
