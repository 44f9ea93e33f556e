#pragma once

#include <QString>
#include <QStringList>

class AppContext;
class FtpClient;
class UserInteraction;

namespace Upload {

// The texts that tell which step of an FTP upload failed.
inline const QString kConnectStep = QStringLiteral("FTP : Connect error  host , id or password");
inline const QString kChangeDirStep = QStringLiteral("FTP : Changedir error  directory ERROR");

struct Outcome {
    enum class End {
        Cancelled,    // at the confirmation
        Completed,    // the loop ran to its end (SFTP files may have failed)
        NotConnected, // FTP log-in or change of directory failed; nothing was touched
    };
    End end = End::Cancelled;
    QStringList sent;
    QStringList failed;   // SFTP files left in the count folder
    QStringList failures; // their reasons, in the same order
    QString error;        // NotConnected: the error and the step text
};

// Sends every count file of the count folder to the head office's server, by SFTP (when
// "SSHKEY" is set or "SSH" is 1) or FTP, and moves each sent file into the save folder;
// asks for confirmation first and ends with the "SAUVEOK" notice. Raises KorvelloError when
// an FTP transfer fails (the files sent before stay moved, the others stay) or the key file
// cannot be written.
Outcome run(AppContext &context, UserInteraction &ui, FtpClient &ftp);

} // namespace Upload
