#include "core/platform/operationlock.h"

#include "core/platform/appcontext.h"

OperationLock::OperationLock(const AppContext &context)
    : m_file(context.programFolder() + QStringLiteral("/Korvello.lock")) {
    // A long dump is no sign of a dead one: only a process that is gone frees the lock.
    m_file.setStaleLockTime(0);
    m_held = m_file.tryLock(0);
}
