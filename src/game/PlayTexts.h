#pragma once

#include <array>
#include <cstdint>

class Text;

// The words of play: each player's judgement word and combo under it, and
// the winner text. The scene graph owns the text nodes; each is null when
// there was no scene graph or font to make it.
class PlayTexts {
public:
    // The judgement words ("P1Quality", "P2Quality") and the winner text
    // ("Winnertext").
    void createJudgementTexts();
    // The combos ("P1Combo", "P2Combo"), hidden until a combo is shown.
    void createComboTexts();
    // Shows the word in the player's judgement text for its display time.
    void showWord(int player, const char* word);
    // "<name> won!" in the winner text.
    void showWinner(const char* name);
    // The judgement words go, the winner text is emptied and shown for its
    // full display time again (it would otherwise run out in a long session).
    void clear();

    Text* quality(int player) const { return player == 1 ? p1QualityText : p2QualityText; }
    Text* combo(int player) const { return comboTexts[player == 1 ? 0 : 1]; }
    Text* winner() const { return winnerText; }

private:
    static Text* createText(std::uint32_t duration, std::int8_t side, int secondHeight, const char* secondFace,
                            const char* path);

    Text* p1QualityText = nullptr;
    Text* p2QualityText = nullptr;
    Text* winnerText = nullptr;
    std::array<Text*, 2> comboTexts{};
};
