#pragma once

class AppContext;

namespace Startup {
// What the main window's creation does, and what the command-line program does before any
// command: provision the handheld tools, complete the configuration file, forget any
// upload key name, keep the SFTP servers' host keys in the program folder.
void prepare(AppContext &context);
} // namespace Startup
