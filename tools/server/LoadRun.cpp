// flarevox-server-load: the lobby server under a battle night's load on the
// loopback. Starts flarevox-server (beside this program), connects the
// games, opens a room for every pair, has half of the rooms relay a battle's
// traffic for the run time, and prints: games dropped, the time a relayed
// message takes from game to game through the server (50th, 99th
// percentile, worst), the server's CPU time and peak memory, and what the
// relay adds to one game pair's messages beside the load (RelayProbe). E.g.
//   flarevox-server-load --rooms 1000 --relayed 500 --seconds 60
#include "RelayProbe.h"

#include "net/LobbyCodec.h"
#include "platform/EnetEndpoint.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <fstream>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Endpoint = platform::EnetEndpoint;
using Clock = std::chrono::steady_clock;

constexpr std::uint16_t port = 47999;
constexpr std::size_t gamesPerEndpoint = 500;
constexpr double messagesPerSecond = 10.0; // each side of a relayed battle
constexpr std::size_t payloadBytes = 24;   // about a judgement

struct Options {
    std::size_t rooms = 1000;
    std::size_t relayed = 500;
    int seconds = 60;
};

struct Game {
    std::size_t endpoint = 0;
    Endpoint::PeerId peer = 0;
    bool connected = false;
    bool dropped = false;
    std::optional<net::RoomCode> code;
    bool told = false;
    bool relaying = false;
};

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The server's CPU seconds (user and system) and memory (kB) from /proc.
double cpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            user = std::stoull(field);
        if (index == 15) {
            system = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double percentile(const std::vector<double>& sorted, double share)
{
    return sorted.empty() ? 0.0
                          : sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(share * sorted.size()))];
}

long statusKb(pid_t pid, const char* key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::strlen(key)));
    return -1;
}

// The probe's line; false when the pair could not meet or a probe is missing.
bool printProbe(const RelayProbe::Trips& trips)
{
    if (!trips.problem.empty()) {
        std::printf("one game pair beside the load: %s\n", trips.problem.c_str());
        return false;
    }
    const auto& relayed = trips.relayedMs;
    const auto& direct = trips.directMs;
    std::printf("one game pair beside the load, %zu probes sent, %zu arrived; relayed: 50%% %.3f ms, 99%% %.3f ms; "
                "direct: 50%% %.3f ms, 99%% %.3f ms; the relay adds %.3f ms at the 99th percentile\n",
        trips.sent, relayed.size() + direct.size(), percentile(relayed, 0.5), percentile(relayed, 0.99),
        percentile(direct, 0.5), percentile(direct, 0.99), percentile(relayed, 0.99) - percentile(direct, 0.99));
    return trips.sent > 0 && relayed.size() + direct.size() == trips.sent;
}

class LoadRun {
public:
    explicit LoadRun(const Options& options) : options(options), games(options.rooms * 2) {}

    bool run(pid_t server);

private:
    bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit);
    void pump();
    void handle(std::size_t endpoint, Endpoint::Event& event);
    Game* gameOf(std::size_t endpoint, Endpoint::PeerId peer);
    void send(const Game& game, const net::LobbyMessage& message);

    Options options;
    std::vector<Game> games;
    std::vector<std::unique_ptr<Endpoint>> endpoints;
    std::vector<std::vector<Game*>> gameOfPeer; // per endpoint, by peer
    std::vector<double> latenciesMs;
};

Game* LoadRun::gameOf(std::size_t endpoint, Endpoint::PeerId peer)
{
    const auto& peers = gameOfPeer[endpoint];
    return peer < peers.size() && peers[peer] ? peers[peer] : nullptr;
}

void LoadRun::send(const Game& game, const net::LobbyMessage& message)
{
    endpoints[game.endpoint]->send(game.peer, net::LobbyCodec::encode(message));
}

