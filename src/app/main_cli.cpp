#include "app/clicommands.h"
#include "shell/appcontext.h"
#include "shell/errors.h"
#include "shell/programfolder.h"
#include "shell/startup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <exception>

namespace {

const char *const kCommands = "Commands:\n"
                              "  status    Show the handheld state, the count folder and the\n"
                              "            number of count files waiting to be sent.\n";

int usageError(const QString &message) {
    QTextStream err(stderr);
    err << "korvello-cli: " << message << Qt::endl
        << "Try 'korvello-cli --help'." << Qt::endl;
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
    if (command != QLatin1String("status"))
        return usageError(QStringLiteral("unknown command '%1'.").arg(command));
    if (positional.size() > 1)
        return usageError(QStringLiteral("'%1' takes no arguments.").arg(command));

    QTextStream out(stdout);
    try {
        AppContext context(ProgramFolder::resolve(parser.value(home)));
        Startup::prepare(context);
        context.currentLanguage =
            context.config().readString(QStringLiteral("CONF"), QStringLiteral("LNG"),
                                        QStringLiteral("NL"));
        return CliCommands::status(context, out);
    } catch (const KorvelloError &error) {
        QTextStream(stderr) << "korvello-cli: " << error.message() << Qt::endl;
    } catch (const std::exception &error) {
        QTextStream(stderr) << "korvello-cli: " << error.what() << Qt::endl;
    }
    return CliCommands::Error;
}
