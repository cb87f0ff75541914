#include "flow/AddressEntryScreen.h"

#include "flow/Match.h"
#include "flow/Story.h"
#include "net/NetProtocol.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <cstdlib>

namespace {

using platform::VirtualKeys;

// The character a key types into an address, or 0. The colon's key types
// a colon with or without Shift: a semicolon has no place in an address.
char characterOf(std::uint8_t code)
{
    if (code >= '0' && code <= '9')
        return static_cast<char>(code);
    if (code >= 'A' && code <= 'Z')
        return static_cast<char>(code - 'A' + 'a');
    if (code >= VirtualKeys::numpad0 && code <= VirtualKeys::numpad9)
        return static_cast<char>('0' + (code - VirtualKeys::numpad0));
    switch (code) {
    case VirtualKeys::period:
    case VirtualKeys::numpadPeriod:
        return '.';
    case VirtualKeys::minus:
    case VirtualKeys::numpadMinus:
        return '-';
    case VirtualKeys::semicolon:
        return ':';
    default:
        return 0;
    }
}

} // namespace

void AddressEntryScreen::enter()
{
    text.clear();
    problem.clear();
    typed.reset();
}

void AddressEntryScreen::update(std::uint32_t)
{
    for (const std::uint8_t code : typed.take()) {
        type(code);
        if (match.currentScreen() != this)
            return;
    }
}

void AddressEntryScreen::type(std::uint8_t code)
{
    if (code == VirtualKeys::enter) {
        submit();
        return;
    }
    if (code == VirtualKeys::backspace) {
        if (!text.empty())
            text.pop_back();
        problem.clear();
        return;
    }
    const char character = characterOf(code);
    if (character && text.size() < maxLength) {
        text += character;
        problem.clear();
    }
}

void AddressEntryScreen::submit()
{
    if (const std::optional<NetPlan> plan = parse(text, problem))
        match.joinBattle(*plan);
}

std::optional<NetPlan> AddressEntryScreen::parse(const std::string& address, std::string& reason)
{
    const auto colon = address.find(':');
    NetPlan plan{false, address.substr(0, colon), net::defaultPort};
    if (plan.hostName.empty()) {
        reason = "Type the other player's address or room code first";
        return std::nullopt;
    }
    if (net::RoomCode code{}; colon == std::string::npos && net::parseRoomCode(address, code))
        plan.roomCode = code;
    if (colon == std::string::npos)
        return plan;
    const std::string port = address.substr(colon + 1);
    const bool digits = !port.empty() && port.size() <= 5
        && std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    const long value = digits ? std::strtol(port.c_str(), nullptr, 10) : 0;
    if (value < 1 || value > 65535) {
        reason = "'" + port + "' is not a port (1 to 65535)";
        return std::nullopt;
    }
    plan.port = static_cast<std::uint16_t>(value);
    return plan;
}

void AddressEntryScreen::draw()
{
    const StoryPage& page = match.getStoryPage();
    page.drawStory();
    page.drawLine(story::panelLineY[0], "Join a battle across two machines");
    page.drawLine(story::panelLineY[1], "Room code or address of the other player's game: " + story::printable(text) + "_");
    page.drawLine(story::panelLineY[2], story::printable(problem));
    page.drawLine(story::panelLineY[3], "CODE, HOST or HOST:PORT (port " + std::to_string(net::defaultPort)
                                            + " without one)    Enter: join    Escape: back");
}
