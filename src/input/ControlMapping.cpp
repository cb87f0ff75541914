#include "input/ControlMapping.h"

#include "core/ConfigFileParser.h"
#include "core/OutputHandler.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::array<const char*, ControlMapping::actionCount> actionNames = {
    "Up", "Right", "Down", "Left", "Slot1", "Slot2", "Slot3", "Slot4"};
constexpr std::size_t guidDigits = 32;
constexpr const char* padDeviceEntry = "PadDevice";

const std::string* valueOf(const std::map<std::string, std::string>& section, const std::string& key)
{
    const auto found = section.find(key);
    return found == section.end() ? nullptr : &found->second;
}

bool isBlank(const std::string& text)
{
    return text.find_first_not_of(" \t\r") == std::string::npos;
}

void warnUnreadable(int player, const std::string& key, const std::string& value, const char* expected)
{
    OutputHandler::report(OutputHandler::find(), Warning,
                          "Player %d: '%s = %s' is not %s, the default applies", player, key.c_str(), value.c_str(),
                          expected);
}

std::string formatKey(const Control& control)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(control.getNumber()));
    return text;
}

} // namespace

std::string ControlMapping::keyEntry(int action)
{
    return isAction(action) ? std::string("Key") + actionNames[static_cast<std::size_t>(action - 1)] : std::string();
}

std::string ControlMapping::padEntry(int action)
{
    return isAction(action) ? std::string("Pad") + actionNames[static_cast<std::size_t>(action - 1)] : std::string();
}

ControlMapping ControlMapping::read(const std::map<std::string, std::string>& section, int player)
{
    ControlMapping mapping;
    for (int action = 1; action <= actionCount; ++action) {
        const std::string* keyValue = valueOf(section, keyEntry(action));
        // The Key entries keep the player's reading: hexadecimal, lowest 8 bits.
        const int code = ConfigFileParser::toHex(keyValue ? *keyValue : std::string());
        mapping.keys[static_cast<std::size_t>(action - 1)] = Control::key(static_cast<std::uint8_t>(code & 0xFF));

        const std::string key = padEntry(action);
        const std::string* padValue = valueOf(section, key);
        if (!padValue || isBlank(*padValue))
            continue;
        const auto control = Control::parse(*padValue);
        if (control && control->isPad())
            mapping.pads[static_cast<std::size_t>(action - 1)] = *control;
        else
            warnUnreadable(player, key, *padValue, "a pad control (like button 0, hat 0 left or axis 1 +)");
    }
    const std::string* device = valueOf(section, padDeviceEntry);
    if (device && !isBlank(*device)) {
        if (const auto parsed = parsePadDevice(*device))
            mapping.padDevice = *parsed;
        else
            warnUnreadable(player, padDeviceEntry, *device, "a pad's GUID (32 hexadecimal digits, then its place 1 to 16)");
    }
    return mapping;
}

Control ControlMapping::keyFor(int action) const
{
    return isAction(action) ? keys[static_cast<std::size_t>(action - 1)] : Control{};
}

Control ControlMapping::padFor(int action) const
{
    return isAction(action) ? pads[static_cast<std::size_t>(action - 1)] : Control{};
}

void ControlMapping::set(int action, const Control& control)
{
    if (!isAction(action))
        return;
    const auto index = static_cast<std::size_t>(action - 1);
    if (control.getKind() == Control::Kind::Key)
        keys[index] = control;
    else if (control.isPad())
        pads[index] = control;
}

bool ControlMapping::hasPadControls() const
{
    for (const Control& control : pads)
        if (control.isSet())
            return true;
    return false;
}

int ControlMapping::actionUsing(const Control& control, bool samePad) const
{
    if (!control.isSet() || (control.isPad() && !samePad))
        return 0;
    const auto& controls = control.isPad() ? pads : keys;
    for (int action = 1; action <= actionCount; ++action)
        if (controls[static_cast<std::size_t>(action - 1)] == control)
            return action;
    return 0;
}

ControlMapping::Entries ControlMapping::changedEntries(const ControlMapping& before) const
{
    Entries entries;
    for (int action = 1; action <= actionCount; ++action)
        if (keyFor(action) != before.keyFor(action))
            entries.emplace_back(keyEntry(action), formatKey(keyFor(action)));
    for (int action = 1; action <= actionCount; ++action)
        if (padFor(action) != before.padFor(action))
            entries.emplace_back(padEntry(action), padFor(action).format());
    if (padDevice != before.padDevice)
        entries.emplace_back(padDeviceEntry, formatPadDevice(padDevice));
    return entries;
}

std::string ControlMapping::formatPadDevice(const PadDevice& device)
{
    if (device.guid.empty())
        return {};
    return device.order == 1 ? device.guid : device.guid + " " + std::to_string(device.order);
}

std::optional<ControlMapping::PadDevice> ControlMapping::parsePadDevice(std::string_view text)
{
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(start);
    PadDevice device;
    while (!text.empty() && std::isxdigit(static_cast<unsigned char>(text.front()))) {
        device.guid += static_cast<char>(std::tolower(static_cast<unsigned char>(text.front())));
        text.remove_prefix(1);
    }
    if (device.guid.size() != guidDigits)
        return std::nullopt;
    const std::size_t order = text.find_first_not_of(" \t");
    if (order == std::string_view::npos)
        return device;
    if (order == 0)
        return std::nullopt;
    text.remove_prefix(order);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), device.order);
    if (error != std::errc{} || stop != text.data() + text.size() || device.order < 1 || device.order > padOrderLimit)
        return std::nullopt;
    return device;
}
