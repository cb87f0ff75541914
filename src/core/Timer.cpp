#include "core/Timer.h"

#include "core/Win32Timer.h"

#include <cassert>
#include <forward_list>

namespace {

// Newest timer first.
std::forward_list<Timer*>& timerList()
{
    static std::forward_list<Timer*> timers;
    return timers;
}

} // namespace

Timer* Timer::create()
{
    return new Win32Timer();
}

Timer::Timer()
{
    timerList().push_front(this);
}

Timer::~Timer()
{
    auto& timers = timerList();
    auto before = timers.before_begin();
    for (auto link = timers.begin(); link != timers.end(); before = link++) {
        if (*link == this) {
            timers.erase_after(before);
            return;
        }
    }
    assert(!"pLink != NULL");
}

void Timer::pauseAll()
{
    for (Timer* timer : timerList())
        timer->pause();
}

void Timer::resumeAll()
{
    for (Timer* timer : timerList())
        timer->resume();
}
