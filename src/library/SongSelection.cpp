#include "library/SongSelection.h"

#include "chart/MsdValues.h"
#include "library/ChartPick.h"

#include <algorithm>
#include <map>

namespace library {

namespace {

// Fields end with a line break, which no search text holds, so that no
// match runs from one field into the next.
void appendSearchText(const SongEntry& song, std::string& text)
{
    for (const std::string* field : {&song.title, &song.subtitle, &song.artist, &song.pack, &song.titleTranslit,
                                     &song.subtitleTranslit, &song.artistTranslit}) {
        text += chart::MsdValues::lower(*field);
        text += '\n';
    }
}

} // namespace

// The same folder however it is written (relative or absolute, through links).
bool SongSelection::sameFolder(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

SongSelection::SongSelection(std::vector<SongEntry> entries)
{
    add(std::move(entries));
}

void SongSelection::add(std::vector<SongEntry> found)
{
    if (found.empty())
        return;
    std::optional<Row> before = rows.empty() ? std::nullopt : std::optional(rows[current]);
    const std::string chosenPack = before && before->isPack ? packs[before->index].name : std::string();
    const std::string openName = opened ? packs[*opened].name : std::string();
    for (SongEntry& song : found) {
        std::error_code error;
        if (!song.builtIn && !folders.insert(std::filesystem::absolute(song.folder, error).lexically_normal().string()).second)
            continue;
        if (song.builtIn && !ownSong)
            ownSong = songs.size();
        keys.push_back(SongOrder::keyOf(song, wanted[0]));
        if (haystackStart.empty())
            haystackStart.push_back(0);
        appendSearchText(song, haystacks);
        haystackStart.push_back(haystacks.size());
        songs.push_back(std::move(song));
    }
    rebuildPacks();
    opened.reset();
    for (std::size_t pack = 0; pack < packs.size(); ++pack) {
        if (!openName.empty() && packs[pack].name == openName)
            opened = pack;
        if (!chosenPack.empty() && packs[pack].name == chosenPack)
            before->index = pack;
    }
    rebuild();
    keepChoice(before);
}

void SongSelection::replaceLibrary(std::vector<SongEntry> found)
{
    const SongEntry* chosen = currentSong();
    const std::optional<std::filesystem::path> folder =
        chosen && !chosen->builtIn ? std::optional(chosen->folder) : std::nullopt;
    const std::string packName = currentPack() ? currentPack()->name : std::string();
    const std::string openName = openPack() ? openPack()->name : std::string();
    const std::string query = search;
    SongSelection fresh;
    fresh.listOrder = listOrder;
    fresh.wanted = wanted;
    fresh.wantedName = wantedName;
    if (ownSong)
        found.insert(found.begin(), std::move(songs[*ownSong]));
    *this = std::move(fresh);
    add(std::move(found));
    if (!query.empty())
        setQuery(query);
    if (folder && chooseFolder(*folder))
        return;
    for (std::size_t pack = 0; pack < packs.size(); ++pack) {
        if (packs[pack].name == openName && showsPacks() && query.empty()) {
            opened = pack;
            listRows();
        }
        const auto row = std::find_if(rows.begin(), rows.end(), [pack](const Row& row) { return row.isPack && row.index == pack; });
        if (packs[pack].name == packName && row != rows.end())
            current = static_cast<std::size_t>(row - rows.begin());
    }
}

const SongEntry* SongSelection::currentSong() const
{
    if (rows.empty() || rows[current].isPack)
        return nullptr;
    return &songs[rows[current].index];
}

const SongSelection::Pack* SongSelection::currentPack() const
{
    if (rows.empty() || !rows[current].isPack)
        return nullptr;
    return &packs[rows[current].index];
}

const ChartChoice* SongSelection::chart(int player) const
{
    const SongEntry* song = currentSong();
    return song ? chartOf(*song, player) : nullptr;
}

const ChartChoice* SongSelection::chartOf(const SongEntry& song, int player) const
{
    if ((player != 1 && player != 2) || song.charts.empty())
        return nullptr;
    const auto index = static_cast<std::size_t>(player - 1);
    return &song.charts[ChartPick::pick(song.charts, wanted[index], wantedName[index])];
}

void SongSelection::stepSong(int delta)
{
    if (rows.empty())
        return;
    const auto count = static_cast<long>(rows.size());
    current = static_cast<std::size_t>(((static_cast<long>(current) + delta) % count + count) % count);
}

// From the chart the player sees, which becomes their choice.
void SongSelection::stepChart(int player, int delta)
{
    const ChartChoice* shown = chart(player);
    if (!shown)
        return;
    const auto& charts = currentSong()->charts;
    const auto at = static_cast<long>(shown - charts.data());
    const auto last = static_cast<long>(charts.size()) - 1;
    takeChart(static_cast<std::size_t>(player - 1), static_cast<std::size_t>(std::clamp(at + delta, 0L, last)));
}

void SongSelection::takeChart(std::size_t player, std::size_t chartIndex)
{
    const ChartChoice& chosen = currentSong()->charts[chartIndex];
    wanted[player] = chosen.difficulty;
    wantedName[player] = chosen.name;
    if (player == 0 && listOrder == SongOrder::ByMeter)
        for (std::size_t song = 0; song < songs.size(); ++song)
            keys[song].meter = SongOrder::keyOf(songs[song], wanted[0]).meter;
}

bool SongSelection::openChosenPack()
{
    if (rows.empty() || !rows[current].isPack)
        return false;
    opened = rows[current].index;
    listRows();
    current = 0;
    return true;
}

bool SongSelection::closePack()
{
    if (!opened)
        return false;
    const Row pack{true, *opened};
    opened.reset();
    listRows();
    keepChoice(pack);
    return true;
}

void SongSelection::setOrder(SongOrder::Order order)
{
    const std::optional<Row> before = rows.empty() ? std::nullopt : std::optional(rows[current]);
    listOrder = order;
    if (order == SongOrder::ByMeter)
        for (std::size_t song = 0; song < songs.size(); ++song)
            keys[song].meter = SongOrder::keyOf(songs[song], wanted[0]).meter;
    rebuild();
    keepChoice(before);
}

// Each letter more searches only the songs the shorter text found.
void SongSelection::setQuery(const std::string& text)
{
    const std::optional<Row> before = rows.empty() ? std::nullopt : std::optional(rows[current]);
    const std::string lowered = chart::MsdValues::lower(text);
    const bool narrower = !search.empty() && lowered.starts_with(search);
    search = lowered;
    if (narrower) {
        std::erase_if(rows, [this](const Row& row) {
            return row.isPack || haystackOf(row.index).find(search) == std::string_view::npos;
        });
        current = 0;
    } else {
        listRows();
    }
    keepChoice(before);
}

std::size_t SongSelection::reachableCount() const
{
    if (!search.empty())
        return rows.size();
    return songs.size();
}

void SongSelection::chooseAmongReachable(std::size_t pick)
{
    if (!search.empty()) {
        if (pick < rows.size())
            current = pick;
        return;
    }
    if (pick < songs.size())
        chooseSong(pick);
}

std::optional<std::size_t> SongSelection::find(const std::filesystem::path& folder) const
{
    for (std::size_t song = 0; song < songs.size(); ++song)
        if (!songs[song].builtIn && songs[song].folder == folder)
            return song;
    for (std::size_t song = 0; song < songs.size(); ++song)
        if (!songs[song].builtIn && sameFolder(songs[song].folder, folder))
            return song;
    return std::nullopt;
}

bool SongSelection::chooseFolder(const std::filesystem::path& folder)
{
    const std::optional<std::size_t> song = find(folder);
    return song && chooseSong(*song);
}

// The song's row, its pack opened if the list shows packs.
bool SongSelection::chooseSong(std::size_t song)
{
    if (showsPacks() && search.empty()) {
        opened.reset();
        if (!songs[song].builtIn)
            for (std::size_t pack = 0; pack < packs.size(); ++pack)
                if (packs[pack].name == SongOrder::groupOf(songs[song]))
                    opened = pack;
        listRows();
    }
    const auto row = std::find_if(rows.begin(), rows.end(), [song](const Row& row) { return !row.isPack && row.index == song; });
    if (row == rows.end())
        return false;
    current = static_cast<std::size_t>(row - rows.begin());
    return true;
}

bool SongSelection::choose(const std::filesystem::path& folder, const std::array<std::string, 2>& chartNames)
{
    const std::optional<std::size_t> song = find(folder);
    if (!song || !chooseSong(*song))
        return false;
    for (std::size_t player = 0; player < chartNames.size(); ++player) {
        const auto& charts = songs[*song].charts;
        const auto named = std::find_if(charts.begin(), charts.end(),
                                        [&](const ChartChoice& chart) { return ChartPick::sameName(chart.name, chartNames[player]); });
        if (!charts.empty())
            takeChart(player, named == charts.end() ? 0 : static_cast<std::size_t>(named - charts.begin()));
    }
    return true;
}

bool SongSelection::choose(const std::filesystem::path& folder, const std::array<std::size_t, 2>& chartIndexes)
{
    const std::optional<std::size_t> song = find(folder);
    if (!song || !chooseSong(*song))
        return false;
    for (std::size_t player = 0; player < chartIndexes.size(); ++player) {
        const auto& charts = songs[*song].charts;
        const auto indexed = std::find_if(charts.begin(), charts.end(),
                                          [&](const ChartChoice& chart) { return chart.chartIndex == chartIndexes[player]; });
        if (!charts.empty())
            takeChart(player, indexed == charts.end() ? 0 : static_cast<std::size_t>(indexed - charts.begin()));
    }
    return true;
}

void SongSelection::rebuild()
{
    sorted.clear();
    for (std::size_t song = 0; song < songs.size(); ++song)
        if (!songs[song].builtIn)
            sorted.push_back(song);
    SongOrder::sort(sorted, keys, listOrder);
    listRows();
}

// Packs by name (case ignored), each with its songs by title.
void SongSelection::rebuildPacks()
{
    std::map<std::string, std::vector<std::size_t>> byName;
    for (std::size_t song = 0; song < songs.size(); ++song)
        if (!songs[song].builtIn)
            byName[SongOrder::groupOf(songs[song])].push_back(song);
    std::vector<Pack> made;
    for (auto& [name, members] : byName) {
        SongOrder::sort(members, keys, SongOrder::ByTitle);
        made.push_back({name, std::move(members)});
    }
    std::stable_sort(made.begin(), made.end(), [](const Pack& a, const Pack& b) {
        return chart::MsdValues::lower(a.name) < chart::MsdValues::lower(b.name);
    });
    packs = std::move(made);
}

void SongSelection::listRows()
{
    rows.clear();
    const bool matchesAll = search.empty();
    const std::vector<bool> found = matchesAll ? std::vector<bool>() : matches();
    if (ownSong && (matchesAll || found[*ownSong]) && !(opened && matchesAll))
        rows.push_back({false, *ownSong});
    if (matchesAll && showsPacks()) {
        if (opened) {
            for (const std::size_t song : packs[*opened].songs)
                rows.push_back({false, song});
        } else {
            for (std::size_t pack = 0; pack < packs.size(); ++pack)
                rows.push_back({true, pack});
        }
        return;
    }
    for (const std::size_t song : sorted)
        if (matchesAll || found[song])
            rows.push_back({false, song});
}

std::string_view SongSelection::haystackOf(std::size_t song) const
{
    return std::string_view(haystacks).substr(haystackStart[song], haystackStart[song + 1] - haystackStart[song]);
}

std::vector<bool> SongSelection::matches() const
{
    std::vector<bool> found(songs.size(), false);
    const std::string_view text = haystacks;
    for (std::size_t at = text.find(search); at != std::string_view::npos;) {
        const auto next = std::upper_bound(haystackStart.begin(), haystackStart.end(), at);
        const auto song = static_cast<std::size_t>(next - haystackStart.begin()) - 1;
        found[song] = true;
        at = next == haystackStart.end() ? std::string_view::npos : text.find(search, *next);
    }
    return found;
}

void SongSelection::keepChoice(const std::optional<Row>& before)
{
    current = 0;
    if (!before)
        return;
    const auto same = std::find_if(rows.begin(), rows.end(), [&before](const Row& row) {
        return row.isPack == before->isPack && row.index == before->index;
    });
    if (same != rows.end())
        current = static_cast<std::size_t>(same - rows.begin());
    else if (!before->isPack)
        chooseSong(before->index);
}

bool SongSelection::showsPacks() const
{
    return listOrder == SongOrder::ByPack && packs.size() > 1;
}

} // namespace library
