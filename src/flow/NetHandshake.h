#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace chart {
struct Song;
}
namespace library {
class SongSelection;
}
namespace net {
class NetSession;
struct SongAnswer;
struct SongOffer;
}
class Match;

// How two machines agree on the song and its start. The host offers the
// panel's song by its chart's hash; the guest plays its own copy of that
// song when it has it, with its own chart of it, and answers; the host then
// names a moment at least a second ahead, and both start the song then.
class NetHandshake {
public:
    // `notice` is the battle's line under the current screen.
    NetHandshake(Match& match, net::NetSession& session, bool hosting, std::string& notice);
    ~NetHandshake();
    NetHandshake(const NetHandshake&) = delete;
    NetHandshake& operator=(const NetHandshake&) = delete;

    // The host's slot key on the story screen: offers the panel's song,
    // unless an offer waits or a song runs or is due.
    void offerSong(const library::SongSelection& selection, bool songRunning);
    // The guest: the host's offer, answered from the song cache. While a
    // song answered yes waits for its start, further offers are dropped
    // (one line says how many), so that a flood of offers costs no reads.
    void answer(const net::SongOffer& offer);
    // The host: the guest's answer.
    void onAnswer(const net::SongAnswer& answer);
    // Starts the song on the first frame at or after the named moment, the
    // music from as far in as the moment has passed; true on that frame.
    bool startWhenDue(std::uint32_t tick);
    // The folder of the song agreed on last, as this machine's library
    // names it (empty for the game's own song).
    const std::string& playedFolder() const { return agreedFolder; }

private:
    Match& match;
    net::NetSession& session;
    const bool hosting;
    std::string& notice;
    // The host's offered song, waiting for the guest's answer; null for
    // the game's own song.
    bool offerPending = false;
    std::unique_ptr<chart::Song> offeredSong;
    std::size_t offeredChart = 0;
    std::string offeredFolder;
    std::string agreedFolder;
    // The guest: when the last offer answered yes stops waiting for its
    // start, and how many offers came meanwhile.
    std::optional<std::int64_t> answeredUntilUs;
    std::uint32_t offersDropped = 0;
};
