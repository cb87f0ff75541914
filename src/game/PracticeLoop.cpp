#include "game/PracticeLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr char laneLetters[] = {'L', 'U', 'R', 'D'};
// The rows of a measure the chooser shows.
constexpr std::size_t shownRows = 8;

int measureOf(double beat)
{
    return static_cast<int>(std::floor(beat / PracticeLoop::beatsPerMeasure));
}

std::string measureLine(int measure)
{
    char text[64];
    std::snprintf(text, sizeof text, "measure %d", measure + 1);
    return text;
}

} // namespace

PracticeLoop::PracticeLoop(const std::array<const chart::Chart*, 2>& charts)
    : charts(charts)
{
    for (const chart::Chart* chart : charts) {
        for (const chart::Note& note : chart->notes)
            measures = std::max(measures, measureOf(note.end.value()) + 1);
    }
    lastMeasure = std::min(measures - 1, 3);
    passEndMs = findPassEnd();
}

bool PracticeLoop::choose(int first, int last, std::string& problem)
{
    if (first < 0 || first >= measures) {
        problem = "Practice: The song has measures 1 to " + std::to_string(measures) + "; the loop cannot start at "
            + measureLine(first);
        return false;
    }
    if (last < first) {
        problem = "Practice: The loop's end (" + measureLine(last) + ") cannot come before its start ("
            + measureLine(first) + "); the loop stays as it was";
        return false;
    }
    firstMeasure = first;
    lastMeasure = std::min(last, measures - 1);
    passEndMs = findPassEnd();
    if (lastMeasure == last)
        return true;
    problem = "Practice: The song ends with " + measureLine(measures - 1) + "; the loop ends there";
    return false;
}

chart::Chart PracticeLoop::cut(const chart::Chart& chart) const
{
    chart::Chart part = chart;
    std::erase_if(part.notes, [this](const chart::Note& note) { return !inLoop(note); });
    return part;
}

double PracticeLoop::startMs() const
{
    return timing().tempo.msAt(firstMeasure * beatsPerMeasure);
}

double PracticeLoop::endMs() const
{
    return timing().tempo.msAt((lastMeasure + 1) * beatsPerMeasure);
}

double PracticeLoop::passStartMs(double firstSpawnMs, double rate) const
{
    return std::min(startMs() - leadInMs * rate, firstSpawnMs - spawnMarginMs * rate);
}

bool PracticeLoop::passOver(double songMs, bool arrowsOpen, bool musicEnded, double rate) const
{
    if (musicEnded)
        return true;
    return songMs >= passEndMs && (!arrowsOpen || songMs >= passEndMs + longestTailMs * rate);
}

double PracticeLoop::findPassEnd() const
{
    double end = endMs();
    for (const chart::Chart* chart : charts) {
        for (const chart::Note& note : chart->notes) {
            if (inLoop(note))
                end = std::max(end, chart->tempo.msAt(note.end.value()));
        }
    }
    return end;
}

bool PracticeLoop::inLoop(const chart::Note& note) const
{
    const double beat = note.beat.value();
    return beat >= firstMeasure * beatsPerMeasure && beat < (lastMeasure + 1) * beatsPerMeasure;
}

std::string PracticeLoop::measureText(int measure, const chart::Chart& chart) const
{
    std::string text;
    std::size_t rows = 0;
    double rowBeat = -1.0;
    for (const chart::Note& note : chart.notes) {
        if (measureOf(note.beat.value()) != measure || note.kind == chart::NoteKind::Fake)
            continue;
        if (note.beat.value() != rowBeat) {
            if (++rows > shownRows)
                return text + " ...";
            text += text.empty() ? "" : " ";
            rowBeat = note.beat.value();
        }
        text += note.kind == chart::NoteKind::Mine ? '*' : laneLetters[note.lane & 3];
    }
    return text.empty() ? "-" : text;
}
