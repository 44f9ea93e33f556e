#include "shell/startup.h"

#include "device/bridge.h"
#include "shell/appcontext.h"

namespace Startup {

void prepare(AppContext &context) {
    Bridge::CheckADB(context);
    context.uploadKeyName.clear();
}

} // namespace Startup