void LoadRun::handle(std::size_t endpoint, Endpoint::Event& event)
{
    Game* game = gameOf(endpoint, event.peer);
    if (!game)
        return;
    if (event.kind == Endpoint::EventKind::Connected) {
        game->connected = true;
    } else if (event.kind == Endpoint::EventKind::Disconnected) {
        game->dropped = true;
    } else {
        const net::LobbyDecodeResult decoded = net::LobbyCodec::decode(event.bytes);
        if (const auto* opened = std::get_if<net::RoomOpened>(&decoded.message))
            game->code = opened->code;
        else if (std::holds_alternative<net::PeerAddress>(decoded.message))
            game->told = true;
        else if (std::holds_alternative<net::Relaying>(decoded.message))
            game->relaying = true;
        else if (const auto* relayed = std::get_if<net::Relay>(&decoded.message)) {
            std::int64_t sentNs = 0;
            std::memcpy(&sentNs, relayed->payload.data(), sizeof sentNs);
            latenciesMs.push_back(static_cast<double>(nowNs() - sentNs) / 1e6);
        }
    }
}

void LoadRun::pump()
{
    for (std::size_t index = 0; index < endpoints.size(); ++index) {
        Endpoint::Event event;
        while (endpoints[index]->poll(event))
            handle(index, event);
        endpoints[index]->flush();
    }
}

