#pragma once

#include <QByteArray>

#include <csignal>

// Places where a test may have the program killed, to prove that a dump interrupted there
// loses and doubles nothing: the environment variable KORVELLO_TEST_CRASH_AT names one
// ("file:N" after the N-th count file or save copy is written, "sectors", "before-push",
// "after-push"). Unset, as everywhere but in those tests, nothing happens.
namespace CrashPoints {

inline void reach(const QByteArray &point) {
    static const QByteArray wanted = qgetenv("KORVELLO_TEST_CRASH_AT");
    if (!wanted.isEmpty() && wanted == point)
        std::raise(SIGKILL);
}

} // namespace CrashPoints
