#pragma once

#include <string>

class Picture;
class Text;

// Draws the story screen's text with one text node as a stamp: moved,
// refilled and drawn once per line. Shared by the screens shown before the
// song (the song panel and the calibration). The stamp reads its text as
// UTF-8, so players' titles show in any script; ASCII draws as ever.
class StoryPage {
public:
    explicit StoryPage(Text* stamp);

    // The sixteen lines of the story.
    void drawStory() const;
    // One line of the panel under the story.
    void drawLine(float y, const std::string& line) const;
    // A UTF-8 text with its baseline starting at (x, y), in the lines'
    // coordinates (the story's lines start at x = -4.8, the panel's at -4.5).
    void drawText(float x, float y, const std::string& text) const;
    // The width the text takes drawn so, in the same units, at the window's
    // present size; 0 without a stamp.
    float widthOf(const std::string& text) const;
    // The text cut to at most `width` units, ending in "…" where it was cut
    // (empty where not even that fits), never inside a character; unchanged
    // when it fits.
    std::string fitted(const std::string& text, float width) const;
    // A picture filling the rectangle, in the lines' coordinates.
    void drawPicture(const Picture& picture, float left, float bottom, float right, float top) const;

private:
    // Owned by the scene graph.
    Text* stamp;
};
