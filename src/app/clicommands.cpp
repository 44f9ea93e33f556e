#include "app/clicommands.h"

#include "device/bridge.h"
#include "shell/appcontext.h"
#include "shell/countfiles.h"

namespace CliCommands {

int status(AppContext &context, QTextStream &out) {
    QString listing;
    const bool connected = Bridge::detect(context.toolsPrefix, listing);
    context.handheldState = connected ? HandheldState::Connected : HandheldState::Disconnected;
    const QString countFolder = context.countFolder(FolderDefaults::Files);
    out << "Handheld: " << (connected ? "connected" : "disconnected") << Qt::endl;
    out << "Count folder: " << countFolder << Qt::endl;
    out << "Waiting count files: " << CountFiles::waiting(countFolder).size() << Qt::endl;
    return Done;
}

} // namespace CliCommands
