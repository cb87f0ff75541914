#include "flow/ResultsBoard.h"

#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "scene/ObjectGraph.h"

#include <cstdio>

namespace {

// Shown until the next round hides them.
constexpr std::uint32_t displayMs = 5000000;
constexpr int fontHeight = 20;
constexpr int spreadFontHeight = 14;

static_assert(ResultsBoard::judgementCount == Judgements::count);

std::string line(const char* label, std::uint32_t count)
{
    char text[64];
    std::snprintf(text, sizeof text, "%-10s%5u", label, count);
    return text;
}

// Linked under "Text" by its font and under its own path, like the
// judgement texts.
Text* createLine(std::int8_t side, float x, float y, const char* path, int height = fontHeight)
{
    auto* text = new Text(displayMs, side);
    if (!text->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0)) {
        delete text;
        return nullptr;
    }
    text->changeBitmapFont(height, 700, "Courier New", 0, 0, 0, 0);
    text->setPosition(x, y);
    text->setActive(false);
    ObjectGraph::find()->addNode(text, path);
    return text;
}

} // namespace

void ResultsBoard::create()
{
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const auto side = static_cast<std::int8_t>(column + 1);
        for (std::size_t row = 0; row < lineCount; ++row)
            columns[column][row] = createLine(side, lineX, topY - lineStep * static_cast<float>(row),
                                              side == ObjectNode::SidePlayer1 ? "P1Results" : "P2Results");
    }
    hintText = createLine(ObjectNode::SideCentre, hintX, hintY, "ResultsHint");
    ObjectGraph* graph = ObjectGraph::find();
    for (std::size_t column = 0; graph && column < plots.size(); ++column) {
        const int player = static_cast<int>(column + 1);
        plots[column] = new TimingPlot(player);
        graph->addNode(plots[column], player == 1 ? "P1Timing" : "P2Timing");
        const float x = plots[column]->getFrame().histogramRight + 0.1f;
        for (std::size_t row = 0; row < spreadLines[column].size(); ++row)
            spreadLines[column][row] = createLine(static_cast<std::int8_t>(player), x,
                                                  spreadTopY - spreadStep * static_cast<float>(row),
                                                  player == 1 ? "P1Timing" : "P2Timing", spreadFontHeight);
    }
}

void ResultsBoard::showTiming(int player, std::vector<TimingPlot::Press> presses, std::vector<double> missesMs,
                              double songMs)
{
    if (player != 1 && player != 2)
        return;
    const auto column = static_cast<std::size_t>(player - 1);
    TimingPlot* plot = plots[column];
    if (!plot)
        return;
    plot->show(std::move(presses), std::move(missesMs), songMs);
    const std::array<std::string, 2> lines{plot->getSpread().meanLine(), plot->getSpread().deviationLine()};
    for (std::size_t row = 0; row < lines.size(); ++row) {
        if (Text* text = spreadLines[column][row]) {
            text->setText("%s", lines[row].c_str());
            if (!text->isActive())
                text->restart();
        }
    }
}

std::vector<std::string> ResultsBoard::linesFor(const Counts& counts)
{
    std::vector<std::string> lines;
    for (std::size_t index = 0; index < judgementCount; ++index)
        lines.push_back(line(Judgements::table[index].word, counts.judgements[index]));
    lines.push_back(line("Miss", counts.misses));
    if (counts.holdsAndMines) {
        lines.push_back(line("Holds OK", counts.holdsOk));
        lines.push_back(line("Holds NG", counts.holdsNg));
        lines.push_back(line("Mines hit", counts.minesHit));
    }
    // Re-judged, the last line says so: a full combo shows in the combo's line.
    lines.push_back(line(counts.rejudged && counts.fullCombo ? "Full combo" : "Max combo", counts.highestCombo));
    lines.push_back(line("Points", counts.points));
    if (counts.rejudged) {
        const char* missiles = counts.missiles == 1 ? " missile" : " missiles";
        lines.push_back("Re-judged: " + std::to_string(counts.missiles) + missiles);
    } else if (counts.fullCombo || counts.newRecord) {
        const std::string full = counts.fullCombo ? "Full combo" : "";
        const std::string record = counts.newRecord ? "New record" : "";
        lines.push_back(full + (counts.fullCombo && counts.newRecord ? "  " : "") + record);
    }
    return lines;
}

void ResultsBoard::show(int player, const Counts& counts)
{
    if (player != 1 && player != 2)
        return;
    const std::vector<std::string> lines = linesFor(counts);
    for (std::size_t row = 0; row < lineCount; ++row) {
        Text* text = columns[static_cast<std::size_t>(player - 1)][row];
        if (!text)
            continue;
        text->setText("%s", row < lines.size() ? lines[row].c_str() : "");
        if (!text->isActive())
            text->restart();
    }
}

void ResultsBoard::showHint(const char* text)
{
    if (!hintText || hintText->isActive())
        return;
    hintText->setText("%s", text);
    hintText->restart();
}

void ResultsBoard::hide()
{
    if (hintText) {
        hintText->setText("%s", "");
        hintText->setActive(false);
    }
    for (TimingPlot* plot : plots) {
        if (plot)
            plot->clear();
    }
    for (auto& column : spreadLines) {
        for (Text* text : column) {
            if (text) {
                text->setText("%s", "");
                text->setActive(false);
            }
        }
    }
    for (auto& column : columns) {
        for (Text* text : column) {
            if (text) {
                text->setText("%s", "");
                text->setActive(false);
            }
        }
    }
}
