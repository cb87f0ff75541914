#pragma once

#include <string>

class Text;

// During play, along the top edge between the sidebars, behind whatever
// passes there: the song's title with each player's chart and meter, and
// under it a bar of how far the song has got. Its text is linked into the
// scene graph (path "PlayLine") but inactive: only the play screen draws it.
class PlayLine {
public:
    static constexpr float left = -3.9f;
    static constexpr float right = 3.9f;
    static constexpr float textY = 3.56f;
    static constexpr float barBottom = 3.465f;
    static constexpr float barTop = 3.505f;
    static constexpr int fontHeight = -16;

    // Creates its text; without a scene graph there is nothing to draw it in.
    void create();
    // The song that starts: its title and the players' charts, as
    // "Kai: Hard 9    Lani: Medium 6".
    void show(const std::string& title, const std::string& charts);
    // With `songFraction` of the song's length played, 0 to 1.
    void draw(double songFraction);

    // The line as drawn: the title cut with an ellipsis where both do not fit.
    const std::string& getLine() const { return line; }
    const Text* getText() const { return text; }
    double getFraction() const { return fraction; }

private:
    void layOut(float scale);

    Text* text = nullptr;
    std::string title;
    std::string charts;
    // Laid out for the window's size and the glyphs' widths at the time.
    std::string line;
    float laidOutScale = 0.0f;
    int laidOutWidth = 0;
    double fraction = 0.0;
};
