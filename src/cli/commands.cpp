#include "cli/commands.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/dump/countdatabase.h"
#include "core/dump/dump.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/upload/countfiles.h"
#include "core/upload/ftpclient.h"
#include "core/upload/upload.h"

#include <QFile>

namespace CliCommands {

namespace {
bool detect(AppContext &context) {
    QString listing;
    const bool connected = Bridge::detect(context.toolsPrefix, listing);
    context.handheldState = connected ? HandheldState::Connected : HandheldState::Disconnected;
    context.readyHandhelds = Bridge::readyHandhelds(listing);
    context.unauthorisedHandhelds = Bridge::unauthorisedHandhelds(listing);
    return connected;
}
} // namespace

int status(AppContext &context, DataModule &data, QTextStream &out) {
    const bool connected = detect(context);
    const QString countFolder = context.countFolder(FolderDefaults::Files);
    out << context.tr(connected ? QStringLiteral("AppConnecte") : QStringLiteral("AppDeConnecte"))
        << Qt::endl;
    out << context.tr(QStringLiteral("Cli_DossierComptage")).arg(countFolder) << Qt::endl;
    out << context.tr(QStringLiteral("Cli_EnAttente")).arg(CountFiles::waiting(countFolder).size())
        << Qt::endl;
    if (!connected)
        return Done;
    if (context.readyHandhelds > 1) {
        out << context.tr(QStringLiteral("FVidage_Plusieurs")) << Qt::endl;
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
    out << context.tr(QStringLiteral("Cli_ModeVidage")).arg(mode.value_or(Dump::kNumeric))
        << Qt::endl;
    if (!table) {
        out << context.tr(QStringLiteral("Cli_PasDeTable")) << Qt::endl;
        return Done;
    }
    out << context.tr(QStringLiteral("Cli_Zones")).arg(zones.size()) << Qt::endl;
    for (const CountDatabase::ZoneQuantity &zone : zones)
        out << "  " << zone.zone << "\t" << zone.quantity << Qt::endl;
    return Done;
}

int dump(AppContext &context, DataModule &data, UserInteraction &ui, QTextStream &out,
         QTextStream &err) {
    auto nothing = [&](const QString &why) {
        err << "korvello-cli: " << context.tr(QStringLiteral("Cli_RienAVider")).arg(why)
            << Qt::endl;
        return NothingToDo;
    };
    try {
        if (!detect(context))
            return nothing(context.tr(QStringLiteral("Cli_PasDePortable")));
        const Dump::Activation activation = Dump::activate(context, data, ui, context.toolsPrefix);
        switch (activation.state) {
        case Dump::Activation::State::NoHandheld:
            return nothing(context.tr(QStringLiteral("Cli_PasDePortable")));
        case Dump::Activation::State::SeveralHandhelds:
            return nothing(context.tr(QStringLiteral("FVidage_Plusieurs")));
        case Dump::Activation::State::NoTable:
            return nothing(activation.problem);
        case Dump::Activation::State::EmptyTable:
            return nothing(context.tr(QStringLiteral("FVidage_Pasfichier")));
        case Dump::Activation::State::Zones:
            break;
        }
        out << context.tr(QStringLiteral("Cli_ModeVidage")).arg(context.dumpMode) << Qt::endl;
        Dump::Hooks hooks;
        // The upload that follows a dump tells its own outcome; the dump has run to its end
        // whatever that is.
        hooks.startUpload = [&] { upload(context, ui, out, err); };
        const Dump::Outcome outcome = Dump::run(context, data, ui, context.toolsPrefix, hooks);
        switch (outcome.end) {
        case Dump::Outcome::End::NothingToDo:
            return nothing(context.tr(QStringLiteral("Cli_AucuneZone")));
        case Dump::Outcome::End::Cancelled:
            err << "korvello-cli: " << context.tr(QStringLiteral("Cli_VidageArrete")) << Qt::endl;
            return Cancelled;
        case Dump::Outcome::End::Completed:
            break;
        }
        out << context.tr(QStringLiteral("Cli_FichiersEcrits")).arg(outcome.written.size())
            << Qt::endl;
    } catch (const KorvelloError &error) {
        err << "korvello-cli: " << error.message() << Qt::endl;
        return Error;
    }
    return Done;
}

int upload(AppContext &context, UserInteraction &ui, QTextStream &out, QTextStream &err) {
    FtpClient ftp;
    Upload::Outcome outcome;
    // The key file written for the upload does not outlive it, however it ends.
    struct RemoveKeyFile {
        AppContext &context;
        ~RemoveKeyFile() {
            if (!context.uploadKeyName.isEmpty())
                QFile::remove(QStringLiteral("./") + context.uploadKeyName);
        }
    } removeKeyFile{context};
    try {
        outcome = Upload::run(context, ui, ftp);
    } catch (const KorvelloError &error) {
        err << "korvello-cli: " << error.message() << Qt::endl;
        return Error;
    }
    switch (outcome.end) {
    case Upload::Outcome::End::Cancelled:
        err << "korvello-cli: " << context.tr(QStringLiteral("Cli_EnvoiAnnule")) << Qt::endl;
        return Cancelled;
    case Upload::Outcome::End::NotConnected:
        err << "korvello-cli: " << outcome.error << Qt::endl;
        return Error;
    case Upload::Outcome::End::Completed:
        break;
    }
    out << context.tr(QStringLiteral("Cli_Envoyes")).arg(outcome.sent.size()) << Qt::endl;
    for (qsizetype i = 0; i < outcome.failed.size(); ++i)
        out << context.tr(QStringLiteral("Cli_NonEnvoye"))
                   .arg(outcome.failed.at(i), outcome.failures.at(i))
            << Qt::endl;
    return Done;
}

} // namespace CliCommands
