#include "shell/startup.h"

#include "device/bridge.h"
#include "shell/appcontext.h"
#include "upload/uqvftp.h"

namespace Startup {

void prepare(AppContext &context) {
    Bridge::CheckADB(context);
    context.uploadKeyName.clear();
    UQVFtp::setKnownHostsFile(context.programFolder() + QStringLiteral("/known_hosts"));
}

} // namespace Startup
