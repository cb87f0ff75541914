#include "net/MessageCodec.h"

#include <algorithm>
#include <type_traits>

namespace net {
namespace {

constexpr const char* truncatedText = "the message ends early";

class Writer {
public:
    template <typename T>
    void put(T value)
    {
        using Unsigned = std::make_unsigned_t<T>;
        auto bits = static_cast<Unsigned>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            bytes.push_back(static_cast<std::uint8_t>(bits & 0xFFu));
            bits = static_cast<Unsigned>(bits >> 8);
        }
    }
    void putBytes(std::span<const std::uint8_t> data) { bytes.insert(bytes.end(), data.begin(), data.end()); }

    std::vector<std::uint8_t> bytes;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    template <typename T>
    bool get(T& value)
    {
        using Unsigned = std::make_unsigned_t<T>;
        if (bytes.size() - position < sizeof(T))
            return false;
        Unsigned bits = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bits = static_cast<Unsigned>(bits | static_cast<Unsigned>(Unsigned{bytes[position + i]} << (8 * i)));
        position += sizeof(T);
        value = static_cast<T>(bits);
        return true;
    }
    bool getBytes(std::span<std::uint8_t> out)
    {
        if (bytes.size() - position < out.size())
            return false;
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(position), out.size(), out.begin());
        position += out.size();
        return true;
    }
    template <typename... T>
    bool getAll(T&... values)
    {
        return (get(values) && ...);
    }
    bool atEnd() const { return position == bytes.size(); }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

template <typename T>
bool within(T value, std::int64_t low, std::int64_t high)
{
    return static_cast<std::int64_t>(value) >= low && static_cast<std::int64_t>(value) <= high;
}

std::string outOfRange(const char* field, long long value)
{
    return std::string(field) + " " + std::to_string(value) + " is out of range";
}

// Every field's problem, so that the line names all of them, not only the first.
class Problems {
public:
    Problems& add(const std::string& problem)
    {
        if (!problem.empty())
            text += (text.empty() ? "" : "; ") + problem;
        return *this;
    }
    Problems& check(bool holds, const char* field, long long value)
    {
        return holds ? *this : add(outOfRange(field, value));
    }
    std::string take() { return std::move(text); }

private:
    std::string text;
};

// Each message type's fields: written by put(), read and checked by take(),
// which returns why the fields are refused (empty when they are fine).
void put(Writer& out, const Hello& m)
{
    out.put(m.version);
    out.put(static_cast<std::uint8_t>(m.name.size()));
    out.putBytes({reinterpret_cast<const std::uint8_t*>(m.name.data()), m.name.size()});
}

std::string take(Reader& in, Hello& m)
{
    if (!in.get(m.version))
        return truncatedText;
    // A peer of another version is told so; how it lays out the rest is its own affair.
    if (m.version != protocolVersion)
        return {};
    std::uint8_t length = 0;
    if (!in.get(length))
        return truncatedText;
    if (length > maxNameBytes)
        return outOfRange("name length", length);
    std::array<std::uint8_t, maxNameBytes> name{};
    if (!in.getBytes({name.data(), length}))
        return truncatedText;
    for (std::size_t i = 0; i < length; ++i)
        if (name[i] < 0x20 || name[i] == 0x7F)
            return "the name holds a control character";
    m.name.assign(name.begin(), name.begin() + length);
    return {};
}

std::string checkChart(std::uint8_t difficulty, std::uint8_t chartIndex)
{
    return Problems()
        .check(difficulty < difficultyCount, "difficulty", difficulty)
        .check(chartIndex <= maxChartIndex, "chart index", chartIndex)
        .take();
}

void put(Writer& out, const SongOffer& m)
{
    out.putBytes(m.songHash);
    out.put(m.difficulty);
    out.put(m.chartIndex);
    out.put(m.rateSteps);
}

std::string take(Reader& in, SongOffer& m)
{
    if (!in.getBytes(m.songHash) || !in.getAll(m.difficulty, m.chartIndex, m.rateSteps))
        return truncatedText;
    if (m.rateSteps < minRateSteps || m.rateSteps > maxRateSteps)
        return outOfRange("music rate", m.rateSteps);
    return checkChart(m.difficulty, m.chartIndex);
}

void put(Writer& out, const SongAnswer& m)
{
    out.putBytes(m.songHash);
    out.put(static_cast<std::uint8_t>(m.hasSong));
    out.put(m.difficulty);
    out.put(m.chartIndex);
}

std::string take(Reader& in, SongAnswer& m)
{
    std::uint8_t hasSong = 0;
    if (!in.getBytes(m.songHash) || !in.getAll(hasSong, m.difficulty, m.chartIndex))
        return truncatedText;
    m.hasSong = hasSong == 1;
    return Problems().check(hasSong <= 1, "song flag", hasSong).add(checkChart(m.difficulty, m.chartIndex)).take();
}

void put(Writer&, const Ready&) {}

std::string take(Reader&, Ready&)
{
    return {};
}

std::string checkClock(const char* field, std::int64_t us)
{
    return within(us, 0, maxClockUs) ? std::string() : outOfRange(field, us);
}

void put(Writer& out, const Ping& m)
{
    out.put(m.id);
    out.put(m.sentUs);
}

std::string take(Reader& in, Ping& m)
{
    if (!in.getAll(m.id, m.sentUs))
        return truncatedText;
    return checkClock("ping time", m.sentUs);
}

void put(Writer& out, const Pong& m)
{
    out.put(m.id);
    out.put(m.pingSentUs);
    out.put(m.receivedUs);
    out.put(m.repliedUs);
}

std::string take(Reader& in, Pong& m)
{
    if (!in.getAll(m.id, m.pingSentUs, m.receivedUs, m.repliedUs))
        return truncatedText;
    Problems problems;
    for (const auto& [field, us] : {std::pair{"ping time", m.pingSentUs}, std::pair{"receive time", m.receivedUs},
             std::pair{"reply time", m.repliedUs}})
        problems.add(checkClock(field, us));
    if (m.repliedUs < m.receivedUs)
        problems.add("the reply comes before the ping arrived");
    return problems.take();
}

void put(Writer& out, const StartAt& m)
{
    out.put(m.startUs);
}

std::string take(Reader& in, StartAt& m)
{
    if (!in.get(m.startUs))
        return truncatedText;
    return checkClock("start time", m.startUs);
}

void put(Writer& out, const Judgement& m)
{
    out.put(m.player);
    out.put(m.lane);
    out.put(m.noteIndex);
    out.put(m.word);
    out.put(m.pointsAfter);
}

std::string take(Reader& in, Judgement& m)
{
    if (!in.getAll(m.player, m.lane, m.noteIndex, m.word, m.pointsAfter))
        return truncatedText;
    return Problems()
        .check(within(m.player, 1, 2), "player", m.player)
        .check(m.lane < laneCount, "lane", m.lane)
        .check(m.noteIndex <= maxNoteIndex, "note index", m.noteIndex)
        .check(m.word < judgementWords.size(), "word", m.word)
        .check(within(m.pointsAfter, -maxPoints, maxPoints), "points", m.pointsAfter)
        .take();
}

std::string checkSongTime(const char* field, std::int32_t ms)
{
    return within(ms, minSongTimeMs, maxSongTimeMs) ? std::string() : outOfRange(field, ms);
}

void put(Writer& out, const MissileLaunched& m)
{
    out.put(m.missile);
    out.put(m.slot);
    out.put(m.lane);
    out.put(m.songTimeMs);
}

std::string take(Reader& in, MissileLaunched& m)
{
    if (!in.getAll(m.missile, m.slot, m.lane, m.songTimeMs))
        return truncatedText;
    return Problems()
        .check(m.slot < slotCount, "slot", m.slot)
        .check(m.lane < laneCount, "lane", m.lane)
        .add(checkSongTime("launch time", m.songTimeMs))
        .take();
}

void put(Writer& out, const MissileOutcome& m)
{
    out.put(m.missile);
    out.put(static_cast<std::uint8_t>(m.fate));
    out.put(m.blockStartMs);
    out.put(m.blockEndMs);
}

std::string take(Reader& in, MissileOutcome& m)
{
    std::uint8_t fate = 0;
    if (!in.getAll(m.missile, fate, m.blockStartMs, m.blockEndMs))
        return truncatedText;
    m.fate = static_cast<MissileFate>(fate);
    Problems problems;
    problems.check(fate <= static_cast<std::uint8_t>(MissileFate::Spent), "fate", fate)
        .add(checkSongTime("block start", m.blockStartMs))
        .add(checkSongTime("block end", m.blockEndMs));
    const std::int64_t spanMs = std::int64_t{m.blockEndMs} - m.blockStartMs;
    if (spanMs < 0 || spanMs > maxBlockMs)
        problems.add("the block's span is out of range");
    return problems.take();
}

void put(Writer& out, const PointsState& m)
{
    out.put(m.points);
    out.put(m.thresholdsAwarded);
    out.put(m.missilesInStore);
}

std::string take(Reader& in, PointsState& m)
{
    if (!in.getAll(m.points, m.thresholdsAwarded, m.missilesInStore))
        return truncatedText;
    return Problems()
        .check(within(m.points, -maxPoints, maxPoints), "points", m.points)
        .check(m.thresholdsAwarded <= maxThresholdBits, "thresholds", m.thresholdsAwarded)
        .check(m.missilesInStore <= maxSlotBits, "missiles in store", m.missilesInStore)
        .take();
}

void put(Writer& out, const SongEnd& m)
{
    out.put(m.points);
    for (const std::uint16_t count : m.words)
        out.put(count);
    out.put(m.holdsOk);
    out.put(m.holdsNg);
    out.put(m.minesHit);
}

std::string take(Reader& in, SongEnd& m)
{
    if (!in.get(m.points))
        return truncatedText;
    for (std::uint16_t& count : m.words)
        if (!in.get(count))
            return truncatedText;
    if (!in.getAll(m.holdsOk, m.holdsNg, m.minesHit))
        return truncatedText;
    if (!within(m.points, -maxPoints, maxPoints))
        return outOfRange("points", m.points);
    return {};
}

void put(Writer& out, const Goodbye& m)
{
    out.put(static_cast<std::uint8_t>(m.reason));
}

std::string take(Reader& in, Goodbye& m)
{
    std::uint8_t reason = 0;
    if (!in.get(reason))
        return truncatedText;
    if (reason > static_cast<std::uint8_t>(GoodbyeReason::Busy))
        return outOfRange("reason", reason);
    m.reason = static_cast<GoodbyeReason>(reason);
    return {};
}

// Makes the message alternative of a wire type, which is its index plus one.
template <std::size_t Index = 0>
bool emplaceType(std::uint8_t type, Message& message)
{
    if constexpr (Index < std::variant_size_v<Message>) {
        if (type == Index + 1) {
            message.emplace<Index>();
            return true;
        }
        return emplaceType<Index + 1>(type, message);
    }
    return false;
}

DecodeResult refuse(DropKind kind, std::string reason)
{
    DecodeResult result;
    result.kind = kind;
    result.reason = std::move(reason);
    return result;
}

} // namespace

