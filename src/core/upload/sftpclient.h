#pragma once

#include <QMap>
#include <QString>

// SFTP for the upload of count files and for the connection test (libssh). Each call opens
// its own session and closes it.
namespace Sftp {

// Where the host keys of the servers met are kept (the program folder's "known_hosts", set
// at start-up); empty leaves the SSH library's own place.
void setKnownHostsFile(const QString &path);
QString knownHostsFile();

// name=value texts owned by the caller; sendFile puts the reason of a failure in "Error".
using ErrorList = QMap<QString, QString>;

// Sends localFile into directory (entered, or made and entered) under its own file name,
// replacing a remote file of that name and giving it the local file's modification time.
// keyOrPassphrase names a key file (as given, or in the current directory), else it is the
// passphrase of the user's own keys. Login and password are used only when not blank; a port
// of 0 leaves the standard one. A host key seen for the first time is stored; a host key that
// differs from the stored one is refused. False on any failure, with the reason in
// errors["Error"] when errors is given.
bool sendFile(const QString &host, const QString &login, const QString &password,
              const QString &keyOrPassphrase, const QString &directory, int port,
              const QString &localFile, ErrorList *errors);

// True when a session opens and the directory (when given) can be entered or made. Here the
// key file is looked for in the current directory only.
bool testConnection(const QString &host, const QString &login, const QString &password,
                    const QString &keyOrPassphrase, const QString &directory, int port);

} // namespace Sftp
