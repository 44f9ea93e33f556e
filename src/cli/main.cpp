#include "cli/commands.h"
#include "cli/terminalinteraction.h"
#include "core/data/datamodule.h"
#include "core/dump/dumpjournal.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/programfolder.h"
#include "core/platform/startup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <exception>

namespace {

const char *const kCommands =
    "Commands:\n"
    "  status          Show the handheld state, the count folder and the number of\n"
    "                  count files waiting to be sent.\n"
    "  dump [--yes]    Dump the connected handheld: write a count file per counted zone,\n"
    "                  record the sectors, clear the dumped lines on the handheld.\n"
    "  upload [--yes]  Send the waiting count files to the head office's server and\n"
    "                  move them into the save folder.\n"
    "  progress [--zones SECTOR] [--csv]\n"
    "                  Show each sector's zones done, volume and percentage, and the\n"
    "                  totals; with --zones, that sector's zones (quantity, count files,\n"
    "                  state). --csv writes semicolon-separated values for a spreadsheet.\n"
    "  empty-zone ZONE Declare a waiting zone empty: it counts as done.\n"
    "\n"
    "Questions are answered Yes with --yes; without it they are asked on the terminal,\n"
    "or answered No when there is none.\n"
    "\n"
    "Exit status: 0 done, 1 error (for empty-zone: no such zone, or not waiting),\n"
    "2 usage error, 3 cancelled at a question, 4 nothing to dump.\n";

int usageError(const QString &message) {
    QTextStream err(stderr);
    err << "korvello-cli: " << message << Qt::endl << "Try 'korvello-cli --help'." << Qt::endl;
    return CliCommands::Usage;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvello-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVELLO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Korvello from the command line: the stock-taking operations for "
                       "scripts, scheduled tasks and machines without a screen.\n\n") +
        QString::fromLatin1(kCommands));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    parser.addOption(help);
    parser.addVersionOption();
    const QCommandLineOption home(QStringLiteral("home"),
                                  QStringLiteral("Use DIR as the program folder (settings, log, "
                                                 "databases) instead of the executable's."),
                                  QStringLiteral("DIR"));
    parser.addOption(home);
    const QCommandLineOption yes(QStringLiteral("yes"),
                                 QStringLiteral("Answer Yes to every question (dump, upload)."));
    parser.addOption(yes);
    const QCommandLineOption zonesOf(QStringLiteral("zones"),
                                     QStringLiteral("progress: the zones of SECTOR."),
                                     QStringLiteral("SECTOR"));
    parser.addOption(zonesOf);
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("progress: semicolon-separated values."));
    parser.addOption(csv);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."),
                                 QStringLiteral("COMMAND"));

    if (!parser.parse(app.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return CliCommands::Done;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << "korvello-cli " << KORVELLO_VERSION << Qt::endl;
        return CliCommands::Done;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given."));
    const QString command = positional.first();
    const QStringList known{QStringLiteral("status"), QStringLiteral("dump"),
                            QStringLiteral("upload"), QStringLiteral("progress"),
                            QStringLiteral("empty-zone")};
    if (!known.contains(command))
        return usageError(QStringLiteral("unknown command '%1'.").arg(command));
    const bool takesZone = command == QLatin1String("empty-zone");
    if (takesZone && positional.size() != 2)
        return usageError(QStringLiteral("'empty-zone' takes one zone, such as 3005."));
    if (!takesZone && positional.size() > 1)
        return usageError(QStringLiteral("'%1' takes no arguments.").arg(command));
    const bool asks = command == QLatin1String("dump") || command == QLatin1String("upload");
    if (parser.isSet(yes) && !asks)
        return usageError(QStringLiteral("'%1' asks nothing; --yes does not apply.").arg(command));
    if ((parser.isSet(zonesOf) || parser.isSet(csv)) && command != QLatin1String("progress"))
        return usageError(QStringLiteral("--zones and --csv go with 'progress'."));
    std::optional<int> sector;
    if (parser.isSet(zonesOf)) {
        bool ok = false;
        sector = parser.value(zonesOf).toInt(&ok);
        if (!ok || *sector < 0 || *sector > 9)
            return usageError(QStringLiteral("--zones takes a sector digit, 0 to 9."));
    }

    QTextStream out(stdout);
    try {
        AppContext context(ProgramFolder::resolve(parser.value(home)));
        Startup::prepare(context);
        context.setLanguage(context.config().readString(
            QStringLiteral("CONF"), QStringLiteral("LNG"), QStringLiteral("NL")));
        DataModule data;
        // A dump cut short last time is undone or completed before anything else.
        DumpJournal::recoverAtStart(context, data);
        TerminalInteraction ui(parser.isSet(yes));
        QTextStream err(stderr);
        if (command == QLatin1String("upload"))
            return CliCommands::upload(context, ui, out, err);
        if (command == QLatin1String("dump"))
            return CliCommands::dump(context, data, ui, out, err);
        if (command == QLatin1String("progress"))
            return CliCommands::progress(context, data, sector, parser.isSet(csv), out, err);
        if (command == QLatin1String("empty-zone"))
            return CliCommands::emptyZone(context, data, positional.at(1), out, err);
        return CliCommands::status(context, data, out);
    } catch (const KorvelloError &error) {
        QTextStream(stderr) << "korvello-cli: " << error.message() << Qt::endl;
    } catch (const std::exception &error) {
        QTextStream(stderr) << "korvello-cli: " << error.what() << Qt::endl;
    }
    return CliCommands::Error;
}
