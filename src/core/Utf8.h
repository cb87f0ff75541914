#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 as the game reads it from players' files and draws it: strict
// decoding (no overlong forms, surrogates or values past U+10FFFF), where
// every byte that does not start a valid sequence stands for one U+FFFD.
class Utf8 {
public:
    static constexpr char32_t replacement = 0xFFFD;

    // The code point at `at`, moving `at` past it (by one byte for a byte
    // that starts no valid sequence). `at` must be inside the text.
    static char32_t next(std::string_view text, std::size_t& at);
    // Bytes of the valid sequence starting at `at`; 0 when there is none.
    static std::size_t sequenceLength(std::string_view text, std::size_t at);
    static bool isValid(std::string_view text);
    static void append(std::string& text, char32_t codePoint);
    // The text cut short with "…" where it has more than `characters` code
    // points (never inside one).
    static std::string shortened(const std::string& text, std::size_t characters);
};
