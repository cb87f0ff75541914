#include "flow/StoryPage.h"

#include "flow/Story.h"
#include "fx/Picture.h"
#include "fx/Text.h"

StoryPage::StoryPage(Text* stamp)
    : stamp(stamp)
{
    if (stamp)
        stamp->setUtf8(true);
}

void StoryPage::drawStory() const
{
    if (!stamp)
        return;
    for (const story::Line& line : story::lines) {
        stamp->setPosition(story::lineX, line.y);
        stamp->setText("%s", line.text);
        stamp->draw();
    }
}

void StoryPage::drawLine(float y, const std::string& line) const
{
    drawText(story::promptX - 3.0f, y, line);
}

void StoryPage::drawText(float x, float y, const std::string& text) const
{
    if (!stamp)
        return;
    stamp->setPosition(x, y);
    stamp->setText("%s", text.c_str());
    stamp->draw();
}

float StoryPage::widthOf(const std::string& text) const
{
    return stamp ? stamp->widthInUnits(text) : 0.0f;
}

std::string StoryPage::fitted(const std::string& text, float width) const
{
    return stamp ? stamp->fitted(text, width) : text;
}

void StoryPage::drawPicture(const Picture& picture, float left, float bottom, float right, float top) const
{
    if (!stamp)
        return;
    stamp->applySideTransform();
    picture.draw(left, bottom, right, top);
}
