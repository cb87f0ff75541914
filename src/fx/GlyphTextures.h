#pragma once

#include "platform/FontBuilder.h"

// Where bitmap texts' glyphs come from: the fonts, kept for the process's
// life, and their textures' names and how those are sampled and uploaded.
class GlyphTextures {
public:
    // The sheet of the codes first to first + count - 1; every text is first
    // built in the same default font and several share their second one, so
    // each font's sheet is rendered once.
    static const platform::BitmapSheet& sheet(const platform::FontRequest& request, unsigned first, unsigned count);
    // The font itself, for characters rendered one at a time: its faces stay
    // open for the next new character.
    static const platform::FontBuilder& font(const platform::FontRequest& request);
    // The mesh manager's textures take names from a counter starting at 1
    // without glGenTextures, which would hand out the same names; glyph
    // textures count down from the top of the name range instead.
    static unsigned takeName();
    // For the bound texture: nearest texels, clamped at the edges, so that a
    // glyph drawn at whole pixels shows its own pixels exactly.
    static void setNearest();
    // Rows of single bytes, no padding, nothing skipped.
    static void setTightUnpacking();
};
