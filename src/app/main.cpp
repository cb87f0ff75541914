#include "app/Application.h"
#include "app/AutoplayBot.h"
#include "app/FrameCapture.h"
#include "app/MainLoop.h"
#include "app/SimulatedTime.h"
#include "app/StartupTimes.h"
#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "net/NetProtocol.h"
#include "platform/SystemClock.h"
#include "sound/SoundManager.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Player 2's timing spread is the same on every autoplay run.
constexpr std::uint32_t autoplaySeed = 20261206;

constexpr const char* usage
    = "usage: flarevox [--song DIR [--difficulty NAME] [--difficulty2 NAME]] [--autoplay [1|2] [--rounds N] "
      "[--exit-at-end]] [--replay FILE [--exit-at-end]] [--save-replay FILE] [--rate R] "
      "[--host [PORT] | --join CODE|HOST[:PORT]] [--help]\n";
constexpr const char* optionsHelp
    = "  --song DIR           start with the song in folder DIR chosen\n"
      "  --difficulty NAME    player 1's chart of that song (and player 2's without --difficulty2)\n"
      "  --difficulty2 NAME   player 2's chart\n"
      "  --autoplay [1|2]     a bot plays both players, or only player 1 or 2 (its rounds set no records)\n"
      "  --rounds N           with --autoplay: N rounds in a row, the next song each time\n"
      "  --exit-at-end        with --autoplay or --replay: end three seconds after the last winner\n"
      "  --replay FILE        play the round of an exported replay file again (ends failed if refused)\n"
      "  --save-replay FILE   write each round's replay to FILE at the song's end\n"
      "  --rate R             the music at R times its speed, at its own pitch (0.5 to 2.0, steps of 0.05)\n"
      "  --host [PORT]        host a battle across two machines on UDP port 7493 (or PORT); with\n"
      "                       [Network] Server set, a room on that server instead, with a code to give\n"
      "  --join CODE|HOST[:PORT]  join the room of CODE on the server, or the battle hosted at HOST\n"
      "  --help, -h           print this help and end\n";
constexpr int mostRounds = 1000;

struct Options {
    bool autoplay = false;
    // The player the bot plays alone (1 or 2); 0: both.
    int autoplayOnly = 0;
    bool help = false;
    bool exitAtEnd = false;
    int rounds = 1;
    double rate = 1.0;
    std::optional<SongChoice> song;
    std::optional<NetPlan> net;
    std::optional<std::filesystem::path> replay;
    std::optional<std::filesystem::path> saveReplay;
};

// A UDP port from 1 to 65535.
bool parsePort(const std::string& text, std::uint16_t& port)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > 65535) {
        std::fprintf(stderr, "flarevox: '%s' is not a port (1 to 65535)\n%s", text.c_str(), usage);
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

// CODE, HOST or HOST:PORT (the default port without one).
bool parseJoin(const std::string& text, NetPlan& plan)
{
    if (net::RoomCode code{}; net::parseRoomCode(text, code))
        plan.roomCode = code;
    const auto colon = text.rfind(':');
    plan.hostName = text.substr(0, colon);
    plan.port = net::defaultPort;
    if (plan.hostName.empty()) {
        std::fprintf(stderr, "flarevox: --join needs a host\n%s", usage);
        return false;
    }
    return colon == std::string::npos || parsePort(text.substr(colon + 1), plan.port);
}

// The music rate: a number, clamped to 0.5..2.0 and rounded to a step of
// 0.05 with a line saying so.
bool parseRate(const std::string& text, double& rate)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value)) {
        std::fprintf(stderr, "flarevox: --rate takes a number from 0.5 to 2.0, not '%s'\n%s", text.c_str(), usage);
        return false;
    }
    rate = SoundManager::validRate(value);
    if (rate != value)
        std::fprintf(stderr, "flarevox: --rate %s is not one of 0.5 to 2.0 in steps of 0.05; playing at %.2f\n",
                     text.c_str(), rate);
    return true;
}

