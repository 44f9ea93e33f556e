#include "app/clicommands.h"

#include "device/bridge.h"
#include "shell/appcontext.h"
#include "shell/countfiles.h"
#include "shell/errors.h"
#include "upload/ftpclient.h"
#include "upload/upload.h"

namespace CliCommands {

int status(AppContext &context, QTextStream &out) {
    QString listing;
    const bool connected = Bridge::detect(context.toolsPrefix, listing);
    context.handheldState = connected ? HandheldState::Connected : HandheldState::Disconnected;
    const QString countFolder = context.countFolder(FolderDefaults::Files);
    out << "Handheld: " << (connected ? "connected" : "disconnected") << Qt::endl;
    out << "Count folder: " << countFolder << Qt::endl;
    out << "Waiting count files: " << CountFiles::waiting(countFolder).size() << Qt::endl;
    return Done;
}

int upload(AppContext &context, UserInteraction &ui, QTextStream &out, QTextStream &err) {
    FtpClient ftp;
    Upload::Outcome outcome;
    try {
        outcome = Upload::run(context, ui, ftp);
    } catch (const KorvelloError &error) {
        err << "korvello-cli: " << error.message() << Qt::endl;
        return Error;
    }
    switch (outcome.end) {
    case Upload::Outcome::End::Cancelled:
        err << "korvello-cli: upload cancelled" << Qt::endl;
        return Cancelled;
    case Upload::Outcome::End::NotConnected:
        err << "korvello-cli: " << outcome.error << Qt::endl;
        return Error;
    case Upload::Outcome::End::Completed:
        break;
    }
    out << "Sent: " << outcome.sent.size() << Qt::endl;
    for (qsizetype i = 0; i < outcome.failed.size(); ++i)
        out << "Not sent, left in the count folder: " << outcome.failed.at(i) << " ("
            << outcome.failures.at(i) << ")" << Qt::endl;
    return Done;
}

} // namespace CliCommands
