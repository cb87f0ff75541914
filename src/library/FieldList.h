#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace library {

// A list of text fields kept in one text value: each field is its length in
// decimal, a colon and its bytes, so that any byte may stand in a field.
// Numbers are written exactly (shortest round-trip form).
class FieldList {
public:
    static std::string join(const std::vector<std::string>& fields);
    // None for text that is not such a list (cut short, garbled).
    static std::optional<std::vector<std::string>> split(std::string_view text);

    static std::string number(double value);
    static std::string number(std::int64_t value);
    // False, leaving `value`, for a field that is not wholly a number.
    static bool parse(std::string_view field, double& value);
    static bool parse(std::string_view field, std::int64_t& value);
};

} // namespace library
