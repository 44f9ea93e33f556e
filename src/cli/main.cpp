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
    "  reset [--yes]   Start a new counting campaign: archive the save copies, the count\n"
    "                  files, the sector database and the log into the save folder's\n"
    "                  Archives/YYYYMMDD, and empty the sector database.\n"
    "  test-server     Test the stored server settings (FTP, or SFTP with a key name).\n"
    "  fetch-settings CODE\n"
    "                  Look shop CODE up in the customer directory and save its store\n"
    "                  database and server settings (server copy ticked).\n"
    "  build-articles --text FILE | --store CONNECTION [--families LIST] [--report FILE]\n"
    "                  Build the article code database GenCodBD.s3db from a text file\n"
    "                  (one code a line) or from the store database (all products, or\n"
    "                  the families listed: MEDIA,PAPET,VIDEO,DISQU,DIVER,LIVRE or their\n"
    "                  names). --report writes the suspicious codes, one a line.\n"
    "  transfer        Copy the article code database onto the connected handheld.\n"
    "\n"
    "Questions are answered Yes with --yes; without it they are asked on the terminal,\n"
    "or answered No when there is none.\n"
    "\n"
    "Exit status: 0 done, 1 error (for empty-zone: no such zone, or not waiting; for\n"
    "test-server: the test failed; for build-articles: the previous database is kept),\n"
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
    const QCommandLineOption text(QStringLiteral("text"),
                                  QStringLiteral("build-articles: the codes of FILE."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption store(QStringLiteral("store"),
                                   QStringLiteral("build-articles: the store database."),
                                   QStringLiteral("CONNECTION"));
    const QCommandLineOption families(QStringLiteral("families"),
                                      QStringLiteral("build-articles: product families, "
                                                     "comma-separated."),
                                      QStringLiteral("LIST"));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("build-articles: write the suspicious "
                                                   "codes to FILE."),
                                    QStringLiteral("FILE"));
    for (const QCommandLineOption &option : {text, store, families, report})
        parser.addOption(option);
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
    const QStringList known{QStringLiteral("status"),         QStringLiteral("dump"),
                            QStringLiteral("upload"),         QStringLiteral("progress"),
                            QStringLiteral("empty-zone"),     QStringLiteral("reset"),
                            QStringLiteral("test-server"),    QStringLiteral("fetch-settings"),
                            QStringLiteral("build-articles"), QStringLiteral("transfer")};
    if (!known.contains(command))
        return usageError(QStringLiteral("unknown command '%1'.").arg(command));
    const bool takesZone = command == QLatin1String("empty-zone");
    const bool takesCode = command == QLatin1String("fetch-settings");
    if (takesZone && positional.size() != 2)
        return usageError(QStringLiteral("'empty-zone' takes one zone, such as 3005."));
    if (takesCode && positional.size() != 2)
        return usageError(QStringLiteral("'fetch-settings' takes one shop code."));
    if (!takesZone && !takesCode && positional.size() > 1)
        return usageError(QStringLiteral("'%1' takes no arguments.").arg(command));
    const bool asks = command == QLatin1String("dump") || command == QLatin1String("upload") ||
                      command == QLatin1String("reset");
    if (parser.isSet(yes) && !asks)
        return usageError(QStringLiteral("'%1' asks nothing; --yes does not apply.").arg(command));
    if ((parser.isSet(zonesOf) || parser.isSet(csv)) && command != QLatin1String("progress"))
        return usageError(QStringLiteral("--zones and --csv go with 'progress'."));
    const bool building = command == QLatin1String("build-articles");
    const bool anyArticleOption =
        parser.isSet(text) || parser.isSet(store) || parser.isSet(families) || parser.isSet(report);
    if (anyArticleOption && !building)
        return usageError(QStringLiteral("--text, --store, --families and --report go with "
                                         "'build-articles'."));
    if (building && parser.isSet(text) == parser.isSet(store))
        return usageError(QStringLiteral("'build-articles' takes --text FILE or --store "
                                         "CONNECTION."));
    if (building && parser.isSet(text) && parser.isSet(families))
        return usageError(QStringLiteral("--families goes with --store."));
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
        data.setStoreAccount();
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
        if (command == QLatin1String("reset"))
            return CliCommands::reset(context, data, ui, out, err);
        if (command == QLatin1String("test-server"))
            return CliCommands::testServer(context, out);
        if (command == QLatin1String("fetch-settings"))
            return CliCommands::fetchSettings(context, data, positional.at(1), out, err);
        if (command == QLatin1String("transfer"))
            return CliCommands::transfer(context, ui, out, err);
        if (building) {
            CliCommands::ArticleOptions options;
            options.textFile = parser.value(text);
            options.storeDatabase = parser.value(store);
            if (parser.isSet(families))
                options.families =
                    parser.value(families).split(QLatin1Char(','), Qt::SkipEmptyParts);
            options.reportFile = parser.value(report);
            return CliCommands::buildArticles(context, data, options, out, err);
        }
        return CliCommands::status(context, data, out);
    } catch (const KorvelloError &error) {
        QTextStream(stderr) << "korvello-cli: " << error.message() << Qt::endl;
    } catch (const std::exception &error) {
        QTextStream(stderr) << "korvello-cli: " << error.what() << Qt::endl;
    }
    return CliCommands::Error;
}
