#include "game/ChartPlayer.h"

#include "chart/Lane.h"
#include "game/Arrow.h"
#include "game/Player.h"
#include "game/PlayerFields.h"
#include "game/PressJudge.h"
#include "scene/Dancer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double millisecondsPerMinute = 60000.0;

double msPerBeatAt(const chart::TempoMap& tempo, double beat)
{
    const double bpm = std::fabs(tempo.bpmAt(beat));
    return bpm > 0.0 ? millisecondsPerMinute / bpm : std::numeric_limits<double>::infinity();
}

} // namespace

ChartPlayer::ChartPlayer(PlayerFields& fields, PressJudge& judge, int player, const chart::Chart& chart, float travel,
                         double speed)
    : fields(fields)
    , judge(judge)
    , player(player)
    , chart(chart)
    , travel(travel)
    , speed(speed)
{
}

void ChartPlayer::update(double songMs, std::uint32_t tick, bool started, Dancer* dancer)
{
    if (!started)
        return;
    const double songBeat = chart.tempo.beatAt(songMs);
    spawnDue(songBeat, songMs, tick, dancer);
    settleHolds(songMs, tick);
    setOffMines(songMs);
    place(songBeat);
    ++frame;
}

void ChartPlayer::onLaneDown(std::uint8_t lane, std::uint32_t tick)
{
    if (lane >= downFrame.size())
        return;
    downFrame[lane] = frame;
    downTick[lane] = tick;
}

double ChartPlayer::leadInMs() const
{
    const double spawnMs = firstSpawnMs();
    return spawnMs < 0.0 ? leadInMarginMs - spawnMs : 0.0;
}

double ChartPlayer::firstSpawnMs() const
{
    return chart.notes.empty() ? 0.0 : chart.tempo.msAt(chart.notes.front().beat.value() - travel / speed);
}

bool ChartPlayer::startHold(Arrow* arrow)
{
    const auto found = std::find_if(arrows.begin(), arrows.end(), [arrow](const NoteArrow& entry) {
        return entry.arrow == arrow;
    });
    if (found == arrows.end() || !found->note->isHead())
        return false;
    found->held = true;
    const double endBeat = found->note->end.value();
    holds.push_back({arrow, static_cast<std::uint8_t>(found->note->lane), endBeat, chart.tempo.msAt(endBeat)});
    return true;
}

// A note appears once its arrow would be within the travel below the goal,
// the notes of one row together; the dancer moves when they reach the goal.
void ChartPlayer::spawnDue(double songBeat, double songMs, std::uint32_t tick, Dancer* dancer)
{
    const double aheadBeats = travel / speed;
    while (nextNote < chart.notes.size() && chart.notes[nextNote].beat.value() <= songBeat + aheadBeats) {
        const chart::Beat rowBeat = chart.notes[nextNote].beat;
        std::vector<const chart::Note*> steps;
        for (; nextNote < chart.notes.size() && chart.notes[nextNote].beat == rowBeat; ++nextNote) {
            const chart::Note& note = chart.notes[nextNote];
            spawnNote(note);
            if (note.kind != chart::NoteKind::Mine)
                steps.push_back(&note);
        }
        const char step = danceStep(steps);
        if (dancer && step != '0') {
            const double songAhead = chart.tempo.msAt(rowBeat.value()) - songMs;
            const double ahead = std::clamp(songAhead / Arrow::getMusicRate(), 0.0, 60000.0);
            dancer->addEvent(tick + static_cast<std::uint32_t>(ahead), step);
        }
    }
}

void ChartPlayer::spawnNote(const chart::Note& note)
{
    const bool mine = note.kind == chart::NoteKind::Mine;
    const bool judged = !mine && note.kind != chart::NoteKind::Fake;
    Arrow* arrow = fields.spawnArrowFor(player, static_cast<std::uint8_t>(note.lane), judged);
    if (!arrow)
        return;
    const double beat = note.beat.value();
    arrow->followSong(beat, chart.tempo.msAt(beat), msPerBeatAt(chart.tempo, beat));
    arrow->setSpeed(speed);
    arrow->judgeInMs(note.kind == chart::NoteKind::Lift);
    if (mine)
        arrow->useTexture(mineTexturePath);
    if (note.isHead())
        arrow->setTail(static_cast<float>((note.end.value() - beat) * speed));
    arrows.push_back({arrow, &note, false});
}

// Held arrows stay at the goal line while their tails run out; mines that
// have passed the field leave it.
void ChartPlayer::place(double songBeat)
{
    std::erase_if(arrows, [](const NoteArrow& entry) { return !entry.arrow->isActive(); });
    for (NoteArrow& entry : arrows) {
        if (!entry.held) {
            entry.arrow->placeAt(songBeat);
            if (entry.note->kind == chart::NoteKind::Mine && entry.arrow->y > PlayerFields::missHeight)
                entry.arrow->setActive(false);
            continue;
        }
        entry.arrow->y = Arrow::getGoalY();
        entry.arrow->setTail(static_cast<float>(std::max(0.0, entry.note->end.value() - songBeat) * speed));
    }
}

void ChartPlayer::settleHolds(double songMs, std::uint32_t tick)
{
    std::erase_if(holds, [&](const Hold& hold) {
        const bool kept = songMs >= hold.endMs;
        const bool released = static_cast<std::int32_t>(tick - downTick[hold.lane]) > static_cast<std::int32_t>(releaseGraceMs);
        if (!kept && !released)
            return false;
        if (kept) {
            ++results.holdsOk;
            judge.showWord(player, "OK");
            judge.scoreOf(player).holdKept(holdPoints);
        } else {
            ++results.holdsNg;
            judge.showWord(player, "NG");
            judge.scoreOf(player).holdLetGo();
        }
        hold.arrow->hideForPlayer(player);
        return true;
    });
}

// A mine goes off as it passes the goal line, if its lane is down then.
void ChartPlayer::setOffMines(double songMs)
{
    for (NoteArrow& entry : arrows) {
        if (entry.note->kind != chart::NoteKind::Mine || entry.passed || entry.arrow->getNoteMs() > songMs)
            continue;
        entry.passed = true;
        if (!laneDownThisFrame(static_cast<std::uint8_t>(entry.note->lane)))
            continue;
        ++results.minesHit;
        judge.mineHit(player);
        entry.arrow->setActive(false);
    }
}

bool ChartPlayer::laneDownThisFrame(std::uint8_t lane) const
{
    return downFrame[lane] == frame;
}

// The dancer knows the steps as the game's own chart writes them: a digit
// or letter for the lanes of a row (of a row of three or four, the first
// two that form a jump).
char ChartPlayer::danceStep(const std::vector<const chart::Note*>& row)
{
    unsigned lanes = 0;
    for (const chart::Note* note : row)
        lanes |= 1u << static_cast<unsigned>(note->lane);
    const auto has = [lanes](Lane lane) { return (lanes & (1u << lane)) != 0; };
    static constexpr struct {
        Lane first;
        Lane second;
        char step;
    } steps[] = {
        {LaneLeft, LaneDown, '1'}, {LaneDown, LaneRight, '3'}, {LaneLeft, LaneUp, '7'}, {LaneUp, LaneRight, '9'},
        {LaneUp, LaneDown, 'A'}, {LaneLeft, LaneRight, 'B'}, {LaneLeft, LaneLeft, '4'}, {LaneDown, LaneDown, '2'},
        {LaneRight, LaneRight, '6'}, {LaneUp, LaneUp, '8'},
    };
    for (const auto& candidate : steps) {
        if (has(candidate.first) && has(candidate.second))
            return candidate.step;
    }
    return '0';
}
