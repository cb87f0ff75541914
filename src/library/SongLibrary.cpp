#include "library/SongLibrary.h"

#include "chart/ChartFile.h"
#include "chart/MsdValues.h"
#include "chart/SongFolder.h"
#include "library/SongEntryReader.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

namespace library {

namespace fs = std::filesystem;

namespace {

// Beyond this many entries a folder is read no further.
constexpr std::size_t maxFolderEntries = 100000;

struct Listing {
    std::vector<fs::directory_entry> folders; // sorted by name
    bool hasChart = false;
    bool cut = false; // more entries than are read
    std::string error;
};

// A symbolic link whose target cannot be reached is listed as a folder, so
// that the walk reports it.
Listing listFolder(const fs::path& folder)
{
    Listing listing;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    std::size_t seen = 0;
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        if (++seen > maxFolderEntries) {
            listing.cut = true;
            break;
        }
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError);
        if (isFolder || (it->is_symlink(typeError) && !it->exists(typeError)))
            listing.folders.push_back(*it);
        else if (chart::ChartFile::formatOf(it->path()) && !chart::SongFolder::isAppleDouble(it->path()))
            listing.hasChart = true;
    }
    if (error)
        listing.error = "cannot read the folder (" + error.message() + ")";
    std::sort(listing.folders.begin(), listing.folders.end());
    return listing;
}

bool isWithin(const fs::path& inner, const fs::path& outer)
{
    const auto [outerEnd, innerEnd] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return outerEnd == outer.end();
}

std::string logLine(const fs::path& folder, const std::string& what)
{
    return chart::MsdValues::utf8("Song library: '" + folder.string() + "': " + what);
}

class Walk {
public:
    Walk(LibraryWalk& result, const SongLibrary::KnownSong& known) : result(result), known(known) {}

    void root(const fs::path& root)
    {
        std::error_code error;
        if (!fs::exists(root, error) && !error)
            return;
        const Listing top = list(root);
        if (!top.error.empty()) {
            skip(root, top.error);
            return;
        }
        const fs::path rootCanonical = fs::weakly_canonical(fs::absolute(root, error), error);
        currentRoot = root;
        for (const fs::directory_entry& folder : top.folders)
            topFolder(folder, rootCanonical);
    }

private:
    void topFolder(const fs::directory_entry& folder, const fs::path& parentCanonical)
    {
        fs::path canonical;
        if (!enter(folder, parentCanonical, canonical))
            return;
        if (known && known(folder.path())) {
            song(folder.path(), "", folder.path().filename().string(), canonical, true);
            return;
        }
        const Listing listing = list(folder.path());
        if (!listing.error.empty())
            skip(folder.path(), listing.error);
        else if (listing.hasChart)
            song(folder.path(), "", folder.path().filename().string(), canonical);
        else if (listing.folders.empty())
            skip(folder.path(), "no .ssc, .sm or .dwi file");
        else
            for (const fs::directory_entry& inner : listing.folders)
                packFolder(inner, folder.path().filename().string(), canonical);
    }

    void packFolder(const fs::directory_entry& folder, const std::string& pack, const fs::path& parentCanonical)
    {
        fs::path canonical;
        if (!enter(folder, parentCanonical, canonical))
            return;
        if (known && known(folder.path())) {
            song(folder.path(), pack, pack + "/" + folder.path().filename().string(), canonical, true);
            return;
        }
        const Listing listing = list(folder.path());
        if (!listing.error.empty())
            skip(folder.path(), listing.error);
        else if (!listing.hasChart)
            skip(folder.path(), "no .ssc, .sm or .dwi file");
        else
            song(folder.path(), pack, pack + "/" + folder.path().filename().string(), canonical);
    }