bool LoadRun::pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit)
{
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        pump();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

bool LoadRun::run(pid_t server)
{
    std::string error;
    for (std::size_t first = 0; first < games.size(); first += gamesPerEndpoint) {
        auto& endpoint = endpoints.emplace_back(std::make_unique<Endpoint>());
        if (!endpoint->open("127.0.0.1", 0, gamesPerEndpoint, 1024, error)) {
            std::fprintf(stderr, "flarevox-server-load: %s\n", error.c_str());
            return false;
        }
        auto& peers = gameOfPeer.emplace_back(gamesPerEndpoint, nullptr);
        for (std::size_t index = first; index < std::min(first + gamesPerEndpoint, games.size()); ++index) {
            games[index].endpoint = endpoints.size() - 1;
            endpoint->connect("127.0.0.1", port, games[index].peer, error);
            peers.at(games[index].peer) = &games[index];
        }
    }
    const auto all = [this](auto holds) { return std::all_of(games.begin(), games.end(), holds); };
    if (!pumpUntil([&] { return all([](const Game& g) { return g.connected; }); }, std::chrono::seconds(30))) {
        std::fprintf(stderr, "flarevox-server-load: not every game connected\n");
        return false;
    }
    for (std::size_t room = 0; room < options.rooms; ++room)
        send(games[2 * room], net::OpenRoom{});
    pumpUntil([&] {
        for (std::size_t room = 0; room < options.rooms; ++room)
            if (!games[2 * room].code)
                return false;
        return true;
    }, std::chrono::seconds(30));
    for (std::size_t room = 0; room < options.rooms; ++room)
        if (games[2 * room].code)
            send(games[2 * room + 1], net::JoinRoom{net::lobbyVersion, *games[2 * room].code});
    pumpUntil([&] { return all([](const Game& g) { return g.told; }); }, std::chrono::seconds(30));
    for (std::size_t room = 0; room < options.relayed; ++room)
        send(games[2 * room + 1], net::UseRelay{});
    pumpUntil([&] {
        for (std::size_t room = 0; room < options.relayed; ++room)
            if (!games[2 * room].relaying || !games[2 * room + 1].relaying)
                return false;
        return true;
    }, std::chrono::seconds(30));

    RelayProbe probe(port);
    probe.start();
    const double cpuBefore = cpuSeconds(server);
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(options.seconds);
    // Every relayed game sends messagesPerSecond, the games' turns spread
    // evenly over time as independent players' presses would be.
    const std::size_t senders = options.relayed * 2;
    std::size_t sent = 0;
    while (Clock::now() < end) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const auto due = static_cast<std::size_t>(elapsed * messagesPerSecond * static_cast<double>(senders));
        for (; sent < due; ++sent) {
            std::vector<std::uint8_t> payload(payloadBytes, 0);
            const std::int64_t sentNs = nowNs();
            std::memcpy(payload.data(), &sentNs, sizeof sentNs);
            send(games[sent % senders], net::Relay{std::move(payload)});
        }
        pump();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const RelayProbe::Trips trips = probe.finish();
    pumpUntil([&] { return latenciesMs.size() >= sent; }, std::chrono::seconds(5));
    const double cpu = cpuSeconds(server) - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();

    const auto dropped = std::count_if(games.begin(), games.end(), [](const Game& g) { return g.dropped; });
    std::sort(latenciesMs.begin(), latenciesMs.end());
    std::printf("games %zu, rooms %zu, relayed rooms %zu, run %.0f s\n", games.size(), options.rooms,
        options.relayed, wall);
    std::printf("games dropped: %ld\n", static_cast<long>(dropped));
    std::printf("relayed messages: %zu sent, %zu arrived\n", sent, latenciesMs.size());
    std::printf("game to game through the server: 50%% %.3f ms, 99%% %.3f ms, worst %.3f ms\n",
        percentile(latenciesMs, 0.5), percentile(latenciesMs, 0.99),
        latenciesMs.empty() ? 0.0 : latenciesMs.back());
    std::printf("server CPU: %.1f %% of one core; memory: %ld kB now, %ld kB at most\n", 100.0 * cpu / wall,
        statusKb(server, "VmRSS:"), statusKb(server, "VmHWM:"));
    const bool probed = printProbe(trips);
    return dropped == 0 && latenciesMs.size() >= sent && probed;
}

// The server's own share of a relayed message's trip, from its last line.
void printServerTime(const std::filesystem::path& serverLog)
{
    constexpr std::string_view marker = "time in the server: ";
    std::ifstream lines(serverLog);
    std::string figures;
    for (std::string line; std::getline(lines, line);)
        if (const auto at = line.find(marker); at != std::string::npos)
            figures = line.substr(at + marker.size());
    if (!figures.empty())
        std::printf("relayed messages in the server, from ENet's hand-over to the flush: %s\n", figures.c_str());
}

bool parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (key == "--rooms" && value >= 1 && value <= 2000)
            options.rooms = static_cast<std::size_t>(value);
        else if (key == "--relayed" && value >= 0)
            options.relayed = static_cast<std::size_t>(value);
        else if (key == "--seconds" && value >= 1 && value <= 3600)
            options.seconds = static_cast<int>(value);
        else
            return false;
    }
    options.relayed = std::min(options.relayed, options.rooms);
    return argc % 2 == 1;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: flarevox-server-load [--rooms N] [--relayed N] [--seconds N]\n");
        return 2;
    }
    const std::string server = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "flarevox-server");
    std::vector<std::string> words{server, "--bind", "127.0.0.1", "--port", std::to_string(port), "--max-clients",
        "4095", "--max-rooms", "100000", "--max-clients-per-address", "4095", "--max-rooms-per-address", "100000"};
    std::vector<char*> argvServer;
    for (std::string& word : words)
        argvServer.push_back(word.data());
    argvServer.push_back(nullptr);
    // The server's lines go to a file of their own: its last says how long
    // the relayed messages stayed in it.
    const std::filesystem::path serverLog
        = std::filesystem::temp_directory_path() / ("flarevox-server-load-" + std::to_string(getpid()) + ".log");
    posix_spawn_file_actions_t output;
    posix_spawn_file_actions_init(&output);
    posix_spawn_file_actions_addopen(&output, 1, serverLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const bool spawned = posix_spawn(&pid, server.c_str(), &output, nullptr, argvServer.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&output);
    if (!spawned) {
        std::fprintf(stderr, "flarevox-server-load: cannot start %s\n", server.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool met = LoadRun(options).run(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    printServerTime(serverLog);
    std::error_code ignored;
    std::filesystem::remove(serverLog, ignored);
    return met ? 0 : 1;
}
