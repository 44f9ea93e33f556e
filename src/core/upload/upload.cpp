#include "core/upload/upload.h"

#include "core/dump/crashpoints.h"
#include "core/dump/dumpjournal.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/operationlock.h"
#include "core/platform/resources.h"
#include "core/platform/userinteraction.h"
#include "core/upload/countfiles.h"
#include "core/upload/ftpclient.h"
#include "core/upload/sftpclient.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

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

// The count file an FTP upload is appending, written to disk before its lines go: what the
// server held of it before, so that an upload cut short (a kill, a dropped line) is finished
// by sending only what the server lacks, never the lines it has.
struct InFlight {
    QString name;
    qint64 remoteSizeBefore = -1; // -1: no such remote file then
};

QString inFlightPath(const AppContext &context) {
    return context.programFolder() + QStringLiteral("/Korvello.upload");
}

std::optional<InFlight> readInFlight(const AppContext &context) {
    QFile file(inFlightPath(context));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject record = QJsonDocument::fromJson(file.readAll()).object();
    if (record.isEmpty())
        return std::nullopt;
    return InFlight{record.value(QStringLiteral("name")).toString(),
                    qint64(record.value(QStringLiteral("remoteSizeBefore")).toDouble(-1))};
}

void writeInFlight(const AppContext &context, const InFlight &inFlight) {
    const QJsonObject record{
        {QStringLiteral("name"), inFlight.name},
        {QStringLiteral("remoteSizeBefore"), double(inFlight.remoteSizeBefore)}};
    QString error;
    if (!FileOps::writeDurably(inFlightPath(context),
                               QJsonDocument(record).toJson(QJsonDocument::Compact), &error))
        throw KorvelloError(
            context.tr(QStringLiteral("Err_Ecriture")).arg(inFlightPath(context), error));
}

// The file went to the server whole: it leaves the count folder. Sending it again would
// append its lines twice, so it leaves even when the save copy failed.
void finishSent(const AppContext &context, const ServerSettings &s, const QString &name,
                Outcome &outcome) {
    const QString local = s.countFolder + name;
    outcome.sent << name;
    keepInSaveFolder(local, s.saveFolder + name);
    QFile::remove(local);
    QFile::remove(inFlightPath(context));
}

// An upload cut short last time: what reached the server is compared, line form aside (an
// ASCII transfer stores lines in the server's own form), with the file; only the rest is
// sent. A server whose file holds something else is not written to.
void finishInterrupted(const AppContext &context, const ServerSettings &s, FtpClient &ftp,
                       Outcome &outcome) {
    const std::optional<InFlight> inFlight = readInFlight(context);
    if (!inFlight)
        return;
    const QString local = s.countFolder + inFlight->name;
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly)) {
        QFile::remove(inFlightPath(context)); // cut after the file was put away
        return;
    }
    const QByteArray lines = file.readAll().replace("\r", "");
    const qint64 before = qMax<qint64>(inFlight->remoteSizeBefore, 0);
    if (ftp.remoteSize(inFlight->name) <= before) {
        QFile::remove(inFlightPath(context)); // nothing arrived: sent as any other
        return;
    }
    const QByteArray arrived = ftp.readFrom(inFlight->name, before).replace("\r", "");
    if (!lines.startsWith(arrived))
        throw KorvelloError(context.tr(QStringLiteral("Up_RepriseImpossible")).arg(inFlight->name));
    if (arrived.size() < lines.size())
        ftp.appendBytes(lines.mid(arrived.size()), inFlight->name);
    finishSent(context, s, inFlight->name, outcome);
}

bool sendByFtp(const AppContext &context, const ServerSettings &s, FtpClient &ftp,
               Outcome &outcome) {
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
    finishInterrupted(context, s, ftp, outcome);
    for (const QString &name : CountFiles::waiting(s.countFolder)) {
        writeInFlight(context, {name, ftp.remoteSize(name)});
        ftp.append(s.countFolder + name, name);
        CrashPoints::reach("upload-appended");
        finishSent(context, s, name, outcome);
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
    if (QFileInfo(s.saveFolder).canonicalFilePath() ==
            QFileInfo(s.countFolder).canonicalFilePath() &&
        QFileInfo::exists(s.countFolder))
        throw KorvelloError(context.tr(QStringLiteral("Up_MemeDossier")));
    context.uploadKeyName = s.sshKey;
    const QString keyFile = QStringLiteral("./") + s.sshKey;
    if (!s.sshKey.isEmpty() && !QFile::exists(keyFile))
        Resources::extract(QStringLiteral("RSPPK"), keyFile);

    if (!s.sshKey.isEmpty() || s.ssh == 1)
        sendBySftp(s, outcome);
    else if (!sendByFtp(context, s, ftp, outcome))
        return outcome;

    outcome.end = Outcome::End::Completed;
    ui.notice(context.tr(QStringLiteral("SAUVEOK")));
    return outcome;
}

} // namespace Upload
