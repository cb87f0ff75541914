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
    incoming = {};
    replacing = rescan;
    lastHanded = 0;
    firstUpdate = true;
    scanner = std::make_unique<library::LibraryScanner>(
        library::SongLibrary::roots(std::getenv(library::SongLibrary::songDirsVariable)), library::SongCache::fileName);
}

// Nothing is handed over, nor logged, before the first picture is on the screen.
bool LibraryFeed::update(library::SongSelection& selection, std::uint32_t tick)
{
    if (!scanner || std::exchange(firstUpdate, false))
        return false;
    logLines();
    const bool over = scanner->progress().finished;
    gather();
    if (over) {
        end(selection);
        return true;
    }
    if (replacing)
        return false;
    const std::size_t fromCache = incoming.fromCache.size();
    if (fromCache > 0 || tick - lastHanded >= addEveryMs) {
        hand(selection);
        lastHanded = tick;
    }
    if (fromCache > 0)
        OutputHandler::log(OutputHandler::find(), "Song library: %zu songs listed from the song cache",
                           selection.songCount());
    return false;
}

void LibraryFeed::finish(library::SongSelection& selection)
{
    if (!scanner)
        return;
    scanner->waitUntilFinished();
    gather();
    logLines();
    end(selection);
}

void LibraryFeed::gather()
{
    library::LibraryScanner::Batch batch = scanner->take();
    const auto append = [](auto& to, auto& from) { std::move(from.begin(), from.end(), std::back_inserter(to)); };
    append(incoming.fromCache, batch.fromCache);
    append(incoming.readAnew, batch.readAnew);
    append(incoming.dropped, batch.dropped);
}

// Songs that no longer stand go before the songs found are added: a changed
// song comes again among them.
void LibraryFeed::hand(library::SongSelection& selection)
{
    selection.removeFolders(incoming.dropped);
    selection.add(library::LibraryScanner::merged(std::exchange(incoming, {})));
}

// The reading's end: the last songs to the panel, and the count.
void LibraryFeed::end(library::SongSelection& selection)
{
    const library::LibraryScanner::Progress progress = scanner->progress();
    if (replacing)
        selection.replaceLibrary(library::LibraryScanner::merged(std::exchange(incoming, {})));
    else
        hand(selection);
    scanner.reset();
    selection.compact();
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
