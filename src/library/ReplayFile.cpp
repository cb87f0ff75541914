#include "library/ReplayFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>

namespace library {

namespace {

constexpr std::array<char, 8> magic{'F', 'L', 'V', 'X', 'R', 'P', 'L', 'Y'};
constexpr std::size_t headerBytes = magic.size() + 2 + 4;
constexpr std::size_t checkBytes = 4;
constexpr std::size_t maxTextBytes = 256;

std::uint32_t crc32(std::span<const std::uint8_t> bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> built{};
        for (std::uint32_t n = 0; n < built.size(); ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            built[n] = c;
        }
        return built;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

class Writer {
public:
    void fixed(std::uint64_t value, int bytes)
    {
        for (int index = 0; index < bytes; ++index)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * index)));
    }
    void varint(std::uint64_t value)
    {
        while (value >= 0x80) {
            out.push_back(static_cast<std::uint8_t>(value | 0x80));
            value >>= 7;
        }
        out.push_back(static_cast<std::uint8_t>(value));
    }
    void real(double value) { fixed(std::bit_cast<std::uint64_t>(value), 8); }
    void text(const std::string& value)
    {
        const std::size_t length = std::min(value.size(), maxTextBytes);
        varint(length);
        out.insert(out.end(), value.begin(), value.begin() + static_cast<std::ptrdiff_t>(length));
    }
    // A song time as the step from the one before.
    void time(std::int64_t songUs, std::int64_t& previous)
    {
        varint(static_cast<std::uint64_t>(std::max<std::int64_t>(songUs - previous, 0)));
        previous = std::max(songUs, previous);
    }

    std::vector<std::uint8_t> out;
};

// Every read past the end sets `failed` and gives zero.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    std::uint64_t fixed(int count)
    {
        if (bytes.size() - at < static_cast<std::size_t>(count)) {
            failed = true;
            return 0;
        }
        std::uint64_t value = 0;
        for (int index = 0; index < count; ++index)
            value |= std::uint64_t{bytes[at++]} << (8 * index);
        return value;
    }
    std::uint64_t varint()
    {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at >= bytes.size()) {
                failed = true;
                return 0;
            }
            const std::uint8_t byte = bytes[at++];
            value |= std::uint64_t{byte & 0x7Fu} << shift;
            // Each value has one spelling: no empty last byte, no bits past 64.
            if ((byte == 0 && shift > 0) || (shift == 63 && byte > 1))
                break;
            if (!(byte & 0x80))
                return value;
        }
        failed = true;
        return 0;
    }
    double real() { return std::bit_cast<double>(fixed(8)); }
    std::string text()
    {
        const std::uint64_t length = varint();
        if (length > maxTextBytes || length > bytes.size() - at) {
            failed = true;
            return {};
        }
        std::string value(reinterpret_cast<const char*>(bytes.data() + at), static_cast<std::size_t>(length));
        at += static_cast<std::size_t>(length);
        return value;
    }
    std::uint32_t varint32()
    {
        const std::uint64_t value = varint();
        if (value > UINT32_MAX)
            failed = true;
        return static_cast<std::uint32_t>(value);
    }
    std::int64_t time(std::int64_t& previous)
    {
        const std::uint64_t step = varint();
        if (step > static_cast<std::uint64_t>(ReplayFile::maxSongUs + ReplayFile::leadInUs + ReplayFile::tailUs))
            failed = true;
        else
            previous += static_cast<std::int64_t>(step);
        return previous;
    }
    // A count of items of at least `itemBytes` each that the rest can hold.
    std::size_t count(std::size_t itemBytes)
    {
        const std::uint64_t value = varint();
        if (value > (bytes.size() - at) / itemBytes) {
            failed = true;
            return 0;
        }
        return static_cast<std::size_t>(value);
    }
    bool atEnd() const { return at == bytes.size(); }

    bool failed = false;

private:
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

void writeBody(Writer& body, const RecordedRound& round)
{
    body.varint(round.seed);
    body.real(round.rate);
    body.varint(static_cast<std::uint64_t>(std::max<std::int64_t>(round.songLengthUs, 0)));
    body.text(round.song);
    for (const PlayerRound& player : round.players) {
        body.text(player.name);
        body.text(player.chartHash);
        body.text(player.chart);
        body.real(player.speed);
        body.varint(player.inputs.size());
        std::int64_t previous = -ReplayFile::leadInUs;
        for (const RoundInput& input : player.inputs) {
            body.time(input.songUs, previous);
            body.fixed((input.lane & 7u) | (input.release ? 8u : 0u) | ((input.hit & 7u) << 4), 1);
            body.varint(input.readAfterMs);
        }
    }
    body.varint(round.missiles.size());
    std::int64_t previous = -ReplayFile::leadInUs;
    for (const RoundMissile& missile : round.missiles) {
        body.time(missile.songUs, previous);
        body.fixed(((missile.player - 1u) & 1u) | ((missile.lane & 3u) << 1) | ((missile.kind & 3u) << 3), 1);
        body.varint(missile.blockMs);
    }
    body.fixed(round.localPlayer, 1);
    body.varint(round.remote.size());
    previous = -ReplayFile::leadInUs;
    for (const RemoteEvent& event : round.remote) {
        body.time(event.songUs, previous);
        body.fixed((event.kind & 1u) | ((event.lane & 3u) << 1) | ((event.word & 7u) << 3), 1);
        body.varint(event.kind == RemoteEvent::Points ? event.points : event.arrowNumber);
    }
}

