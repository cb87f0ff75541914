#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int niceness = 10;

} // namespace

// On Linux the nice value is a thread's own, addressed by its thread id.
void ThreadPriority::lowerCurrent()
{
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, thread, niceness);
}

} // namespace platform
