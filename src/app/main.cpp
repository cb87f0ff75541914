#include "app/Application.h"
#include "app/AutoplayBot.h"
#include "app/FrameCapture.h"
#include "app/SimulatedTime.h"
#include "app/StartupTimes.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// Player 2's timing spread is the same on every autoplay run.
constexpr std::uint32_t autoplaySeed = 20261206;

struct Options {
    bool autoplay = false;
    bool exitAtEnd = false;
};

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--autoplay") {
            options.autoplay = true;
        } else if (argument == "--exit-at-end") {
            options.exitAtEnd = true;
        } else {
            std::fprintf(stderr, "flarevox: unknown option '%s'\nusage: flarevox [--autoplay [--exit-at-end]]\n",
                         argv[i]);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    StartupTimes::enableFromEnvironment();
    StartupTimes::mark("main");
    Options options;
    if (!parseOptions(argc, argv, options))
        return 2;

    // Observers run after each frame's drawing: the bot queues the next
    // frame's keys, the capture reads the picture, the simulated clock moves on.
    std::vector<Application::FrameObserver> observers;
    if (options.autoplay)
        observers.push_back(AutoplayBot(options.exitAtEnd, autoplaySeed));
    if (auto capture = FrameCapture::fromEnvironment())
        observers.push_back(std::move(capture));
    if (auto time = SimulatedTime::fromEnvironment())
        observers.push_back([time](WindowRecord&, MainLoop&) { time->advanceFrame(); });

    Application application;
    if (!observers.empty()) {
        application.setFrameObserver([observers](WindowRecord& record, MainLoop& mainLoop) mutable {
            for (auto& observer : observers)
                observer(record, mainLoop);
        });
    }
    return application.run();
}