const char* dropKindName(DropKind kind)
{
    switch (kind) {
    case DropKind::Malformed: return "malformed";
    case DropKind::Oversized: return "oversized";
    case DropKind::UnknownType: return "unknown type";
    case DropKind::Duplicate: return "duplicate or out of order";
    case DropKind::Flood: return "flood";
    case DropKind::Count: break;
    }
    return "?";
}

std::vector<std::uint8_t> MessageCodec::encode(const Envelope& envelope)
{
    Writer out;
    out.put(static_cast<std::uint8_t>(typeOf(envelope.message)));
    out.put(envelope.sequence);
    std::visit([&out](const auto& message) { put(out, message); }, envelope.message);
    return std::move(out.bytes);
}

DecodeResult MessageCodec::decode(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > maxMessageBytes)
        return refuse(DropKind::Oversized, std::to_string(bytes.size()) + " bytes, more than " +
                std::to_string(maxMessageBytes));
    Reader in(bytes);
    std::uint8_t type = 0;
    DecodeResult result;
    if (!in.getAll(type, result.envelope.sequence))
        return refuse(DropKind::Malformed, "a packet of " + std::to_string(bytes.size()) + " bytes has no header");
    if (!emplaceType(type, result.envelope.message))
        return refuse(DropKind::UnknownType, "type " + std::to_string(type));
    if (result.envelope.sequence == 0)
        return refuse(DropKind::Malformed, "sequence number 0");
    std::string problem =
        std::visit([&in](auto& message) { return take(in, message); }, result.envelope.message);
    const auto* hello = std::get_if<Hello>(&result.envelope.message);
    const bool foreignHello = hello && hello->version != protocolVersion;
    if (problem.empty() && !in.atEnd() && !foreignHello)
        problem = "bytes after the last field";
    if (!problem.empty())
        return refuse(DropKind::Malformed, "type " + std::to_string(type) + ": " + problem);
    result.ok = true;
    return result;
}

} // namespace net
