#include "game/FairPoints.h"

#include <algorithm>

std::uint64_t FairPoints::flawlessMaximum(std::uint64_t judgedNotes, std::uint64_t holds)
{
    return judgedNotes * notePoints + holds * holdPoints;
}

std::uint64_t FairPoints::flawlessMaximum(const chart::Chart& chart)
{
    std::uint64_t judged = 0;
    std::uint64_t holds = 0;
    for (const chart::Note& note : chart.notes) {
        if (note.kind != chart::NoteKind::Mine)
            ++judged;
        if (note.isHead())
            ++holds;
    }
    return flawlessMaximum(judged, holds);
}

FairPoints::FairPoints(std::uint64_t maximum1, std::uint64_t maximum2)
{
    if (maximum1 == 0 || maximum2 == 0)
        return;
    own = {maximum1, maximum2};
    smaller = std::min(maximum1, maximum2);
}

std::uint32_t FairPoints::scaled(int player, std::uint32_t points) const
{
    const std::uint64_t maximum = own[player == 2 ? 1 : 0];
    if (maximum == smaller)
        return points;
    // At most `points`: the smaller maximum is never above the player's own.
    return static_cast<std::uint32_t>(static_cast<unsigned __int128>(points) * smaller / maximum);
}
