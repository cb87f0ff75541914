#include "library/FieldList.h"

#include <charconv>

namespace library {

namespace {

template <typename Number>
std::string written(Number value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

template <typename Number>
bool parsed(std::string_view field, Number& value)
{
    Number read{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), read);
    if (error != std::errc() || end != field.data() + field.size())
        return false;
    value = read;
    return true;
}

} // namespace

std::string FieldList::join(const std::vector<std::string>& fields)
{
    std::string text;
    for (const std::string& field : fields) {
        text += std::to_string(field.size());
        text += ':';
        text += field;
    }
    return text;
}

std::optional<std::vector<std::string>> FieldList::split(std::string_view text)
{
    std::vector<std::string> fields;
    while (!text.empty()) {
        const std::size_t colon = text.find(':');
        std::size_t length = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + std::min(colon, text.size()), length);
        if (colon == std::string_view::npos || colon == 0 || error != std::errc() || end != text.data() + colon
            || length > text.size() - colon - 1)
            return std::nullopt;
        fields.emplace_back(text.substr(colon + 1, length));
        text.remove_prefix(colon + 1 + length);
    }
    return fields;
}

std::string FieldList::number(double value)
{
    return written(value);
}

std::string FieldList::number(std::int64_t value)
{
    return written(value);
}

bool FieldList::parse(std::string_view field, double& value)
{
    return parsed(field, value);
}

bool FieldList::parse(std::string_view field, std::int64_t& value)
{
    return parsed(field, value);
}

} // namespace library
