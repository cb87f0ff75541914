#include "generators/TrackCharts.h"

#include "audio/Random.h"

#include <algorithm>
#include <array>

namespace forge {
namespace {

using Section = TrackPlan::Section;
constexpr int lanes = 4;
constexpr int beatsPerBar = TrackPlan::beatsPerBar;
constexpr int holdRows = 2 * static_cast<int>(TrackCharts::rowsPerBeat);

enum Level { Beginner, Medium, Hard, Challenge };

class ChartWriter {
public:
    ChartWriter(const TrackPlan& plan, Level level)
        : plan(plan)
        , level(level)
        , random(plan.seed + static_cast<std::uint32_t>(level) + 1)
        , rows(static_cast<std::size_t>(plan.finalBeat()) * TrackCharts::rowsPerBeat + 1, "0000")
    {
        heldUntil.fill(-1);
    }

    std::vector<std::string> write()
    {
        for (int bar = TrackCharts::firstBar; bar < plan.bars(); ++bar)
            for (const double beat : beatsOf(bar))
                step(bar, beat);
        const int last = rowOf(plan.finalBeat());
        if (level == Beginner)
            put(last, freeLane(last), '1');
        else
            jump(last);
        return rows;
    }

private:
    std::vector<double> beatsOf(int bar) const
    {
        const Section section = plan.sectionOfBar(bar);
        const bool dense = level == Challenge || (level == Hard && section != Section::Break)
                           || (level == Medium && section == Section::Chorus);
        std::vector<double> beats = dense ? std::vector<double>{0, 1, 2, 3}
                                    : level == Beginner && section == Section::Break ? std::vector<double>{0}
                                                                                     : std::vector<double>{0, 2};
        if (level >= Hard)
            for (const double extra : plan.extraKicks(bar))
                beats.push_back(extra);
        std::sort(beats.begin(), beats.end());
        return beats;
    }

    void step(int bar, double beatInBar)
    {
        const int row = rowOf(bar * beatsPerBar + beatInBar);
        const Section section = plan.sectionOfBar(bar);
        const bool downbeat = beatInBar == 0.0;
        const bool jumps = downbeat
                           && ((level >= Medium && plan.startsSection(bar)) || (level >= Hard && bar % 4 == 0)
                               || (level == Challenge && bar % 2 == 0));
        const bool holds = downbeat && !jumps
                           && ((level == Medium && section == Section::Chorus && bar % 2 == 0)
                               || (level == Hard && section != Section::Break && bar % 2 == 1));
        if (jumps)
            jump(row);
        else if (holds)
            hold(row);
        else
            put(row, freeLane(row), '1');
        if (level == Challenge && beatInBar == 2.0 && bar % 2 == 1)
            mine(row);
    }

    void jump(int row)
    {
        const int first = freeLane(row);
        put(row, first, '1');
        put(row, freeLane(row), '1');
    }

    void hold(int row)
    {
        const int lane = freeLane(row);
        const int tail = std::min(row + holdRows, static_cast<int>(rows.size()) - 1);
        put(row, lane, '2');
        rows[static_cast<std::size_t>(tail)][static_cast<std::size_t>(lane)] = '3';
        heldUntil[static_cast<std::size_t>(lane)] = tail;
    }

    // In a lane no step or hold uses within a beat either side.
    void mine(int row)
    {
        for (int lane = 0; lane < lanes; ++lane) {
            const int candidate = (lane + static_cast<int>(random.next() % lanes)) % lanes;
            if (!usedNear(row, candidate)) {
                rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(candidate)] = 'M';
                return;
            }
        }
    }

    bool usedNear(int row, int lane) const
    {
        if (heldUntil[static_cast<std::size_t>(lane)] >= row - holdRows)
            return true;
        const int span = static_cast<int>(TrackCharts::rowsPerBeat);
        for (int r = std::max(0, row - span); r <= std::min(static_cast<int>(rows.size()) - 1, row + span); ++r)
            if (rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(lane)] != '0')
                return true;
        return false;
    }

    // A lane that is neither held nor stepped in this row, unlike the last step's where possible.
    int freeLane(int row)
    {
        std::vector<int> free, fresh;
        for (int lane = 0; lane < lanes; ++lane) {
            if (heldUntil[static_cast<std::size_t>(lane)] >= row
                || rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(lane)] != '0')
                continue;
            free.push_back(lane);
            if (lane != lastLane)
                fresh.push_back(lane);
        }
        const std::vector<int>& pool = fresh.empty() ? free : fresh;
        lastLane = pool.empty() ? 0 : pool[random.next() % pool.size()];
        return lastLane;
    }

    void put(int row, int lane, char note)
    {
        rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(lane)] = note;
    }

    static int rowOf(double beat)
    {
        return static_cast<int>(beat * static_cast<double>(TrackCharts::rowsPerBeat));
    }

    const TrackPlan& plan;
    const Level level;
    Random random;
    std::vector<std::string> rows;
    std::array<int, lanes> heldUntil{};
    int lastLane = -1;
};

} // namespace

std::vector<TrackCharts::StepChart> TrackCharts::build(const TrackPlan& plan)
{
    static constexpr std::array<const char*, 4> names{"Beginner", "Medium", "Hard", "Challenge"};
    std::vector<StepChart> charts;
    for (int level = Beginner; level <= Challenge; ++level)
        charts.push_back({names[static_cast<std::size_t>(level)], plan.meters[static_cast<std::size_t>(level)],
                          ChartWriter(plan, static_cast<Level>(level)).write()});
    return charts;
}

} // namespace forge