    // The folder's real path; false, with its line, for a link that leads
    // nowhere or back into the folders it sits in.
    bool enter(const fs::directory_entry& folder, const fs::path& parentCanonical, fs::path& canonical)
    {
        std::error_code error;
        if (!folder.is_symlink(error)) {
            canonical = parentCanonical / folder.path().filename();
            return true;
        }
        canonical = fs::canonical(folder.path(), error);
        if (error) {
            const char* what = error == std::errc::too_many_symbolic_link_levels ? "symbolic link loop" : "broken symbolic link";
            skip(folder.path(), std::string(what) + " (" + error.message() + ")");
            return false;
        }
        if (isWithin(parentCanonical, canonical)) {
            skip(folder.path(), "symbolic link loop (it leads back to '" + canonical.string() + "')");
            return false;
        }
        return true;
    }

    // The first root's song of a name wins; a folder reached twice through
    // links is listed once.
    void song(const fs::path& folder, const std::string& pack, const std::string& name, const fs::path& canonical,
              bool unchanged = false)
    {
        const auto [named, newName] = names.emplace(name, folder);
        if (!newName) {
            skip(folder, "the same song as '" + named->second.string() + "' of an earlier song root");
            return;
        }
        if (!folders.insert(canonical).second)
            return;
        result.folders.push_back({folder, currentRoot, pack, unchanged});
    }

    Listing list(const fs::path& folder)
    {
        Listing listing = listFolder(folder);
        if (listing.cut)
            result.skipped.push_back(logLine(folder, "more than " + std::to_string(maxFolderEntries)
                                                         + " entries; the rest are passed over"));
        return listing;
    }

    void skip(const fs::path& folder, const std::string& reason)
    {
        result.skipped.push_back(chart::MsdValues::utf8("Song library: left out '" + folder.string() + "': " + reason));
    }

    LibraryWalk& result;
    const SongLibrary::KnownSong& known;
    fs::path currentRoot;
    std::map<std::string, fs::path> names;
    std::set<fs::path> folders;
};

} // namespace

std::vector<fs::path> SongLibrary::roots(const char* songDirs)
{
    std::vector<fs::path> roots{"Songs"};
    const std::string list = songDirs ? songDirs : "";
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t colon = std::min(list.find(':', start), list.size());
        if (colon > start)
            roots.emplace_back(list.substr(start, colon - start));
        start = colon + 1;
    }
    return roots;
}

LibraryWalk SongLibrary::walk(const std::vector<fs::path>& roots, const KnownSong& known)
{
    LibraryWalk result;
    Walk walk(result, known);
    for (const fs::path& root : roots)
        walk.root(root);
    return result;
}

LibraryScan SongLibrary::scan(const std::vector<fs::path>& roots)
{
    LibraryWalk found = walk(roots);
    LibraryScan result;
    result.skipped = std::move(found.skipped);
    for (const SongCandidate& candidate : found.folders) {
        std::string line;
        if (std::optional<SongEntry> entry = read(candidate, line, result.warnings))
            result.songs.push_back(std::move(*entry));
        else
            result.skipped.push_back(std::move(line));
    }
    std::sort(result.songs.begin(), result.songs.end(), listedBefore);
    std::sort(result.skipped.begin(), result.skipped.end());
    return result;
}

std::optional<SongEntry> SongLibrary::read(const SongCandidate& candidate, std::string& skipLine,
                                           std::vector<std::string>& warnings)
{
    std::string reason;
    std::optional<SongEntry> entry = SongEntryReader::read(candidate.folder, reason, candidate.root);
    if (!entry) {
        skipLine = chart::MsdValues::utf8("Song library: left out '" + candidate.folder.string() + "': " + reason);
        return std::nullopt;
    }
    for (const std::string& warning : entry->warnings)
        warnings.push_back(logLine(candidate.folder, warning));
    entry->pack = chart::MsdValues::utf8(candidate.pack);
    return entry;
}

bool SongLibrary::listedBefore(const SongEntry& a, const SongEntry& b)
{
    using chart::MsdValues;
    return std::forward_as_tuple(MsdValues::lower(a.pack), MsdValues::lower(a.title), a.folder)
        < std::forward_as_tuple(MsdValues::lower(b.pack), MsdValues::lower(b.title), b.folder);
}

LibraryScan SongLibrary::scanDefault()
{
    return scan(roots(std::getenv(songDirsVariable)));
}

} // namespace library
