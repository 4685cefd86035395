#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace {

// ioprio_set(2) has no glibc wrapper.
constexpr int kIoprioWhoProcess = 1;  // with a thread id: that thread only
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioClassShift = 13;

}  // namespace

int NiceOfCpuPerformance(int cpuPerformance) {
    static constexpr int kNice[] = {19, 10, 5, 0, -5, -10, -20};
    if (cpuPerformance < 0 || cpuPerformance > 6)
        return 0;
    return kNice[cpuPerformance];
}

int SetCurrentThreadPriority(int cpuPerformance) {
    // On Linux the nice value belongs to the thread (its tid), so this leaves the other threads alone.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    const int wanted = NiceOfCpuPerformance(cpuPerformance);
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, tid);
    if (!(current == -1 && errno != 0) && current != wanted)
        ::setpriority(PRIO_PROCESS, tid, wanted);  // EACCES for a raise without privilege: ignored
    if (cpuPerformance == 0)
        ::syscall(SYS_ioprio_set, kIoprioWhoProcess, static_cast<int>(tid),
                  kIoprioClassIdle << kIoprioClassShift);
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, tid);
    return (now == -1 && errno != 0) ? current : now;
}
