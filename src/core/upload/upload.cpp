#include "core/upload/upload.h"

#include "core/dump/dumpjournal.h"
#include "core/platform/appcontext.h"
#include "core/platform/operationlock.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/resources.h"
#include "core/platform/userinteraction.h"
#include "core/upload/countfiles.h"
#include "core/upload/ftpclient.h"
#include "core/upload/sftpclient.h"

#include <QFile>
#include <QFileInfo>

namespace Upload {

namespace {

struct ServerSettings {
    QString countFolder;
    QString saveFolder;
    QString host;
    QString login;
    QString password;
    QString directory;
    int ssl = 0;
    QString sshKey;
    int ssh = 0;
    int port = 0;
};

ServerSettings readSettings(const AppContext &context) {
    const IniFile config = context.config();
    const QString ftp = QStringLiteral("FTP");
    ServerSettings s;
    s.countFolder = context.countFolder(FolderDefaults::Files);
    s.saveFolder = context.saveFolder(FolderDefaults::Files);
    s.host = config.readString(ftp, QStringLiteral("HOST"), QString());
    s.login = config.readString(ftp, QStringLiteral("LOGIN"), QString());
    s.password = config.readString(ftp, QStringLiteral("MDP"), QString());
    s.directory = config.readString(ftp, QStringLiteral("DIR"), QString());
    s.ssl = config.readInteger(ftp, QStringLiteral("SSL"), 0);
    s.sshKey = config.readString(ftp, QStringLiteral("SSHKEY"), QString());
    s.ssh = config.readInteger(ftp, QStringLiteral("SSH"), 0);
    s.port = config.readInteger(ftp, QStringLiteral("port"), 0);
    return s;
}

// Keeps a sent count file in the save folder. A dump has normally put its lines there
// already (the save copy then ends with them); otherwise they are added after what the save
// copy holds, which is never lost.
bool keepInSaveFolder(const QString &local, const QString &saveCopy) {
    QFile sent(local);
    if (!sent.open(QIODevice::ReadOnly))
        return false;
    const QByteArray lines = sent.readAll();
    QFile kept(saveCopy);
    QByteArray before;
    if (kept.open(QIODevice::ReadOnly))
        before = kept.readAll();
    if (!before.isEmpty() && before.endsWith(lines))
        return true;
    return FileOps::writeDurably(saveCopy, before + lines);
}

void sendBySftp(const ServerSettings &s, Outcome &outcome) {
    for (const QString &name : CountFiles::waiting(s.countFolder)) {
        const QString local = s.countFolder + name;
        Sftp::ErrorList errors;
        if (!Sftp::sendFile(s.host, s.login, s.password, s.sshKey, s.directory, s.port, local,
                            &errors)) {
            outcome.failed << name;
            outcome.failures << errors.value(QStringLiteral("Error"));
            continue;
        }
        outcome.sent << name;
        // Only a file safely kept in the save folder leaves the count folder; another one
        // is sent again (replacing the remote copy) at the next upload.
        if (keepInSaveFolder(local, s.saveFolder + name))
            QFile::remove(local);
    }
}

bool sendByFtp(const ServerSettings &s, FtpClient &ftp, Outcome &outcome) {
    ftp.disconnect();
    ftp.setServer(s.host, s.login, s.password);
    ftp.setTls(s.ssl);
    const auto attempt = [&](auto step, const QString &stepText) {
        try {
            step();
            return true;
        } catch (const KorvelloError &error) {
            outcome.end = Outcome::End::NotConnected;
            outcome.error = error.message() + QStringLiteral("\r\n") + stepText;
            return false;
        }
    };
    if (!attempt([&] { ftp.login(); }, kConnectStep) ||
        !attempt([&] { ftp.changeDir(s.directory); }, kChangeDirStep))
        return false;
    for (const QString &name : CountFiles::waiting(s.countFolder)) {
        const QString local = s.countFolder + name;
        ftp.append(local, name);
        outcome.sent << name;
        // The file went to the server appended to what was there: sending it again would
        // double its lines, so it leaves the count folder even when the save copy failed.
        keepInSaveFolder(local, s.saveFolder + name);
        QFile::remove(local);
    }
    return true;
}

} // namespace

Outcome run(AppContext &context, UserInteraction &ui, FtpClient &ftp) {
    Outcome outcome;
    if (ui.confirm(context.tr(QStringLiteral("Button2_Msg1")),
                   context.tr(QStringLiteral("Transfert")), context.tr(QStringLiteral("Confirmer")),
                   context.tr(QStringLiteral("Annuler"))) != UserInteraction::Answer::Yes)
        return outcome;

    // No upload while a dump writes count files, nor while one cut short has not been
    // settled: its count files may still be undone.
    const OperationLock lock(context);
    if (!lock.held())
        throw KorvelloError(context.tr(QStringLiteral("Dump_Verrou")));
    if (DumpJournal::pending(context))
        throw KorvelloError(context.tr(QStringLiteral("Dump_Inacheve")));

    const ServerSettings s = readSettings(context);
    // A save folder that is the count folder would take a sent file's place and leave no
    // copy once the file is removed: nothing is sent.
    if (QFileInfo(s.saveFolder).canonicalFilePath() == QFileInfo(s.countFolder).canonicalFilePath() &&
        QFileInfo::exists(s.countFolder))
        throw KorvelloError(context.tr(QStringLiteral("Up_MemeDossier")));
    context.uploadKeyName = s.sshKey;
    const QString keyFile = QStringLiteral("./") + s.sshKey;
    if (!s.sshKey.isEmpty() && !QFile::exists(keyFile))
        Resources::extract(QStringLiteral("RSPPK"), keyFile);

    if (!s.sshKey.isEmpty() || s.ssh == 1)
        sendBySftp(s, outcome);
    else if (!sendByFtp(s, ftp, outcome))
        return outcome;

    outcome.end = Outcome::End::Completed;
    ui.notice(context.tr(QStringLiteral("SAUVEOK")));
    return outcome;
}

} // namespace Upload
