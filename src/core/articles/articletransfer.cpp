#include "core/articles/articletransfer.h"

#include "core/articles/articlebuild.h"
#include "core/device/bridge.h"
#include "core/platform/appcontext.h"
#include "core/platform/logfile.h"
#include "core/platform/userinteraction.h"

#include <QFile>

namespace ArticleTransfer {

End run(AppContext &context, UserInteraction &ui, const std::function<void()> &copying) {
    if (context.handheldState == HandheldState::Disconnected) {
        ui.notice(context.tr(QStringLiteral("AppDeConnecte")));
        return End::NoHandheld;
    }
    if (!QFile::exists(ArticleBuild::databasePath(context))) {
        ui.notice(context.tr(QStringLiteral("FTransfer_DbInexist")));
        return End::NoDatabase;
    }
    if (context.readyHandhelds > 1) {
        ui.notice(context.tr(QStringLiteral("FVidage_Plusieurs")));
        return End::SeveralHandhelds;
    }
    const QString prefix =
        context.config().readString(QStringLiteral("CONF"), QStringLiteral("ADB"), QString());
    LogFile::append(context, context.tr(QStringLiteral("FTransfer_DebCopie")));
    if (copying)
        copying();
    const ToolCommand command = Bridge::pushArticleDatabase(prefix, context.programFolder());
    const RunResult result = HiddenRunner::run(command);
    // A copy the tool did not finish well leaves the handheld with its old codes, or none:
    // the user is told in the tool's own words.
    if (!result.started || !result.finished || result.exitCode != 0) {
        QString words = QString::fromLocal8Bit(result.output).trimmed();
        if (!result.started)
            words = command.describe();
        const QString message = context.tr(QStringLiteral("Transfer_Echec")).arg(words);
        LogFile::append(context, message);
        ui.notice(message);
        return End::Failed;
    }
    ui.notice(context.tr(QStringLiteral("FTransfer_FinDB")) + QStringLiteral("\r\n") +
              context.tr(QStringLiteral("FTransfer_FinDB2")));
    LogFile::append(context, context.tr(QStringLiteral("FTransfer_FinDB")));
    return End::Pushed;
}

} // namespace ArticleTransfer
