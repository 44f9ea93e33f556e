#include "core/device/runners.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QTimer>

#include <sys/resource.h>

QString ToolCommand::describe() const {
    QStringList parts{program};
    for (const QString &arg : arguments)
        parts.append(arg.contains(QLatin1Char(' ')) ? QLatin1Char('"') + arg + QLatin1Char('"')
                                                    : arg);
    return parts.join(QLatin1Char(' '));
}

namespace HiddenRunner {

RunResult run(const ToolCommand &command, bool wait) {
    RunResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setChildProcessModifier([] { setpriority(PRIO_PROCESS, 0, 19); });
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    if (!wait) {
        result.started = process.startDetached();
        return result;
    }
    process.start();
    if (!process.waitForStarted(-1))
        return result;
    result.started = true;
    process.closeWriteChannel();
    while (!process.waitForFinished(500)) {
        if (process.state() == QProcess::NotRunning)
            break;
    }
    result.output = process.readAll();
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

} // namespace HiddenRunner

namespace CapturedRunner {

namespace {
// Sets the device watch back as it was, however the run ends.
class WatchPause {
public:
    explicit WatchPause(QTimer *timer) : m_timer(timer), m_wasActive(timer && timer->isActive()) {
        if (m_timer)
            m_timer->stop();
    }
    ~WatchPause() {
        if (m_timer && m_wasActive)
            m_timer->start();
    }
    WatchPause(const WatchPause &) = delete;
    WatchPause &operator=(const WatchPause &) = delete;

private:
    QTimer *m_timer;
    bool m_wasActive;
};
} // namespace

RunResult run(const ToolCommand &command, QString &target, QTimer *watch, int timeoutMs) {
    WatchPause pause(watch);
    RunResult result;

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.program, command.arguments);
    if (!process.waitForStarted(-1))
        return result;
    result.started = true;
    process.closeWriteChannel();

    // Read while waiting, so a tool with much to say never blocks on a full pipe; decode
    // across chunk boundaries so a character cut in two arrives whole.
    QStringDecoder decoder(QStringDecoder::System);
    QString collected;
    auto drain = [&] {
        while (process.bytesAvailable() > 0)
            collected += decoder.decode(process.read(kChunkSize));
    };

    QElapsedTimer clock;
    clock.start();
    while (!process.waitForFinished(100)) {
        drain();
        if (process.state() == QProcess::NotRunning)
            break;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (clock.elapsed() > timeoutMs) {
            process.kill();
            process.waitForFinished(-1);
            return result; // given up: nothing of a half-told answer is kept
        }
    }
    drain();
    collected += decoder.decode(QByteArray());
    target += collected;
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

} // namespace CapturedRunner
