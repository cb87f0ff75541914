#pragma once

#include "chart/Chart.h"

#include <array>
#include <string>

// A part of a song played over and over to learn it: from a first to a last
// measure (four beats each, counted from 0; players see them from 1). Each
// pass starts `leadInMs` of real time before the first measure, or earlier
// where an arrow needs the time to rise from the spawn line, and ends once
// the last measure is over and its arrows are judged or missed.
class PracticeLoop {
public:
    static constexpr int beatsPerMeasure = 4;
    static constexpr double leadInMs = 2000.0;
    // A pass ends at the latest this long (real time) after its last measure,
    // whatever arrows are still open.
    static constexpr double longestTailMs = 4000.0;
    // The first arrow appears at least this long before the pass starts.
    static constexpr double spawnMarginMs = 100.0;

    // The measures of the players' charts: up to the last note's (the ends
    // of holds included); at least 1.
    explicit PracticeLoop(const std::array<const chart::Chart*, 2>& charts);

    int measureCount() const { return measures; }
    int first() const { return firstMeasure; }
    int last() const { return lastMeasure; }
    // Sets the loop's measures. A last measure past the song is clamped to
    // the song's last; one before the first is refused and the loop stays.
    // False with a line saying why (clamped or refused).
    bool choose(int first, int last, std::string& problem);

    // The chart's notes within the loop's measures, with its tempo.
    chart::Chart cut(const chart::Chart& chart) const;
    // Song times of the first measure's start and the last measure's end.
    double startMs() const;
    double endMs() const;
    // Where a pass starts in song time, given when its first arrow appears
    // (ChartPlayer::firstSpawnMs of the cut charts) and the music's rate.
    double passStartMs(double firstSpawnMs, double rate) const;
    // Whether the pass is over at `songMs`: past the last measure and the
    // ends of the loop's holds with no arrow open, or `longestTailMs` past
    // them, or the music has ended.
    bool passOver(double songMs, bool arrowsOpen, bool musicEnded, double rate) const;
    // A few rows of the measure's notes as text, for choosing: each row its
    // lanes' letters (L, D, U, R), "-" for a measure without notes.
    std::string measureText(int measure, const chart::Chart& chart) const;

private:
    const chart::Chart& timing() const { return *charts[0]; }
    bool inLoop(const chart::Note& note) const;
    // The last measure's end, or a later end of a hold started in the loop.
    double findPassEnd() const;

    std::array<const chart::Chart*, 2> charts;
    int measures = 1;
    int firstMeasure = 0;
    int lastMeasure = 0;
    double passEndMs = 0.0;
};
