#include "flow/LibraryFeed.h"

#include "core/OutputHandler.h"
#include "library/SongCache.h"
#include "library/SongLibrary.h"
#include "platform/HeapTrim.h"

#include <cstdlib>
#include <iterator>
#include <utility>

namespace {

// 12345 as "12,345".
std::string grouped(std::size_t number)
{
    std::string digits = std::to_string(number);
    for (auto at = static_cast<long>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

} // namespace

void LibraryFeed::start(bool rescan)
{
    scanner.reset();
    incoming.clear();
    replacing = rescan;
    lastHanded = 0;
    scanner = std::make_unique<library::LibraryScanner>(
        library::SongLibrary::roots(std::getenv(library::SongLibrary::songDirsVariable)), library::SongCache::fileName);
}

bool LibraryFeed::update(library::SongSelection& selection, std::uint32_t tick)
{
    if (!scanner)
        return false;
    logLines();
    const bool over = scanner->progress().finished;
    std::vector<library::SongEntry> found = scanner->takeSongs();
    std::move(found.begin(), found.end(), std::back_inserter(incoming));
    if (over) {
        hand(selection);
        return true;
    }
    if (!replacing && tick - lastHanded >= addEveryMs) {
        selection.add(std::exchange(incoming, {}));
        lastHanded = tick;
    }
    return false;
}

void LibraryFeed::finish(library::SongSelection& selection)
{
    if (!scanner)
        return;
    scanner->waitUntilFinished();
    std::vector<library::SongEntry> found = scanner->takeSongs();
    std::move(found.begin(), found.end(), std::back_inserter(incoming));
    logLines();
    hand(selection);
}

// The reading's end: the last songs to the panel, and the count.
void LibraryFeed::hand(library::SongSelection& selection)
{
    const library::LibraryScanner::Progress progress = scanner->progress();
    if (replacing)
        selection.replaceLibrary(std::exchange(incoming, {}));
    else
        selection.add(std::exchange(incoming, {}));
    scanner.reset();
    platform::HeapTrim::release();
    OutputHandler* log = OutputHandler::find();
    OutputHandler::log(log, "Song library: %zu of %zu song folders read from their files, the rest from the song cache",
                       progress.readAnew, progress.total);
    OutputHandler::log(log, "SongLibrary: %zu songs", selection.songCount());
}

void LibraryFeed::logLines() const
{
    OutputHandler* log = OutputHandler::find();
    for (const library::LibraryScanner::Line& line : scanner->takeLines()) {
        if (line.warning)
            OutputHandler::report(log, Warning, "%s", line.text.c_str());
        else
            OutputHandler::log(log, "%s", line.text.c_str());
    }
}

std::string LibraryFeed::progressText() const
{
    if (!scanner)
        return {};
    const library::LibraryScanner::Progress progress = scanner->progress();
    if (!progress.listed)
        return "Reading songs ...";
    return "Reading songs: " + grouped(progress.done) + " of " + grouped(progress.total);
}