// What the other machine told of its player (version 3 on).
bool readRemote(Reader& body, RecordedRound& round)
{
    round.localPlayer = static_cast<std::uint8_t>(body.fixed(1));
    round.remote.resize(body.count(2));
    std::int64_t previous = -ReplayFile::leadInUs;
    for (RemoteEvent& event : round.remote) {
        event.songUs = body.time(previous);
        const auto packed = static_cast<std::uint8_t>(body.fixed(1));
        event.kind = static_cast<RemoteEvent::Kind>(packed & 1u);
        event.lane = (packed >> 1) & 3u;
        event.word = (packed >> 3) & 7u;
        (event.kind == RemoteEvent::Points ? event.points : event.arrowNumber) = body.varint32();
        if ((packed >> 6) != 0 || (event.kind == RemoteEvent::Points && (event.lane != 0 || event.word != 0)))
            return false;
    }
    return true;
}

bool readBody(Reader& body, RecordedRound& round, std::uint16_t fileVersion)
{
    round.blocksKept = fileVersion >= 3;
    round.seed = body.varint32();
    round.rate = body.real();
    round.songLengthUs = static_cast<std::int64_t>(std::min<std::uint64_t>(body.varint(), ReplayFile::maxSongUs + 1));
    round.song = body.text();
    for (PlayerRound& player : round.players) {
        player.name = body.text();
        player.chartHash = body.text();
        player.chart = body.text();
        player.speed = body.real();
        player.inputs.resize(body.count(2));
        std::int64_t previous = -ReplayFile::leadInUs;
        for (RoundInput& input : player.inputs) {
            input.songUs = body.time(previous);
            const auto packed = static_cast<std::uint8_t>(body.fixed(1));
            input.lane = packed & 7u;
            input.release = (packed & 8u) != 0;
            input.hit = packed >> 4;
            // Presses in a blocked lane are kept from version 3 on.
            body.failed = body.failed || (fileVersion < 3 && input.hit == RoundInput::Blocked);
            if (fileVersion >= 2) {
                const std::uint32_t readAfter = body.varint32();
                body.failed = body.failed || readAfter > UINT16_MAX;
                input.readAfterMs = static_cast<std::uint16_t>(readAfter);
            }
        }
    }
    round.missiles.resize(body.count(3));
    std::int64_t previous = -ReplayFile::leadInUs;
    for (RoundMissile& missile : round.missiles) {
        missile.songUs = body.time(previous);
        const auto packed = static_cast<std::uint8_t>(body.fixed(1));
        missile.player = static_cast<std::uint8_t>((packed & 1u) + 1);
        missile.lane = (packed >> 1) & 3u;
        missile.kind = static_cast<RoundMissile::Kind>((packed >> 3) & 3u);
        missile.blockMs = body.varint32();
        if ((packed >> 5) != 0 || missile.kind >= RoundMissile::kindCount)
            return false;
    }
    if (fileVersion >= 3 && !readRemote(body, round))
        return false;
    return !body.failed && body.atEnd();
}

// The most presses (releases aside) of the inputs within any one second.
std::size_t busiestSecond(const std::vector<RoundInput>& inputs)
{
    std::deque<std::int64_t> window;
    std::size_t most = 0;
    for (const RoundInput& input : inputs) {
        if (input.release)
            continue;
        window.push_back(input.songUs);
        while (window.front() <= input.songUs - 1'000'000)
            window.pop_front();
        most = std::max(most, window.size());
    }
    return most;
}

} // namespace

std::vector<std::uint8_t> ReplayFile::write(const RecordedRound& round)
{
    Writer body;
    writeBody(body, round);
    Writer file;
    file.out.assign(magic.begin(), magic.end());
    file.fixed(version, 2);
    file.fixed(body.out.size(), 4);
    file.out.insert(file.out.end(), body.out.begin(), body.out.end());
    file.fixed(crc32(file.out), 4);
    return std::move(file.out);
}

