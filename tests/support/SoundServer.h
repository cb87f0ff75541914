#pragma once

#include "support/ChildProcess.h"

#include <filesystem>
#include <memory>
#include <string>

namespace testsupport {

// A desktop sound server of the test's own: PulseAudio with its null sink
// (set to play at the system clock's rate, as a sound card does), started as
// an ordinary process with its runtime files in a private folder, reached
// through a socket there and stopped with the object. Works as root too.
class SoundServer {
public:
    static constexpr const char* sinkName = "flarevox_null";

    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // False when pulseaudio is missing or did not open its socket in time.
    bool ready() const { return ready_; }
    // The value of PULSE_SERVER that reaches it.
    std::string address() const { return "unix:" + (folder / "native").string(); }
    // What the server wrote, to explain a failure.
    std::string messages() const;

private:
    std::filesystem::path folder;
    std::unique_ptr<ChildProcess> server;
    bool ready_ = false;
};

} // namespace testsupport
