#pragma once

#include <string>

class Picture;
class Text;

// Draws the story screen's text with one text node as a stamp: moved,
// refilled and drawn once per line. Shared by the screens shown before the
// song (the song panel and the calibration).
class StoryPage {
public:
    explicit StoryPage(Text* stamp) : stamp(stamp) {}

    // The sixteen lines of the story.
    void drawStory() const;
    // One line of the panel under the story.
    void drawLine(float y, const std::string& line) const;
    // A picture filling the rectangle, in the lines' coordinates.
    void drawPicture(const Picture& picture, float left, float bottom, float right, float top) const;

private:
    // Owned by the scene graph.
    Text* stamp;
};
