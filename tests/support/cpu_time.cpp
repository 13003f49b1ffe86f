#include "tests/support/cpu_time.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <ctime>
#endif

namespace lanxi::test {

std::int64_t CpuMilliseconds() {
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto ticks = [](const FILETIME& t) {
        return std::int64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime;  // 100 ns each
    };
    return (ticks(kernel) + ticks(user)) / 10'000;
#else
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
#endif
}

}  // namespace lanxi::test
