#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One thing a player can press: a keyboard key, a pad button, one direction
// of a pad's hat, or one direction of a pad's axis. Read and written in the
// configuration's readable forms "key 26" (the virtual-key code in
// hexadecimal, as the Key entries have it), "button 0", "hat 0 left" and
// "axis 1 +".
class Control {
public:
    enum class Kind : std::uint8_t { None, Key, Button, Hat, Axis };
    enum class Direction : std::uint8_t { None, Up, Right, Down, Left, Plus, Minus };

    // The highest numbers a pad control may carry; the pad reader watches
    // this many buttons, hats and axes of a controller.
    static constexpr int buttonLimit = 128;
    static constexpr int hatLimit = 4;
    static constexpr int axisLimit = 16;

    Control() = default;
    static Control key(std::uint8_t code) { return {Kind::Key, code, Direction::None}; }
    static Control button(int number) { return {Kind::Button, number, Direction::None}; }
    static Control hat(int number, Direction direction) { return {Kind::Hat, number, direction}; }
    static Control axis(int number, bool positive)
    {
        return {Kind::Axis, number, positive ? Direction::Plus : Direction::Minus};
    }

    // Nothing when the text is not one of the readable forms, or a number
    // lies outside its limit. Blanks around the words do not matter, case does not either.
    static std::optional<Control> parse(std::string_view text);
    // The readable form; empty for no control.
    std::string format() const;

    Kind getKind() const { return kind; }
    int getNumber() const { return number; }
    Direction getDirection() const { return direction; }
    bool isSet() const { return kind != Kind::None; }
    bool isPad() const { return kind == Kind::Button || kind == Kind::Hat || kind == Kind::Axis; }

    bool operator==(const Control&) const = default;

private:
    Control(Kind kind, int number, Direction direction)
        : kind(kind)
        , number(number)
        , direction(direction)
    {
    }

    Kind kind = Kind::None;
    int number = 0;
    Direction direction = Direction::None;
};
