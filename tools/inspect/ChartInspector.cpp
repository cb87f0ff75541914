#include "ChartInspector.h"

#include "chart/ChartFile.h"

#include <algorithm>
#include <cstdio>

namespace {

// Up to three decimals, without trailing zeros: "250", "1562.5".
std::string number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string result = text;
    result.erase(result.find_last_not_of('0') + 1);
    if (result.back() == '.')
        result.pop_back();
    return result == "-0" ? "0" : result;
}

void describeTempo(const chart::TempoMap& tempo, const std::string& prefix, std::ostream& out)
{
    out << prefix << "beat 0 at " << number(tempo.beat0Ms()) << " ms\n";
    for (const chart::TempoChange& change : tempo.bpmChanges())
        out << prefix << "bpm " << number(change.bpm) << " at beat " << number(change.beat) << '\n';
    for (const chart::TempoStop& stop : tempo.stops())
        out << prefix << "stop " << number(stop.seconds) << " s at beat " << number(stop.beat) << '\n';
    for (const chart::TempoStop& delay : tempo.delays())
        out << prefix << "delay " << number(delay.seconds) << " s at beat " << number(delay.beat) << '\n';
    for (const chart::TempoWarp& warp : tempo.warps())
        out << prefix << "warp " << number(warp.length) << " beats at beat " << number(warp.beat) << '\n';
    for (const chart::TempoWarp& fake : tempo.fakes())
        out << prefix << "fakes " << number(fake.length) << " beats at beat " << number(fake.beat) << '\n';
}

bool sameTempo(const chart::TempoMap& a, const chart::TempoMap& b)
{
    auto sameChanges = [](const chart::TempoChange& x, const chart::TempoChange& y) {
        return x.beat == y.beat && x.bpm == y.bpm;
    };
    auto sameStops = [](const chart::TempoStop& x, const chart::TempoStop& y) {
        return x.beat == y.beat && x.seconds == y.seconds;
    };
    auto sameWarps = [](const chart::TempoWarp& x, const chart::TempoWarp& y) {
        return x.beat == y.beat && x.length == y.length;
    };
    return a.beat0Ms() == b.beat0Ms()
        && std::equal(a.bpmChanges().begin(), a.bpmChanges().end(), b.bpmChanges().begin(), b.bpmChanges().end(),
            sameChanges)
        && std::equal(a.stops().begin(), a.stops().end(), b.stops().begin(), b.stops().end(), sameStops)
        && std::equal(a.delays().begin(), a.delays().end(), b.delays().begin(), b.delays().end(), sameStops)
        && std::equal(a.warps().begin(), a.warps().end(), b.warps().begin(), b.warps().end(), sameWarps)
        && std::equal(a.fakes().begin(), a.fakes().end(), b.fakes().begin(), b.fakes().end(), sameWarps);
}

// notes: taps, lifts and hold or roll heads (a jump counts two); jumps: rows
// with two or more of them; holds: hold and roll heads; fakes are not notes.
void describeChart(const chart::Chart& steps, std::ostream& out)
{
    std::size_t notes = 0, jumps = 0, holds = 0, mines = 0, fakes = 0, lifts = 0, onRow = 0;
    const chart::Note* first = nullptr;
    const chart::Note* last = nullptr;
    chart::Beat row(-1);
    for (const chart::Note& note : steps.notes) {
        if (note.kind == chart::NoteKind::Mine || note.kind == chart::NoteKind::Fake) {
            ++(note.kind == chart::NoteKind::Mine ? mines : fakes);
            continue;
        }
        lifts += note.kind == chart::NoteKind::Lift ? 1 : 0;
        if (note.beat != row) {
            row = note.beat;
            onRow = 0;
        }
        if (++onRow == 2)
            ++jumps;
        ++notes;
        holds += note.isHead() ? 1 : 0;
        first = first ? first : &note;
        last = &note;
    }
    auto at = [&](const chart::Note* note) { return note ? number(steps.tempo.msAt(note->beat.value())) : "-"; };
    out << "chart " << steps.stepsType << ' ' << steps.difficulty << ' ' << steps.meter;
    if (!steps.description.empty())
        out << " \"" << steps.description << '"';
    out << ": notes " << notes << ", jumps " << jumps << ", holds " << holds << ", mines " << mines << ", fakes "
        << fakes << ", lifts " << lifts << ", first " << at(first) << " ms, last " << at(last) << " ms\n";
}

} // namespace

bool ChartInspector::isChartFile(const std::string& path)
{
    return chart::ChartFile::formatOf(path).has_value();
}

bool ChartInspector::inspect(const std::string& path, std::ostream& out)
{
    const chart::ReadResult result = chart::ChartFile::read(path);
    if (!result.ok()) {
        out << path << ": error: " << result.error << '\n';
        return false;
    }
    const chart::Song& song = result.song;
    out << path << ": chart file, " << song.charts.size() << " playable charts\n";
    out << "title: " << song.title << '\n' << "artist: " << song.artist << '\n' << "music: " << song.music << '\n';
    describeTempo(song.tempo, "", out);
    for (const chart::Chart& steps : song.charts) {
        describeChart(steps, out);
        if (!sameTempo(steps.tempo, song.tempo))
            describeTempo(steps.tempo, "  own tempo: ", out);
    }
    for (const std::string& refusal : song.refusedCharts)
        out << "refused chart " << refusal << '\n';
    for (const std::string& warning : song.warnings)
        out << "warning: " << warning << '\n';
    return true;
}
