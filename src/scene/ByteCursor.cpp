#include "scene/ByteCursor.h"

#include <algorithm>
#include <bit>

bool ByteCursor::fits(std::size_t count, std::size_t recordSize) const
{
    return recordSize == 0 || count <= remaining() / recordSize;
}

const std::uint8_t* ByteCursor::take(std::size_t count)
{
    if (failed || count > bytes.size() - offset) {
        failed = true;
        return nullptr;
    }
    const std::uint8_t* start = bytes.data() + offset;
    offset += count;
    return start;
}

void ByteCursor::skip(std::size_t count)
{
    take(count);
}

void ByteCursor::seek(std::size_t position)
{
    if (position > bytes.size())
        failed = true;
    else
        offset = position;
}

std::uint8_t ByteCursor::u8()
{
    const std::uint8_t* p = take(1);
    return p ? p[0] : 0;
}

std::uint16_t ByteCursor::u16()
{
    const std::uint8_t* p = take(2);
    return p ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : 0;
}

std::int32_t ByteCursor::i32()
{
    const std::uint8_t* p = take(4);
    if (!p)
        return 0;
    const std::uint32_t value = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    return static_cast<std::int32_t>(value);
}

float ByteCursor::f32()
{
    return std::bit_cast<float>(i32());
}

std::string ByteCursor::fixedString(std::size_t fieldSize, bool& terminated)
{
    const std::uint8_t* p = take(fieldSize);
    terminated = false;
    if (!p)
        return {};
    const std::uint8_t* end = p + fieldSize;
    const std::uint8_t* zero = std::find(p, end, 0);
    terminated = zero != end;
    return std::string(p, zero);
}
