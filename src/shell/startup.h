#pragma once

class AppContext;

namespace Startup {
// What the main window's creation does, and what the command-line program does before any
// command: provision the handheld tools, complete the configuration file, forget any
// upload key name.
void prepare(AppContext &context);
} // namespace Startup
