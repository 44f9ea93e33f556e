#include "cli/commands.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/dump/countdatabase.h"
#include "core/dump/dump.h"
#include "core/platform/appcontext.h"
#include "core/upload/countfiles.h"
#include "core/platform/errors.h"
#include "core/upload/ftpclient.h"
#include "core/upload/upload.h"

namespace CliCommands {

namespace {
bool detect(AppContext &context) {
    QString listing;
    const bool connected = Bridge::detect(context.toolsPrefix, listing);
    context.handheldState = connected ? HandheldState::Connected : HandheldState::Disconnected;
    context.readyHandhelds = Bridge::readyHandhelds(listing);
    return connected;
}
} // namespace

int status(AppContext &context, DataModule &data, QTextStream &out) {
    const bool connected = detect(context);
    const QString countFolder = context.countFolder(FolderDefaults::Files);
    out << "Handheld: " << (connected ? "connected" : "disconnected") << Qt::endl;
    out << "Count folder: " << countFolder << Qt::endl;
    out << "Waiting count files: " << CountFiles::waiting(countFolder).size() << Qt::endl;
    if (!connected)
        return Done;
    if (context.readyHandhelds > 1) {
        out << "Handhelds: " << context.readyHandhelds << " (one at a time, please)" << Qt::endl;
        return Done;
    }
    // A look at the handheld leaves nothing behind.
    const QString dumpFolder = context.countFolder(FolderDefaults::Fichiers);
    const bool table = CountDatabase::refreshWorkingCopy(data, context.toolsPrefix, dumpFolder);
    const QList<CountDatabase::ZoneQuantity> zones =
        table ? CountDatabase::zoneSummary(data.sqlite(), CountDatabase::Lines::All)
              : QList<CountDatabase::ZoneQuantity>();
    const auto mode = CountDatabase::readDumpMode(context.toolsPrefix, dumpFolder);
    CountDatabase::removeTempFolder(data, dumpFolder);
    out << "Dump mode: " << mode.value_or(Dump::kNumeric) << Qt::endl;
    if (!table) {
        out << "Zones: no count table on the handheld" << Qt::endl;
        return Done;
    }
    out << "Zones: " << zones.size() << Qt::endl;
    for (const CountDatabase::ZoneQuantity &zone : zones)
        out << "  " << zone.zone << "\t" << zone.quantity << Qt::endl;
    return Done;
}

int dump(AppContext &context, DataModule &data, UserInteraction &ui, QTextStream &out, QTextStream &err) {
    auto nothing = [&](const char *why) {
        err << "korvello-cli: nothing to dump: " << why << Qt::endl;
        return NothingToDo;
    };
    try {
        if (!detect(context))
            return nothing("no handheld connected");
        const Dump::Activation activation = Dump::activate(context, data, ui, context.toolsPrefix);
        switch (activation.state) {
        case Dump::Activation::State::NoHandheld:
            return nothing("no handheld connected");
        case Dump::Activation::State::SeveralHandhelds:
            return nothing("several handhelds are connected; plug in one at a time");
        case Dump::Activation::State::NoTable:
            return nothing("the handheld has no count table \"GCD\"");
        case Dump::Activation::State::EmptyTable:
            return nothing("the handheld holds no counted zone");
        case Dump::Activation::State::Zones:
            break;
        }
        out << "Dump mode: " << context.dumpMode << Qt::endl;
        Dump::Hooks hooks;
        // The upload that follows a dump tells its own outcome; the dump has run to its end
        // whatever that is.
        hooks.startUpload = [&] { upload(context, ui, out, err); };
        const Dump::Outcome outcome = Dump::run(context, data, ui, context.toolsPrefix, hooks);
        switch (outcome.end) {
        case Dump::Outcome::End::NothingToDo:
            return nothing("no zone to dump");
        case Dump::Outcome::End::Cancelled:
            err << "korvello-cli: dump ended at a question; nothing was deleted from the handheld"
                << Qt::endl;
            return Cancelled;
        case Dump::Outcome::End::Completed:
            break;
        }
        out << "Count files written: " << outcome.written.size() << Qt::endl;
    } catch (const KorvelloError &error) {
        err << "korvello-cli: " << error.message() << Qt::endl;
        return Error;
    }
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
