#include "flow/StoryPage.h"

#include "flow/Story.h"
#include "fx/Picture.h"
#include "fx/Text.h"

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
    if (!stamp)
        return;
    stamp->setPosition(story::promptX - 3.0f, y);
    stamp->setText("%s", line.c_str());
    stamp->draw();
}

void StoryPage::drawPicture(const Picture& picture, float left, float bottom, float right, float top) const
{
    if (!stamp)
        return;
    stamp->applySideTransform();
    picture.draw(left, bottom, right, top);
}