ReplayFile::ReadResult ReplayFile::read(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < magic.size() || !std::equal(magic.begin(), magic.end(), bytes.begin()))
        return {std::nullopt, "not a replay file"};
    Reader header(bytes.subspan(magic.size()));
    const auto fileVersion = static_cast<std::uint16_t>(header.fixed(2));
    const std::uint64_t bodyBytes = header.fixed(4);
    if (header.failed)
        return {std::nullopt, "truncated (" + std::to_string(bytes.size()) + " bytes, not even its header)"};
    if (fileVersion > version)
        return {std::nullopt, "made by a newer version of the game (replay version " + std::to_string(fileVersion) + ")"};
    if (fileVersion == 0)
        return {std::nullopt, "garbled (replay version 0)"};
    const std::uint64_t whole = headerBytes + bodyBytes + checkBytes;
    if (bytes.size() < whole)
        return {std::nullopt, "truncated (" + std::to_string(bytes.size()) + " of " + std::to_string(whole) + " bytes)"};
    if (bytes.size() > whole)
        return {std::nullopt, "garbled (" + std::to_string(bytes.size() - whole) + " bytes past its end)"};
    Reader check(bytes.subspan(whole - checkBytes));
    if (check.fixed(4) != crc32(bytes.first(whole - checkBytes)))
        return {std::nullopt, "garbled (its check sum does not match)"};
    RecordedRound round;
    Reader body(bytes.subspan(headerBytes, bodyBytes));
    if (!readBody(body, round, fileVersion))
        return {std::nullopt, "garbled (its contents do not fit together)"};
    if (std::string problem = implausible(round); !problem.empty())
        return {std::nullopt, problem};
    return {std::move(round), {}};
}

std::string ReplayFile::implausible(const RecordedRound& round)
{
    if (!(round.rate >= minRate && round.rate <= maxRate))
        return "an impossible music rate";
    if (round.songLengthUs <= 0 || round.songLengthUs > maxSongUs)
        return "an impossible song length";
    for (std::size_t index = 0; index < round.players.size(); ++index) {
        const PlayerRound& player = round.players[index];
        const std::string who = "player " + std::to_string(index + 1);
        if (!(player.speed > 0.0 && player.speed <= maxSpeed))
            return "an impossible speed for " + who;
        for (const RoundInput& input : player.inputs) {
            if (input.songUs > round.songLengthUs + tailUs)
                return "a press of " + who + " outside the song";
            if (input.hit >= RoundInput::hitCount)
                return "garbled (a press of " + who + " hit what no press hits)";
        }
        if (busiestSecond(player.inputs) > maxPressesPerSecond)
            return "more presses of " + who + " than a person could make";
    }
    for (const RoundMissile& missile : round.missiles) {
        if (missile.songUs > round.songLengthUs + tailUs)
            return "a missile outside the song";
    }
    return implausibleRemote(round);
}

std::string ReplayFile::implausibleRemote(const RecordedRound& round)
{
    if (round.localPlayer > 2)
        return "garbled (a machine of player " + std::to_string(round.localPlayer) + ")";
    if (round.localPlayer == 0 && !round.remote.empty())
        return "garbled (words of another machine in a round at one screen)";
    const std::string who = "player " + std::to_string(3 - round.localPlayer);
    if (round.localPlayer != 0 && !round.players[static_cast<std::size_t>(2 - round.localPlayer)].inputs.empty())
        return "presses of " + who + ", whom the other machine played";
    for (const RemoteEvent& event : round.remote) {
        if (event.songUs > round.songLengthUs + tailUs)
            return "a word of " + who + " outside the song";
    }
    return {};
}

bool ReplayFile::save(const std::filesystem::path& file, const RecordedRound& round, std::string& problem)
{
    const std::vector<std::uint8_t> bytes = write(round);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        problem = "cannot write \"" + file.string() + "\"";
        return false;
    }
    return true;
}

ReplayFile::ReadResult ReplayFile::load(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {std::nullopt, "cannot be opened"};
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
        if (bytes.size() > maxFileBytes)
            return {std::nullopt, "too large for a replay file"};
    }
    return read(bytes);
}

std::string ReplayFile::mismatch(const RecordedRound& round, const std::array<std::string, 2>& chartHashes,
                                 std::int64_t songLengthUs)
{
    for (std::size_t index = 0; index < round.players.size(); ++index) {
        const PlayerRound& player = round.players[index];
        if (!player.chartHash.empty() && player.chartHash != chartHashes[index])
            return "the chart of player " + std::to_string(index + 1) + " (" + player.chart
                + ") has changed since the round";
    }
    for (const PlayerRound& player : round.players) {
        if (!player.inputs.empty() && player.inputs.back().songUs > songLengthUs + tailUs)
            return "the song is shorter than the round";
    }
    return {};
}

} // namespace library
