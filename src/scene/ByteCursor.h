#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Reads little-endian values from a byte buffer without ever leaving it. A
// read past the end yields zero and marks the cursor failed for good, so a
// parser can read a whole record and check once.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    bool ok() const { return !failed; }
    std::size_t position() const { return offset; }
    std::size_t remaining() const { return failed ? 0 : bytes.size() - offset; }
    // True when count records of recordSize bytes each still fit.
    bool fits(std::size_t count, std::size_t recordSize) const;

    void skip(std::size_t count);
    void seek(std::size_t position);
    std::uint8_t u8();
    std::int8_t i8() { return static_cast<std::int8_t>(u8()); }
    std::uint16_t u16();
    std::int32_t i32();
    float f32();
    // The bytes of a fixed-size field up to its first zero; terminated tells
    // whether the field held a zero at all.
    std::string fixedString(std::size_t fieldSize, bool& terminated);

private:
    const std::uint8_t* take(std::size_t count);

    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
    bool failed = false;
};
