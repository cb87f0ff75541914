#include "NetworkBench.h"

#include "Stats.h"
#include "net/NetSession.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace {

constexpr std::uint16_t benchPort = 47991;
// The guest's clock runs this far ahead of the host's.
constexpr std::int64_t guestClockAheadUs = 123456789;
constexpr int framesPerSecond = 60;
constexpr int pressesPerSecond = 6;

void pump(net::NetSession& a, net::NetSession& b)
{
    a.update();
    b.update();
    while (a.receive()) {
    }
    while (b.receive()) {
    }
}

bool waitFor(net::NetSession& host, net::NetSession& guest, const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        pump(host, guest);
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

} // namespace

BenchTable NetworkBench::run() const
{
    BenchTable table;
    net::NetSession host("host");
    net::NetSession guest("guest", [] { return net::NetSession::steadyMicroseconds() + guestClockAheadUs; });
    const bool linked = host.host(benchPort, "127.0.0.1") && guest.join("127.0.0.1", benchPort)
        && waitFor(host, guest, [&] { return host.clockSynced() && guest.clockSynced(); });
    if (!linked || !guest.clockSync().best()) {
        table.add({"network", "loopback link", 0.0, "", "", 0, "the two sessions connect", "missed"});
        return table;
    }
    const double offsetErrorMs
        = std::fabs(static_cast<double>(guest.clockSync().best()->offsetUs + guestClockAheadUs)) / 1000.0;
    table.add({"network", "clock offset error on the loopback", offsetErrorMs, "ms", "", 0, "under 2 ms",
               verdict(offsetErrorMs < 2.0)});

    // A song: each side judges six presses a second and sends its points.
    const std::uint64_t sentBefore = guest.bytesSent();
    std::vector<double> frameUs;
    const int frames = static_cast<int>(songSeconds * framesPerSecond);
    std::int32_t points = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const auto frameStart = std::chrono::steady_clock::now();
        if (frame % (framesPerSecond / pressesPerSecond) == 0) {
            points += 800;
            for (net::NetSession* side : {&host, &guest}) {
                side->send(net::Judgement{static_cast<std::uint8_t>(side == &host ? 1 : 2), 0,
                                          static_cast<std::uint32_t>(frame + 1), 0, points});
                side->send(net::PointsState{points, 0, 0});
            }
        }
        const auto workStart = std::chrono::steady_clock::now();
        guest.update();
        while (guest.receive()) {
        }
        frameUs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - workStart).count());
        host.update();
        while (host.receive()) {
        }
        std::this_thread::sleep_until(frameStart + std::chrono::microseconds(1000000 / framesPerSecond));
    }
    const double bytesPerSecond = static_cast<double>(guest.bytesSent() - sentBefore) / songSeconds;
    table.add({"network", "bytes sent per second per player", bytesPerSecond, "B/s", "", 0, "", "info"});
    const double p99Ms = stats::percentile(frameUs, 99.0) / 1000.0;
    table.add({"network", "network layer per frame (p99)", p99Ms, "ms", "", 0, "under 0.5 ms", verdict(p99Ms < 0.5)});
    host.close();
    guest.close();
    return table;
}
