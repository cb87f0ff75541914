#include "library/SongLibrary.h"

#include "chart/ChartFile.h"
#include "chart/MsdValues.h"
#include "chart/SongFolder.h"
#include "library/SongEntryReader.h"

#include <algorithm>
#include <cstdlib>
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
    for (const fs::directory_iterator end; !error && it != end && ++seen <= maxFolderEntries; it.increment(error)) {
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

class Walk {
public:
    explicit Walk(LibraryScan& result) : result(result) {}

    void root(const fs::path& root)
    {
        std::error_code error;
        if (!fs::exists(root, error) && !error)
            return;
        const Listing top = listFolder(root);
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
        const Listing listing = listFolder(folder.path());
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
        const Listing listing = listFolder(folder.path());
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
    void song(const fs::path& folder, const std::string& pack, const std::string& name, const fs::path& canonical)
    {
        if (!names.insert(name).second || !folders.insert(canonical).second)
            return;
        std::string reason;
        std::optional<SongEntry> entry = SongEntryReader::read(folder, reason, currentRoot);
        if (!entry) {
            skip(folder, reason);
            return;
        }
        for (const std::string& warning : entry->warnings)
            result.warnings.push_back(chart::MsdValues::utf8("Song library: '" + folder.string() + "': " + warning));
        entry->pack = chart::MsdValues::utf8(pack);
        result.songs.push_back(std::move(*entry));
    }

    void skip(const fs::path& folder, const std::string& reason)
    {
        result.skipped.push_back(chart::MsdValues::utf8("Song library: left out '" + folder.string() + "': " + reason));
    }

    LibraryScan& result;
    fs::path currentRoot;
    std::set<std::string> names;
    std::set<fs::path> folders;
};

bool listedBefore(const SongEntry& a, const SongEntry& b)
{
    using chart::MsdValues;
    return std::forward_as_tuple(MsdValues::lower(a.pack), MsdValues::lower(a.title), a.folder)
        < std::forward_as_tuple(MsdValues::lower(b.pack), MsdValues::lower(b.title), b.folder);
}

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

LibraryScan SongLibrary::scan(const std::vector<fs::path>& roots)
{
    LibraryScan result;
    Walk walk(result);
    for (const fs::path& root : roots)
        walk.root(root);
    std::sort(result.songs.begin(), result.songs.end(), listedBefore);
    return result;
}

LibraryScan SongLibrary::scanDefault()
{
    return scan(roots(std::getenv(songDirsVariable)));
}

} // namespace library
