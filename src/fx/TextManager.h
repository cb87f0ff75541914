#pragma once

#include "core/Object.h"
#include "fx/TextStyle.h"

#include <cstdint>
#include <vector>

// Keeps the current text style and a list of named styles, and creates texts
// in the current style. Registered as "TextManager"; one per process.
class TextManager : public Object {
public:
    // The process-wide manager, created on first call and again after a
    // registry teardown destroyed the previous one.
    static TextManager* instance();
    ~TextManager() override;

    bool init();
    // Names the current style and appends a copy of it to the styles.
    void addStyle(const char* name);
    // Makes the first style of that name current; false (and nothing changes) if none.
    bool selectStyle(const char* name);

    void setPosition(float x, float y);
    void setDuration(std::uint32_t milliseconds);
    void setFace(const char* name);
    void setFont(int height, int weight, int width, std::uint8_t italic, std::uint8_t underline,
                 std::uint8_t strikeOut);
    void setOutlineFont(int height, float extrusion, int weight, int width, std::uint8_t italic,
                        std::uint8_t underline, std::uint8_t strikeOut);

    // A text in the current style, linked into the scene graph. False, and no
    // text, when there is no graph to own it.
    bool createText(std::int8_t side, const char* format, ...) __attribute__((format(printf, 3, 4)));
    bool createOutlineText(std::int8_t side, const char* format, ...) __attribute__((format(printf, 3, 4)));

    const TextStyle& getCurrentStyle() const { return current; }
    const std::vector<TextStyle>& getStyles() const { return styles; }

private:
    TextManager();

    TextStyle current;
    std::vector<TextStyle> styles;
};
