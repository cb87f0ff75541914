#include "flow/PlayLine.h"

#include "fx/ProgressBar.h"
#include "fx/Text.h"
#include "scene/ObjectGraph.h"

namespace {

constexpr const char* gap = "    ";
constexpr ProgressBar::Colour played{1.0f, 0.8f, 0.2f};
constexpr ProgressBar::Colour ahead{0.25f, 0.25f, 0.3f};

} // namespace

void PlayLine::create()
{
    if (!ObjectGraph::find())
        return;
    text = new Text(0, ObjectNode::SideCentre);
    text->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0);
    text->changeBitmapFont(fontHeight, 700, "Arial", 0, 0, 0, 0);
    text->setUtf8(true);
    text->setActive(false);
    // Under a path of its own, like the results' texts, so that "Text"
    // names only the main loop's two.
    ObjectGraph::find()->addNode(text, "PlayLine");
}

void PlayLine::show(const std::string& songTitle, const std::string& songCharts)
{
    title = songTitle;
    charts = songCharts;
    line.clear();
}

void PlayLine::draw(double songFraction)
{
    fraction = songFraction;
    if (!text)
        return;
    const float scale = text->pixelsPerUnit();
    if (line.empty() || scale != laidOutScale || text->widthInPixels(line) != laidOutWidth)
        layOut(scale);
    text->setText("%s", line.c_str());
    text->draw();
    text->applySideTransform();
    ProgressBar::draw(left, barBottom, right, barTop, fraction, played, ahead);
}

// Again whenever the window's size or a glyph that was still to come
// changes the widths; otherwise the frames reuse it.
void PlayLine::layOut(float scale)
{
    const float room = right - left - text->widthInUnits(gap + charts);
    line = (title.empty() ? std::string() : text->fitted(title, room) + gap) + charts;
    laidOutScale = scale;
    laidOutWidth = text->widthInPixels(line);
    text->setPosition(-text->widthInUnits(line) / 2.0f, textY);
}
