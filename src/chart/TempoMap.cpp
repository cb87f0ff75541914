#include "chart/TempoMap.h"

#include "chart/ChartLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace chart {

namespace {

// Tempo events sit on 1/48 beat, as the notes of the common subdivisions do,
// so that a note and a stop written at "the same" beat meet exactly.
double snapBeat(double beat)
{
    return std::round(beat * 48.0) / 48.0;
}

std::string formatted(const char* format, double a, double b = 0.0)
{
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

bool fail(std::string& error, const char* format, double a, double b = 0.0)
{
    error = formatted(format, a, b);
    return false;
}

constexpr auto byBeat = [](const auto& a, const auto& b) { return a.beat < b.beat; };

// Overlapping fake segments made one, so that a beat is looked up in one.
std::vector<TempoWarp> joined(const std::vector<TempoWarp>& sorted)
{
    std::vector<TempoWarp> joined;
    for (const TempoWarp& segment : sorted) {
        if (!joined.empty() && segment.beat <= joined.back().beat + joined.back().length)
            joined.back().length = std::max(joined.back().length, segment.beat + segment.length - joined.back().beat);
        else
            joined.push_back(segment);
    }
    return joined;
}

bool beatInRange(double beat)
{
    return std::isfinite(beat) && beat >= 0.0 && beat <= ChartLimits::maxBeat;
}

} // namespace

TempoMap::TempoMap()
    : changes{{0.0, 120.0}}
    , segments{Segment{}}
{
}

void TempoMap::Checked::warn(std::string line) const
{
    if (warnings)
        warnings->push_back(std::move(line));
}

bool TempoMap::validateChanges(const Source& source, std::vector<TempoChange>& bpms, std::vector<TempoWarp>& warps,
    const Checked& checked)
{
    for (TempoChange change : source.bpms) {
        change.beat = snapBeat(change.beat);
        if (!beatInRange(change.beat))
            return fail(checked.error, "tempo change at beat %g is out of range", change.beat);
        if (change.bpm == 0.0) {
            checked.warn(formatted("tempo of 0 BPM at beat %g left out", change.beat));
            continue;
        }
        if (!std::isfinite(change.bpm) || std::fabs(change.bpm) < ChartLimits::minBpm)
            return fail(checked.error, "tempo of %g BPM at beat %g is out of range", change.bpm, change.beat);
        bpms.push_back(change);
    }
    // The last of several changes on one beat holds.
    std::stable_sort(bpms.begin(), bpms.end(), byBeat);
    const auto kept = std::unique(bpms.rbegin(), bpms.rend(), [](const auto& a, const auto& b) { return a.beat == b.beat; });
    bpms.erase(bpms.begin(), kept.base());
    // A tempo too fast to play jumps to the next change: a warp.
    for (std::size_t i = 0; i < bpms.size(); ++i)
        if (std::fabs(bpms[i].bpm) > ChartLimits::maxBpm)
            warps.push_back({bpms[i].beat, (i + 1 < bpms.size() ? bpms[i + 1].beat : ChartLimits::maxBeat) - bpms[i].beat});
    std::erase_if(bpms, [](const TempoChange& change) { return std::fabs(change.bpm) > ChartLimits::maxBpm; });
    if (bpms.empty()) {
        checked.error = "no tempo";
        return false;
    }
    bpms.front().beat = 0.0; // the first tempo also holds before it is written
    if (bpms.front().bpm < 0.0)
        return fail(checked.error, "the first tempo (%g BPM) is negative", bpms.front().bpm);
    return true;
}

bool TempoMap::validatePauses(const std::vector<TempoStop>& written, const char* kind, std::vector<TempoStop>& pauses,
    double& beat0Ms, const Checked& checked)
{
    for (TempoStop pause : written) {
        pause.beat = snapBeat(pause.beat);
        const bool beforeStart = pause.beat < 0.0 && pause.beat >= -ChartLimits::maxBeat;
        if ((!beatInRange(pause.beat) && !beforeStart) || !std::isfinite(pause.seconds)
            || std::fabs(pause.seconds) > ChartLimits::maxSeconds) {
            checked.error = std::string(kind) + formatted(" of %g s at beat %g is out of range", pause.seconds, pause.beat);
            return false;
        }
        if (beforeStart) {
            beat0Ms += pause.seconds * 1000.0;
            checked.warn(std::string(kind) + formatted(" of %g s at beat %g, before beat 0, added to the offset",
                pause.seconds, pause.beat));
        } else if (pause.seconds != 0.0) {
            pauses.push_back(pause);
        }
    }
    std::stable_sort(pauses.begin(), pauses.end(), byBeat);
    // Pauses on one beat add up.
    std::vector<TempoStop> merged;
    for (const TempoStop& pause : pauses) {
        if (!merged.empty() && merged.back().beat == pause.beat)
            merged.back().seconds += pause.seconds;
        else
            merged.push_back(pause);
    }
    pauses = std::move(merged);
    return true;
}

bool TempoMap::validateSegments(const std::vector<TempoWarp>& written, const char* kind,
    std::vector<TempoWarp>& segments, std::string& error)
{
    for (TempoWarp segment : written) {
        segment.beat = snapBeat(segment.beat);
        segment.length = snapBeat(segment.length);
        if (!beatInRange(segment.beat) || !std::isfinite(segment.length) || segment.length > ChartLimits::maxBeat) {
            error = std::string(kind) + formatted(" of %g beats at beat %g is out of range", segment.length, segment.beat);
            return false;
        }
        if (segment.length > 0.0)
            segments.push_back(segment);
    }
    std::stable_sort(segments.begin(), segments.end(), byBeat);
    return true;
}

bool TempoMap::build(const Source& source, TempoMap& map, std::string& error, std::vector<std::string>* warnings)
{
    if (!std::isfinite(source.beat0Ms) || std::fabs(source.beat0Ms) > ChartLimits::maxSeconds * 1000.0)
        return fail(error, "offset of %g ms is out of range", source.beat0Ms);
    const std::size_t events = source.bpms.size() + source.stops.size() + source.delays.size() + source.warps.size()
        + source.fakes.size();
    if (events > ChartLimits::maxTempoEvents)
        return fail(error, "more than %g tempo changes, stops, delays, warps and fakes",
            static_cast<double>(ChartLimits::maxTempoEvents));
    const Checked checked{error, warnings};
    TempoMap built;
    built.changes.clear();
    built.startMs = source.beat0Ms;
    std::vector<TempoWarp> fastWarps;
    if (!validateChanges(source, built.changes, fastWarps, checked)
        || !validatePauses(source.stops, "stop", built.pauses, built.startMs, checked)
        || !validatePauses(source.delays, "delay", built.delayList, built.startMs, checked)
        || !validateSegments(source.warps, "warp", built.warpList, error)
        || !validateSegments(source.fakes, "fake segment", built.fakeList, error))
        return false;
    built.fakeList = joined(built.fakeList);
    if (!fastWarps.empty()) {
        built.warpList.insert(built.warpList.end(), fastWarps.begin(), fastWarps.end());
        std::stable_sort(built.warpList.begin(), built.warpList.end(), byBeat);
    }
    built.buildSegments();
    map = std::move(built);
    return true;
}

// Walks the tempo events in beat order following the time the file writes
// ("raw" time, which runs backwards under a negative tempo, stop or delay).
// Song time is the highest raw time reached so far: where raw time falls
// behind it, the beats are warped over until raw time catches up. Inside a
// written warp raw time stands still.
void TempoMap::buildSegments()
{
    segments.clear();
    std::vector<double> beats;
    beats.reserve(changes.size() + pauses.size() + delayList.size() + 2 * warpList.size());
    for (const TempoChange& change : changes)
        beats.push_back(change.beat);
    for (const auto* list : {&pauses, &delayList})
        for (const TempoStop& pause : *list)
            beats.push_back(pause.beat);
    for (const TempoWarp& warp : warpList) {
        beats.push_back(warp.beat);
        beats.push_back(std::min(warp.beat + warp.length, ChartLimits::maxBeat));
    }
    std::sort(beats.begin(), beats.end());
    beats.erase(std::unique(beats.begin(), beats.end()), beats.end());

    auto change = changes.begin();
    auto stop = pauses.begin();
    auto delay = delayList.begin();
    auto warp = warpList.begin();
    double rawMs = startMs; // raw time at `rawBeat`
    double rawBeat = 0.0;
    double msPerBeat = 0.0;
    double rawMsPerBeat = 0.0; // 0 inside a written warp
    double bpm = 0.0;
    double high = startMs;
    double warpedUntil = 0.0;
    for (std::size_t i = 0; i < beats.size(); ++i) {
        const double beat = beats[i];
        rawMs += (beat - rawBeat) * rawMsPerBeat;
        rawBeat = beat;
        bool paused = false; // a stop or delay of positive length sits here
        if (delay != delayList.end() && delay->beat == beat) {
            paused = delay->seconds > 0.0;
            rawMs += (delay++)->seconds * 1000.0;
        }
        for (; warp != warpList.end() && warp->beat == beat; ++warp)
            warpedUntil = std::max(warpedUntil, warp->beat + warp->length);
        const bool inWarp = beat < warpedUntil;
        paused = paused || (stop != pauses.end() && stop->beat == beat && stop->seconds > 0.0);

        Segment segment;
        segment.beat = beat;
        const bool reached = rawMs >= high; // a note here is not behind the song time
        high = std::max(high, rawMs);
        segment.msAt = high;
        if (stop != pauses.end() && stop->beat == beat)
            rawMs += (stop++)->seconds * 1000.0;
        if (change != changes.end() && change->beat == beat) {
            bpm = change->bpm;
            msPerBeat = 60000.0 / (change++)->bpm;
        }
        rawMsPerBeat = inWarp ? 0.0 : msPerBeat;
        segment.bpm = std::fabs(bpm);
        if (!inWarp && rawMs >= high && msPerBeat > 0.0) {
            segment.playsAt = reached;
            high = rawMs;
            segment.msAfter = rawMs;
            segment.msPerBeat = msPerBeat;
            segments.push_back(segment);
            continue;
        }
        high = std::max(high, rawMs); // a stop on a warp's first beat still passes
        // A warp's first beat is jumped over as well, unless the song pauses there.
        segment.playsAt = reached && paused;
        segment.msAfter = high;
        segment.msPerBeat = 0.0;
        segment.warped = true;
        segments.push_back(segment);
        if (inWarp || msPerBeat <= 0.0)
            continue;
        // Raw time catches up with song time within this stretch?
        const double caughtUp = beat + (high - rawMs) / msPerBeat;
        if (i + 1 < beats.size() && caughtUp >= beats[i + 1])
            continue;
        Segment resumed;
        resumed.beat = caughtUp;
        resumed.msAt = high;
        resumed.msAfter = high;
        resumed.msPerBeat = msPerBeat;
        resumed.bpm = segment.bpm;
        segments.push_back(resumed);
        rawMs = high;
        rawBeat = caughtUp;
    }
}

const TempoMap::Segment& TempoMap::segmentAt(double beat) const
{
    auto after = std::upper_bound(segments.begin(), segments.end(), beat,
        [](double value, const Segment& segment) { return value < segment.beat; });
    return after == segments.begin() ? segments.front() : *std::prev(after);
}

double TempoMap::msAt(double beat) const
{
    const Segment& segment = segmentAt(beat);
    if (beat == segment.beat)
        return segment.msAt;
    if (beat < segment.beat) // before the first segment: the first tempo runs on backwards
        return segment.msAt - (segment.beat - beat) * 60000.0 / segment.bpm;
    return segment.msAfter + (beat - segment.beat) * segment.msPerBeat;
}

bool TempoMap::plays(double beat) const
{
    const Segment& segment = segmentAt(beat);
    if (beat <= segment.beat)
        return beat < segment.beat || segment.playsAt;
    return !segment.warped;
}

bool TempoMap::isFake(double beat) const
{
    auto after = std::upper_bound(fakeList.begin(), fakeList.end(), beat,
        [](double value, const TempoWarp& fake) { return value < fake.beat; });
    return after != fakeList.begin() && beat < std::prev(after)->beat + std::prev(after)->length;
}

double TempoMap::beatAt(double ms) const
{
    auto after = std::upper_bound(segments.begin(), segments.end(), ms,
        [](double value, const Segment& segment) { return value < segment.msAt; });
    if (after == segments.begin()) {
        const Segment& first = segments.front();
        return first.beat - (first.msAt - ms) * first.bpm / 60000.0;
    }
    const Segment& segment = *std::prev(after);
    if (ms < segment.msAfter || segment.warped)
        return segment.beat;
    const double beat = segment.beat + (ms - segment.msAfter) / segment.msPerBeat;
    return after == segments.end() ? beat : std::min(beat, after->beat);
}

double TempoMap::bpmAt(double beat) const
{
    return segmentAt(beat).bpm;
}

} // namespace chart
