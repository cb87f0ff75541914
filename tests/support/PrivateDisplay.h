#pragma once

#include <string>
#include <sys/types.h>

namespace testsupport {

// An X server of the test's own (Xvfb on a free display number) that becomes
// DISPLAY for the life of the object, so that windows and key presses of this
// test cannot meet those of tests running beside it. The previous DISPLAY
// comes back afterwards.
class PrivateDisplay {
public:
    PrivateDisplay(int width, int height);
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool started() const { return !name.empty(); }
    const std::string& display() const { return name; }

private:
    pid_t server = 0;
    std::string name;
    std::string previous;
    bool hadPrevious = false;
};

} // namespace testsupport
