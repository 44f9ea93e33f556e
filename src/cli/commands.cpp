#include "cli/commands.h"

#include "core/data/datamodule.h"
#include "core/device/bridge.h"
#include "core/dump/countdatabase.h"
#include "core/dump/dump.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/sectors/progress.h"
#include "core/sectors/sectordatabase.h"
#include "core/upload/countfiles.h"
#include "core/upload/ftpclient.h"
#include "core/upload/upload.h"

#include <QFile>

namespace CliCommands {

bool detect(AppContext &context) {
    QString listing;
    const bool connected = Bridge::detect(context.toolsPrefix, listing);
    context.handheldState = connected ? HandheldState::Connected : HandheldState::Disconnected;
    context.readyHandhelds = Bridge::readyHandhelds(listing);
    context.unauthorisedHandhelds = Bridge::unauthorisedHandhelds(listing);
    return connected;
}

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
        // The zones were listed from the working copy a moment ago: the dump takes that list.
        const Dump::Outcome outcome =
            Dump::run(context, data, ui, context.toolsPrefix, hooks, &activation.zones);
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

namespace {

bool openSectors(AppContext &context, DataModule &data, QTextStream &err) {
    SectorDatabase::ensureOpen(data, context);
    if (data.sectorDatabase().isOpen())
        return true;
    err << "korvello-cli: "
        << context.tr(QStringLiteral("Cli_BaseSecteursKo")).arg(SectorDatabase::path(context))
        << Qt::endl;
    return false;
}

// Rows printed in columns padded to their widest cell (numbers to the right), or as
// semicolon-separated values, as French and Dutch spreadsheets read them.
void printTable(QTextStream &out, const QList<QStringList> &rows, const QList<bool> &numeric,
                bool csv) {
    if (csv) {
        for (const QStringList &row : rows) {
            QStringList cells;
            for (const QString &cell : row)
                cells << (cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('"'))
                              ? QLatin1Char('"') +
                                    QString(cell).replace(QLatin1Char('"'),
                                                          QStringLiteral("\"\"")) +
                                    QLatin1Char('"')
                              : cell);
            out << cells.join(QLatin1Char(';')) << Qt::endl;
        }
        return;
    }
    QList<qsizetype> widths;
    for (const QStringList &row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.append(0);
            widths[c] = qMax(widths[c], row.at(c).size());
        }
    for (const QStringList &row : rows) {
        QStringList cells;
        for (qsizetype c = 0; c < row.size(); ++c)
            cells << (numeric.value(c) ? row.at(c).rightJustified(widths[c])
                                       : row.at(c).leftJustified(widths[c]));
        QString line = cells.join(QStringLiteral("  "));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out << line << Qt::endl;
    }
}

} // namespace

int progress(AppContext &context, DataModule &data, const std::optional<int> &zonesOf, bool csv,
             QTextStream &out, QTextStream &err) {
    try {
        if (!openSectors(context, data, err))
            return Error;
        QList<QStringList> rows;
        if (zonesOf) {
            rows << QStringList{context.tr(QStringLiteral("FBornage_Zones")),
                                context.tr(QStringLiteral("FBornage_quantite")),
                                context.tr(QStringLiteral("FBornage_nbfichier")),
                                context.tr(QStringLiteral("Cli_Etat"))};
            for (const Progress::ZoneRow &zone :
                 Progress::zones(data, *zonesOf, Progress::ZoneOrder::ByZone))
                rows << QStringList{zone.zone, QString::number(zone.quantity),
                                    QString::number(zone.files), zone.state};
            printTable(out, rows, {false, true, true, false}, csv);
            return Done;
        }
        rows << QStringList{context.tr(QStringLiteral("FBornage_Secteur")),
                            context.tr(QStringLiteral("FBornage_NomSecteur")),
                            context.tr(QStringLiteral("FBornage_Zones")),
                            context.tr(QStringLiteral("FBornage_Volumes")), QStringLiteral("%")};
        for (const Progress::SectorRow &sector : Progress::sectors(data))
            rows << QStringList{QString::number(sector.sector), sector.name, sector.zones,
                                QString::number(sector.volumes), sector.percentage.toString()};
        const Progress::Totals totals = Progress::totals(data);
        rows << QStringList{context.tr(QStringLiteral("FBornage.Label1")), QString(),
                            totals.zonesText, totals.volumeText,
                            totals.percentText.value_or(QString())};
        printTable(out, rows, {true, false, true, true, true}, csv);
    } catch (const KorvelloError &error) {
        err << "korvello-cli: " << error.message() << Qt::endl;
        return Error;
    }
    return Done;
}

int emptyZone(AppContext &context, DataModule &data, const QString &zone, QTextStream &out,
              QTextStream &err) {
    try {
        if (!openSectors(context, data, err))
            return Error;
        switch (Progress::declareEmpty(data, zone)) {
        case Progress::EmptyZone::Declared:
            out << context.tr(QStringLiteral("Cli_ZoneVide")).arg(zone) << Qt::endl;
            return Done;
        case Progress::EmptyZone::NoSuchZone:
            err << "korvello-cli: " << context.tr(QStringLiteral("Cli_ZoneInconnue")).arg(zone)
                << Qt::endl;
            return Error;
        case Progress::EmptyZone::NotWaiting:
            err << "korvello-cli: " << context.tr(QStringLiteral("Cli_ZoneNonAttente")).arg(zone)
                << Qt::endl;
            return Error;
        }
    } catch (const KorvelloError &error) {
        err << "korvello-cli: " << error.message() << Qt::endl;
    }
    return Error;
}

} // namespace CliCommands
