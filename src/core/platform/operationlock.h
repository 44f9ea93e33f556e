#pragma once

#include <QLockFile>

class AppContext;

// One operation on the count files at a time on a program folder (a dump, an upload),
// whichever program runs it: the window program and korvello-cli, or two korvello-cli. The
// lock file in the program folder names its process; the lock of a process that died is
// taken over.
class OperationLock {
public:
    // Tries once, without waiting.
    explicit OperationLock(const AppContext &context);
    bool held() const { return m_held; }

private:
    QLockFile m_file;
    bool m_held = false;
};
