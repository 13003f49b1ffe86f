#include "system/machine.h"

#include <QtGlobal>
#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#include <QByteArray>
#include <QFile>
#endif

namespace lanxi {
namespace {

// What is assumed when the system does not say.
constexpr std::int64_t kAssumedMemory = 4LL * 1024 * 1024 * 1024;

#ifndef Q_OS_WIN
// A control group's memory limit, or 0 when there is none ("max", or no such file).
std::int64_t groupLimit(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    bool ok = false;
    const std::int64_t limit = file.readLine(64).trimmed().toLongLong(&ok);
    return ok && limit > 0 ? limit : 0;
}
#endif

}  // namespace

std::int64_t UsableMemoryBytes() {
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status) || status.ullTotalPhys == 0) {
        return kAssumedMemory;
    }
    return std::int64_t(status.ullTotalPhys);
#else
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    std::int64_t memory =
        pages > 0 && pageSize > 0 ? std::int64_t(pages) * pageSize : kAssumedMemory;
    for (const char* limitFile :
         {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
        if (const std::int64_t limit = groupLimit(limitFile); limit > 0) {
            memory = std::min(memory, limit);
        }
    }
    return memory;
#endif
}

}  // namespace lanxi
