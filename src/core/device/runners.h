#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QTimer;

// A tool and the arguments it receives. No shell stands between: folder names with
// blanks, quotes or shell characters reach the tool unchanged and run nothing else.
struct ToolCommand {
    QString program;
    QStringList arguments;

    // The command as one line, for messages only.
    QString describe() const;
    bool operator==(const ToolCommand &) const = default;
};

struct RunResult {
    bool started = false;
    bool finished = false; // ended by itself (not killed, not still running)
    int exitCode = -1;
    QByteArray output; // standard output and error, merged; hidden runner only
};

namespace HiddenRunner {
// Starts the tool with no console, at the lowest priority. With wait, returns once it has
// ended, checking every 500 ms; the interface does not react meanwhile. Callers may ignore
// the result: what a copy did is judged from what it left on disk.
RunResult run(const ToolCommand &command, bool wait = true);
} // namespace HiddenRunner

namespace CapturedRunner {
// How long "adb devices" may take, a daemon start included, before it is given up.
constexpr int kDefaultTimeoutMs = 20000;
// Size of one read of the tool's output.
constexpr qint64 kChunkSize = 2400;

// Runs the tool, keeping the interface alive (events are processed every 100 ms), and
// appends its whole output, in order, to target. The device-watch timer, when given, is
// paused for the duration and set back as it was in every case. A tool that does not end
// within timeoutMs is killed and its output dropped, so a hung "adb devices" reads as no
// handheld rather than freezing the program.
RunResult run(const ToolCommand &command, QString &target, QTimer *watch = nullptr,
              int timeoutMs = kDefaultTimeoutMs);
} // namespace CapturedRunner
