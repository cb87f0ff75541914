#pragma once

#include <cstdint>
#include <string>

// A named set of font, placement and display-time values for new texts.
struct TextStyle {
    std::string name;
    std::string face = "Arial Black";
    std::int32_t height = -50;
    std::int32_t width = 0;
    std::int32_t weight = 700;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    float extrusion = 0.2f;
    float x = 0.0f;
    float y = 0.0f;
    std::uint32_t duration = 3000;
};
