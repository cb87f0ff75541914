#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace forge {

// A little-endian byte buffer for the binary file writers.
class ByteWriter {
public:
    void u8(std::uint8_t value) { bytes.push_back(value); }
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void f32(float value);
    void raw(const void* data, std::size_t size);
    // A zero-padded (or cut) fixed-size text field.
    void fixedString(const std::string& text, std::size_t size);
    // Text followed by a terminating zero.
    void cString(const std::string& text);
    // Overwrites four bytes at offset (for lengths known only later).
    void patchU32(std::size_t offset, std::uint32_t value);

    std::size_t size() const { return bytes.size(); }
    const std::vector<std::uint8_t>& data() const { return bytes; }
    std::vector<std::uint8_t>& data() { return bytes; }

private:
    std::vector<std::uint8_t> bytes;
};

// Writes bytes to path, creating its folders; throws std::runtime_error on failure.
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeFile(const std::filesystem::path& path, const std::string& text);

} // namespace forge
