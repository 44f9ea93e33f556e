#include "core/device/bridge.h"

#include "core/platform/appcontext.h"
#include "core/platform/programfolder.h"
#include "core/platform/textutil.h"

#include <QDir>
#include <QFile>

namespace Bridge {

QStringList toolFiles() {
#ifdef Q_OS_WIN
    return {QStringLiteral("adb.exe"), QStringLiteral("AdbWinApi.dll"),
            QStringLiteral("AdbWinUsbApi.dll"), QStringLiteral("fastboot.exe")};
#else
    return {QStringLiteral("adb"), QStringLiteral("fastboot")};
#endif
}

QString defaultToolsFolder() {
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\adb\\");
#else
    return QDir::homePath() + QStringLiteral("/.local/bin/");
#endif
}

void provisionTools(AppContext &context) {
    IniFile config = context.config();
    const QString conf = QStringLiteral("CONF");
    if (config.keyExists(conf, QStringLiteral("ADB"))) {
        context.toolsPrefix =
            TextUtil::trimmed(config.readString(conf, QStringLiteral("ADB"), QString()));
    } else {
        context.toolsPrefix.clear();
        config.writeString(conf, QStringLiteral("ADB"), QString());
    }
    if (config.readInteger(conf, QStringLiteral("FTP_AVAILABLE"), -1) == -1)
        config.writeInteger(conf, QStringLiteral("FTP_AVAILABLE"), 0);
    if (config.readInteger(QStringLiteral("FTP"), QStringLiteral("CHECK"), -1) == -1)
        config.writeInteger(QStringLiteral("FTP"), QStringLiteral("CHECK"), 0);

    const QString toolsFolder =
        context.toolsPrefix.isEmpty() ? defaultToolsFolder() : context.toolsPrefix;
    for (const QString &name : toolFiles()) {
        const QString target = toolsFolder + name;
        if (QFile::exists(target))
            continue;
        // The spare tools: in the program folder's "adb" folder, else in the one that comes
        // with the program.
        QString spare = context.programFolder() + QStringLiteral("/adb/") + name;
        if (!QFile::exists(spare))
            spare = ProgramFolder::sharedFile(QStringLiteral("adb/") + name);
        if (QFile::copy(spare, target)) {
            // A copy keeps the spare's permissions; make sure the tool can run.
            QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner |
                                              QFile::ExeGroup | QFile::ExeOther);
        }
    }
}

namespace {
QString adb(const QString &prefix) {
    return prefix + QStringLiteral("adb");
}
} // namespace

ToolCommand pullCountDatabase(const QString &prefix, const QString &localFolder) {
    return {adb(prefix),
            {QStringLiteral("pull"), kCountDatabase,
             joinPath(localFolder, QStringLiteral("Inventaire.s3db"))}};
}

ToolCommand pullHandheldTempFolder(const QString &prefix, const QString &localFolder) {
    return {adb(prefix),
            {QStringLiteral("pull"), kHandheldTempFolder, withTrailingSeparator(localFolder)}};
}

ToolCommand pushCountDatabase(const QString &prefix, const QString &localFolder) {
    return {adb(prefix),
            {QStringLiteral("push"), joinPath(localFolder, QStringLiteral("Inventaire.s3db")),
             kCountDatabase}};
}

ToolCommand pushArticleDatabase(const QString &prefix, const QString &programFolder) {
    return {adb(prefix),
            {QStringLiteral("push"), programFolder + QStringLiteral("/GenCodBD.s3db"),
             kAppFilesFolder}};
}

ToolCommand listDevices(const QString &prefix) {
    return {adb(prefix), {QStringLiteral("devices")}};
}

int deviceLineCount(const QString &output) {
    int count = 0;
    for (const QString &line : TextUtil::lines(output))
        if (line.contains(QLatin1String("device")))
            ++count;
    return count;
}

bool isConnected(const QString &output) {
    return deviceLineCount(output) >= 2;
}

QStringList readySerials(const QString &output) {
    QStringList serials;
    for (const QString &line : TextUtil::lines(output))
        if (line.section(QLatin1Char('\t'), 1).trimmed() == QLatin1String("device"))
            serials << line.section(QLatin1Char('\t'), 0, 0).trimmed();
    return serials;
}

int unauthorisedHandhelds(const QString &output) {
    int count = 0;
    for (const QString &line : TextUtil::lines(output))
        if (line.section(QLatin1Char('\t'), 1).trimmed() == QLatin1String("unauthorized"))
            ++count;
    return count;
}

int readyHandhelds(const QString &output) {
    return int(readySerials(output).size());
}

bool detect(const QString &prefix, QString &memo, QTimer *watch, int timeoutMs) {
    memo.clear();
    CapturedRunner::run(listDevices(prefix), memo, watch, timeoutMs);
    return isConnected(memo);
}

} // namespace Bridge
