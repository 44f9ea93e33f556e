#include "core/platform/startup.h"

#include "core/device/bridge.h"
#include "core/platform/appcontext.h"
#include "core/upload/sftpclient.h"

namespace Startup {

void prepare(AppContext &context) {
    Bridge::provisionTools(context);
    context.uploadKeyName.clear();
    Sftp::setKnownHostsFile(context.programFolder() + QStringLiteral("/known_hosts"));
}

} // namespace Startup
