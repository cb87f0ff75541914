#include "game/PlayerScore.h"

#include "fx/Text.h"
#include "game/Player.h"

#include <algorithm>

void PlayerScore::attach(int playerNumber, Player* target, Text* comboText)
{
    number = playerNumber;
    player = target;
    text = comboText;
}

void PlayerScore::newRound()
{
    tally = {};
    misses = 0;
    earned = 0;
    combo.reset();
    showCombo();
}

void PlayerScore::judged(std::size_t judgement, std::uint32_t points)
{
    if (judgement >= tally.size())
        return;
    ++tally[judgement];
    combo.judged(judgement);
    earn(earned + points);
    showCombo();
}

void PlayerScore::holdKept(std::uint32_t points)
{
    earn(earned + points);
}

void PlayerScore::holdLetGo()
{
    combo.holdLetGo();
    showCombo();
}

void PlayerScore::mineHit(std::uint32_t penalty)
{
    combo.mineHit();
    earn(earned - std::min(penalty, earned));
    showCombo();
}

void PlayerScore::missed()
{
    ++misses;
    combo.missed();
    showCombo();
}

// The player's points move by the change of the scaled total (never below 0).
void PlayerScore::earn(std::uint32_t newEarned)
{
    const std::uint32_t before = getPoints();
    earned = newEarned;
    const std::uint32_t after = getPoints();
    if (!player)
        return;
    if (after >= before)
        player->addPoints(after - before);
    else
        player->subtractPoints(std::min(before - after, player->getPoints()));
}

// Shown with each judgement from the length the genre shows it; gone when the
// run ends.
void PlayerScore::showCombo() const
{
    if (!text)
        return;
    if (!combo.shown()) {
        text->setActive(false);
        return;
    }
    text->setText("%u Combo", combo.current());
    text->restart();
}
