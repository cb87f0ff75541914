#include "game/PlayTexts.h"

#include "fx/Text.h"
#include "scene/ObjectGraph.h"

namespace {

constexpr std::uint32_t qualityTextMs = 500;
constexpr std::uint32_t winnerTextMs = 5000000;
// The combo under the judgement word.
constexpr float comboX = 0.3f;
constexpr float comboY = -0.55f;

} // namespace

void PlayTexts::createJudgementTexts()
{
    p1QualityText = createText(qualityTextMs, ObjectNode::SidePlayer1, 42, "Arial", "P1Quality");
    p2QualityText = createText(qualityTextMs, ObjectNode::SidePlayer2, 42, "Arial", "P2Quality");
    winnerText = createText(winnerTextMs, ObjectNode::SideCentre, 63, "Arial Black", "Winnertext");
    if (p1QualityText)
        p1QualityText->setPosition(0.0f, 0.0f);
    if (p2QualityText)
        p2QualityText->setPosition(0.0f, 0.0f);
    if (winnerText) {
        winnerText->setColor(1.0f, 0.0f, 0.6f);
        winnerText->setPosition(-3.0f, -1.0f);
    }
}

void PlayTexts::createComboTexts()
{
    for (int player = 1; player <= 2; ++player) {
        const auto side = static_cast<std::int8_t>(player);
        Text* text = createText(qualityTextMs, side, 24, "Arial", player == 1 ? "P1Combo" : "P2Combo");
        if (text) {
            text->setPosition(comboX, comboY);
            text->setActive(false);
        }
        comboTexts[static_cast<std::size_t>(player - 1)] = text;
    }
}

void PlayTexts::showWord(int player, const char* word)
{
    if (Text* text = quality(player)) {
        text->setText("%s", word);
        text->restart();
    }
}

void PlayTexts::showWinner(const char* name)
{
    if (winnerText)
        winnerText->setText("%s won!", name);
}

void PlayTexts::clear()
{
    for (Text* text : {p1QualityText, p2QualityText}) {
        if (text) {
            text->setText("%s", "");
            text->setActive(false);
        }
    }
    if (winnerText) {
        winnerText->setText("%s", "");
        winnerText->restart();
    }
}

// A text in the first font, then its own; linked under `path` as well as
// under "Text". Null when there is no scene graph to own it.
Text* PlayTexts::createText(std::uint32_t duration, std::int8_t side, int secondHeight, const char* secondFace,
                            const char* path)
{
    auto* text = new Text(duration, side);
    if (!text->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0)) {
        delete text;
        return nullptr;
    }
    text->changeBitmapFont(secondHeight, 700, secondFace, 0, 0, 0, 0);
    ObjectGraph::find()->addNode(text, path);
    return text;
}
