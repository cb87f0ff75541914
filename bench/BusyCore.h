#pragma once

#include <sys/types.h>

// Keeps one core busy with a spinning child process for as long as it lives,
// so a measurement can show how the game holds up on a loaded machine.
class BusyCore {
public:
    BusyCore();
    ~BusyCore();
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

    bool running() const { return child > 0; }

private:
    pid_t child = -1;
};