// An option's value: the next argument, which must be there.
bool takeValue(int argc, char** argv, int& i, std::string& value)
{
    if (i + 1 >= argc) {
        std::fprintf(stderr, "flarevox: option '%s' needs a value\n%s", argv[i], usage);
        return false;
    }
    value = argv[++i];
    return true;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    std::string folder;
    std::string difficulty;
    std::optional<std::string> difficulty2;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return true;
        } else if (argument == "--autoplay") {
            options.autoplay = true;
            if (i + 1 < argc && (std::string_view(argv[i + 1]) == "1" || std::string_view(argv[i + 1]) == "2"))
                options.autoplayOnly = argv[++i][0] - '0';
        } else if (argument == "--exit-at-end") {
            options.exitAtEnd = true;
        } else if (argument == "--song") {
            if (!takeValue(argc, argv, i, folder))
                return false;
        } else if (argument == "--difficulty") {
            if (!takeValue(argc, argv, i, difficulty))
                return false;
        } else if (argument == "--rounds") {
            std::string count;
            if (!takeValue(argc, argv, i, count))
                return false;
            char* end = nullptr;
            const long value = std::strtol(count.c_str(), &end, 10);
            if (count.empty() || *end != '\0' || value < 1 || value > mostRounds) {
                std::fprintf(stderr, "flarevox: --rounds takes a number from 1 to %d\n%s", mostRounds, usage);
                return false;
            }
            options.rounds = static_cast<int>(value);
        } else if (argument == "--rate") {
            std::string rate;
            if (!takeValue(argc, argv, i, rate) || !parseRate(rate, options.rate))
                return false;
        } else if (argument == "--host") {
            NetPlan& plan = options.net.emplace(NetPlan{true, {}, net::defaultPort});
            if (i + 1 < argc && argv[i + 1][0] != '-' && !parsePort(argv[++i], plan.port))
                return false;
        } else if (argument == "--join") {
            std::string address;
            if (!takeValue(argc, argv, i, address) || !parseJoin(address, options.net.emplace()))
                return false;
        } else if (argument == "--replay" || argument == "--save-replay") {
            std::string file;
            if (!takeValue(argc, argv, i, file))
                return false;
            (argument == "--replay" ? options.replay : options.saveReplay) = file;
        } else if (argument == "--difficulty2") {
            if (!takeValue(argc, argv, i, difficulty2.emplace()))
                return false;
        } else {
            std::fprintf(stderr, "flarevox: unknown option '%s'\n%s", argv[i], usage);
            return false;
        }
    }
    if (!folder.empty())
        options.song = SongChoice{folder, {difficulty, difficulty2.value_or(difficulty)}};
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
    if (options.help) {
        std::printf("%s%s", usage, optionsHelp);
        return 0;
    }
    Match::setSongChoice(options.song);
    Match::setNetPlan(options.net);
    Match::setStartRate(options.rate);
    ReplayShelf::setStartFile(options.replay);
    ReplayShelf::setSaveFile(options.saveReplay);
    if (options.autoplay)
        Match::setBotPlayers({options.autoplayOnly != 2, options.autoplayOnly != 1});

    // Observers run after each frame's drawing: the bot queues the next
    // frame's keys, the capture reads the picture, the simulated clock moves on.
    std::vector<Application::FrameObserver> observers;
    if (options.autoplay)
        // Across two machines each bot plays its own player on time.
        observers.push_back(
            AutoplayBot(options.exitAtEnd, autoplaySeed, options.rounds, !options.net, options.autoplayOnly));
    // A host that gave up on a silent guest ends too.
    if (options.exitAtEnd && options.net)
        observers.push_back([](WindowRecord& record, MainLoop& loop) {
            if (const NetBattle* net = loop.getMatch().getNetBattle(); net && net->guestsGivenUp() > 0)
                Application::requestQuit(record);
        });
    if (options.replay && options.exitAtEnd)
        observers.push_back([](WindowRecord& record, MainLoop& mainLoop) {
            if (mainLoop.getMatch().replayFileDone(platform::SystemClock::tickCount()))
                Application::requestQuit(record);
        });
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
    const int ended = application.run();
    // A replay given at start-up that could not be played is a failure.
    return ended == 0 && ReplayShelf::startFileRefused() ? 1 : ended;
}
