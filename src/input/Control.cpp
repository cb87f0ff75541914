#include "input/Control.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

constexpr int keyLimit = 256;

struct DirectionName {
    const char* name;
    Control::Direction direction;
};

constexpr std::array<DirectionName, 6> directionNames = {{
    {"up", Control::Direction::Up},
    {"right", Control::Direction::Right},
    {"down", Control::Direction::Down},
    {"left", Control::Direction::Left},
    {"+", Control::Direction::Plus},
    {"-", Control::Direction::Minus},
}};

std::string lowered(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::vector<std::string> wordsOf(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        std::size_t end = at;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        if (end > at)
            words.push_back(lowered(text.substr(at, end - at)));
        at = end;
    }
    return words;
}

// The whole word as a number below the limit, or nothing.
std::optional<int> numberOf(const std::string& word, int base, int limit)
{
    int value = 0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value, base);
    if (error != std::errc{} || stop != end || value < 0 || value >= limit)
        return std::nullopt;
    return value;
}

std::optional<Control::Direction> directionOf(const std::string& word)
{
    for (const DirectionName& entry : directionNames)
        if (word == entry.name)
            return entry.direction;
    return std::nullopt;
}

const char* nameOf(Control::Direction direction)
{
    for (const DirectionName& entry : directionNames)
        if (entry.direction == direction)
            return entry.name;
    return "";
}

bool isHatDirection(Control::Direction direction)
{
    return direction == Control::Direction::Up || direction == Control::Direction::Right
        || direction == Control::Direction::Down || direction == Control::Direction::Left;
}

} // namespace

std::optional<Control> Control::parse(std::string_view text)
{
    const std::vector<std::string> words = wordsOf(text);
    if (words.size() == 2 && words[0] == "key") {
        if (const auto code = numberOf(words[1], 16, keyLimit))
            return key(static_cast<std::uint8_t>(*code));
    } else if (words.size() == 2 && words[0] == "button") {
        if (const auto number = numberOf(words[1], 10, buttonLimit))
            return button(*number);
    } else if (words.size() == 3 && words[0] == "hat") {
        const auto number = numberOf(words[1], 10, hatLimit);
        const auto direction = directionOf(words[2]);
        if (number && direction && isHatDirection(*direction))
            return hat(*number, *direction);
    } else if (words.size() == 3 && words[0] == "axis") {
        const auto number = numberOf(words[1], 10, axisLimit);
        const auto direction = directionOf(words[2]);
        if (number && direction && !isHatDirection(*direction))
            return axis(*number, *direction == Direction::Plus);
    }
    return std::nullopt;
}

std::string Control::format() const
{
    char text[32] = {};
    switch (kind) {
    case Kind::None:
        break;
    case Kind::Key:
        std::snprintf(text, sizeof text, "key %X", static_cast<unsigned>(number));
        break;
    case Kind::Button:
        std::snprintf(text, sizeof text, "button %d", number);
        break;
    case Kind::Hat:
    case Kind::Axis:
        std::snprintf(text, sizeof text, "%s %d %s", kind == Kind::Hat ? "hat" : "axis", number, nameOf(direction));
        break;
    }
    return text;
}
