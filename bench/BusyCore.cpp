#include "BusyCore.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

BusyCore::BusyCore()
{
    child = fork();
    if (child == 0) {
        volatile unsigned long spins = 0;
        while (true)
            spins = spins + 1;
    }
}

BusyCore::~BusyCore()
{
    if (child <= 0)
        return;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}
