#pragma once

#include "core/device/runners.h"

#include <QString>
#include <QStringList>

class AppContext;
class QTimer;

// Everything the program does with a handheld goes through the Android Debug Bridge tool.
namespace Bridge {

// Paths of the counting app's files on the handheld.
inline const QString kAppFilesFolder =
    QStringLiteral("/storage/emulated/0/Android/data/com.korvello.scanner/files/");
inline const QString kCountDatabase = kAppFilesFolder + QStringLiteral("Inventaire.s3db");
inline const QString kHandheldTempFolder = kAppFilesFolder + QStringLiteral("tmp/");
inline const QString kArticleDatabase = kAppFilesFolder + QStringLiteral("GenCodBD.s3db");

// The tool files, in the order they are provisioned, and where they go when "CONF"/"ADB"
// is empty (a folder on the search path).
QStringList toolFiles();
QString defaultToolsFolder();

// Tool provisioning at start-up: sets context.toolsPrefix from "CONF"/"ADB" (trimmed;
// written empty when absent), writes 0 to "CONF"/"FTP_AVAILABLE" and "FTP"/"CHECK" when they
// are absent or not whole numbers, then copies each tool file missing from the tools folder
// from the program folder's "adb" sub-folder. Failed copies are not reported.
void provisionTools(AppContext &context);

// The commands, with P the tools prefix, C the count folder, F the program folder.
// The count database and the handheld's temporary folder are copied into, and the count
// database back from, the local folder given (a temporary folder of the count folder).
ToolCommand pullCountDatabase(const QString &prefix, const QString &localFolder);
ToolCommand pullHandheldTempFolder(const QString &prefix, const QString &localFolder);
ToolCommand pushCountDatabase(const QString &prefix, const QString &localFolder);
ToolCommand pushArticleDatabase(const QString &prefix, const QString &programFolder);
ToolCommand listDevices(const QString &prefix);

// Lines of the "adb devices" output that contain "device" (case-sensitive).
int deviceLineCount(const QString &output);
// Two or more: the heading plus at least one handheld ready for use.
bool isConnected(const QString &output);
// Handhelds listed as ready for use ("SERIAL<TAB>device"), and their serial numbers.
int readyHandhelds(const QString &output);
QStringList readySerials(const QString &output);
// Handhelds listed as waiting for the user's authorisation ("SERIAL<TAB>unauthorized").
int unauthorisedHandhelds(const QString &output);

// Clears memo, runs "adb devices" through the captured runner into it (pausing watch) and
// tells whether a handheld is ready.
bool detect(const QString &prefix, QString &memo, QTimer *watch = nullptr,
            int timeoutMs = CapturedRunner::kDefaultTimeoutMs);

} // namespace Bridge
