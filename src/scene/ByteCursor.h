#pragma once

#include <cstdint>
#include <cstring>
#include <span>

// Bounds-checked little-endian reads from a byte buffer. Every read either
// delivers the whole value and advances, or fails and leaves the position.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes)
        : data(bytes)
    {
    }

    std::size_t position() const { return pos; }
    std::size_t size() const { return data.size(); }
    std::size_t remaining() const { return data.size() - pos; }
    bool atEnd() const { return pos >= data.size(); }

    bool u8(std::uint8_t& value)
    {
        if (remaining() < 1)
            return false;
        value = data[pos++];
        return true;
    }

    bool u16(std::uint16_t& value)
    {
        if (remaining() < 2)
            return false;
        value = static_cast<std::uint16_t>(data[pos] | (data[pos + 1] << 8));
        pos += 2;
        return true;
    }

    bool u32(std::uint32_t& value)
    {
        if (remaining() < 4)
            return false;
        value = static_cast<std::uint32_t>(data[pos]) | (static_cast<std::uint32_t>(data[pos + 1]) << 8)
            | (static_cast<std::uint32_t>(data[pos + 2]) << 16) | (static_cast<std::uint32_t>(data[pos + 3]) << 24);
        pos += 4;
        return true;
    }

    bool i32(std::int32_t& value)
    {
        std::uint32_t raw = 0;
        if (!u32(raw))
            return false;
        value = static_cast<std::int32_t>(raw);
        return true;
    }

    bool f32(float& value)
    {
        std::uint32_t raw = 0;
        if (!u32(raw))
            return false;
        std::memcpy(&value, &raw, sizeof value);
        return true;
    }

    // Points at the next count bytes and advances past them.
    bool take(std::size_t count, const std::uint8_t*& bytes)
    {
        if (remaining() < count)
            return false;
        bytes = data.data() + pos;
        pos += count;
        return true;
    }

    bool skip(std::size_t count)
    {
        if (remaining() < count)
            return false;
        pos += count;
        return true;
    }

    // Moves to an absolute offset; positions past the end are refused.
    bool seek(std::size_t offset)
    {
        if (offset > data.size())
            return false;
        pos = offset;
        return true;
    }

    void seekEnd() { pos = data.size(); }

private:
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
};
