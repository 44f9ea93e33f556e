// The commands that set a workstation up for a campaign: reset, server test, settings from
// the customer directory, the article code database and its copy onto the handheld.
#include "cli/commands.h"

#include "core/articles/articlebuild.h"
#include "core/articles/articletransfer.h"
#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/fileops.h"
#include "core/platform/userinteraction.h"
#include "core/settings/campaignreset.h"
#include "core/settings/settings.h"

#include <QDate>

#include <cstdio>
#include <unistd.h>

namespace CliCommands {

namespace {
QTextStream &fail(QTextStream &err) {
    return err << "korvello-cli: ";
}
} // namespace

int reset(AppContext &context, DataModule &data, UserInteraction &ui, QTextStream &out,
          QTextStream &err) {
    try {
        CampaignReset::checkNoDumpPending(context);
        const int unsent =
            CampaignReset::unsentCountFiles(context.countFolder(FolderDefaults::Files));
        if (ui.question(CampaignReset::question(context, unsent)) != UserInteraction::Answer::Yes) {
            fail(err) << context.tr(QStringLiteral("Cli_ReinitAnnulee")) << Qt::endl;
            return Cancelled;
        }
        const CampaignReset::Outcome outcome =
            CampaignReset::run(context, data, QDate::currentDate());
        out << context.tr(QStringLiteral("Cli_ReinitFaite")).arg(outcome.archiveFolder) << Qt::endl;
        for (const QString &file : outcome.notArchived)
            out << context.tr(QStringLiteral("Cli_NonArchive")).arg(file) << Qt::endl;
    } catch (const KorvelloError &error) {
        fail(err) << error.message() << Qt::endl;
        return Error;
    }
    return Done;
}

int testServer(AppContext &context, QTextStream &out) {
    const Settings::ServerTest test = Settings::testServer(Settings::stored(context));
    out << QString(test.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
    return test.passed ? Done : Error;
}

int fetchSettings(AppContext &context, DataModule &data, const QString &code, QTextStream &out,
                  QTextStream &err) {
    try {
        SettingsForm form = Settings::stored(context);
        form.shopCode = code;
        const CustomerDirectory::Lookup lookup = Settings::fetchFromDirectory(context, data, form);
        if (!lookup.error.isEmpty()) {
            fail(err) << context.tr(QStringLiteral("Cli_AnnuaireKo")).arg(lookup.error) << Qt::endl;
            return Error;
        }
        if (!lookup.found) {
            fail(err) << context.tr(QStringLiteral("Cli_MagasinInconnu")).arg(code) << Qt::endl;
            return Error;
        }
        form.serverCopy = true;
        if (!Settings::save(context, form)) {
            fail(err) << context.tr(QStringLiteral("FParam_Vide")) << Qt::endl;
            return Error;
        }
        out << context.tr(QStringLiteral("Cli_BaseMagasin")).arg(form.storeDatabase) << Qt::endl
            << context.tr(QStringLiteral("Cli_Hote")).arg(form.host) << Qt::endl
            << context.tr(QStringLiteral("Cli_Repertoire")).arg(form.directory) << Qt::endl
            << context.tr(QStringLiteral("Cli_Identifiant")).arg(form.login) << Qt::endl
            << context.tr(QStringLiteral("Cli_MotDePasse"))
                   .arg(form.password.isEmpty() ? QString() : QStringLiteral("********"))
            << Qt::endl
            << context.tr(QStringLiteral("Cli_Port")).arg(form.port) << Qt::endl
            << context.tr(QStringLiteral("Cli_CleSsh")).arg(form.sshKey) << Qt::endl
            << context.tr(QStringLiteral("Cli_Enregistre")).arg(context.configPath()) << Qt::endl;
    } catch (const KorvelloError &error) {
        fail(err) << error.message() << Qt::endl;
        return Error;
    }
    return Done;
}

int buildArticles(AppContext &context, DataModule &data, const ArticleOptions &options,
                  QTextStream &out, QTextStream &err) {
    ArticleBuild::Request request;
    if (!options.textFile.isEmpty()) {
        request.source = ArticleBuild::Request::Source::TextFile;
        request.textFile = options.textFile;
    } else {
        request.storeDatabase = options.storeDatabase;
        request.shopCode =
            context.config().readString(QStringLiteral("CONF"), QStringLiteral("CODELIB"), {});
        if (options.families.isEmpty()) {
            ArticleBuild::parseFamilies(ArticleBuild::familyCodes(), request.families, nullptr);
            request.families.allProducts = true;
        } else {
            QString unknown;
            if (!ArticleBuild::parseFamilies(options.families, request.families, &unknown)) {
                fail(err) << "unknown family '" << unknown << "'; families are "
                          << ArticleBuild::familyCodes().join(QLatin1Char(',')) << Qt::endl;
                return Usage;
            }
        }
    }
    // A bar on a terminal; scripts get only the result.
    ArticleBuild::Progress progress;
    qint64 maximum = 0;
    if (isatty(STDERR_FILENO)) {
        progress.start = [&](qint64 n) { maximum = n; };
        progress.step = [&](qint64 done) {
            std::fprintf(stderr, "\r%lld/%lld", static_cast<long long>(done),
                         static_cast<long long>(maximum));
        };
        progress.end = [] { std::fprintf(stderr, "\n"); };
    }
    try {
        const ArticleBuild::Outcome outcome = ArticleBuild::build(context, data, request, progress);
        if (outcome.end == ArticleBuild::Outcome::End::NoSource) {
            fail(err) << context.tr(QStringLiteral("FChargeDB_ChoixDB")) << Qt::endl;
            return Error;
        }
        if (outcome.end != ArticleBuild::Outcome::End::Built) {
            fail(err) << outcome.error << Qt::endl;
            return Error;
        }
        out << context.tr(QStringLiteral("Cli_Codes")).arg(outcome.expected) << Qt::endl;
        out << context.tr(QStringLiteral("Cli_Suspects")).arg(outcome.suspicious.size())
            << Qt::endl;
        if (!options.reportFile.isEmpty()) {
            QString error;
            if (!FileOps::writeDurably(options.reportFile, ArticleBuild::report(context, outcome),
                                       &error)) {
                fail(err) << error << Qt::endl;
                return Error;
            }
            out << context.tr(QStringLiteral("Cli_RapportEcrit")).arg(options.reportFile)
                << Qt::endl;
        }
    } catch (const KorvelloError &error) {
        fail(err) << error.message() << Qt::endl;
        return Error;
    }
    return Done;
}

int transfer(AppContext &context, UserInteraction &ui, QTextStream &out, QTextStream &err) {
    try {
        detect(context);
        if (ArticleTransfer::run(context, ui) != ArticleTransfer::End::Pushed)
            return Error;
        out << context.tr(QStringLiteral("Cli_Transfere")) << Qt::endl;
    } catch (const KorvelloError &error) {
        fail(err) << error.message() << Qt::endl;
        return Error;
    }
    return Done;
}

} // namespace CliCommands
