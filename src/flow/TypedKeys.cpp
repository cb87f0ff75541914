#include "flow/TypedKeys.h"

#include "core/ObjectRegistry.h"
#include "input/InputHandler.h"
#include "platform/VirtualKeys.h"

#include <algorithm>

namespace {

constexpr std::uint32_t maxRepeats = 4;

const KeyPresses* findPresses()
{
    const auto* input = ObjectRegistry::instance()->findAs<InputHandler>("InputHandler");
    return input ? input->getKeyPresses() : nullptr;
}

} // namespace

void TypedKeys::reset()
{
    const KeyPresses* presses = findPresses();
    seen = presses ? presses->count : decltype(seen){};
}

std::vector<std::uint8_t> TypedKeys::take()
{
    const KeyPresses* presses = findPresses();
    std::vector<std::uint8_t> pressed;
    if (!presses)
        return pressed;
    // A key pressed more than once since the last look counts each time
    // (a few at most: a count that jumps is no typing).
    for (std::size_t code = 0; code < seen.size(); ++code) {
        const std::uint32_t times = std::min<std::uint32_t>(presses->count[code] - seen[code], maxRepeats);
        pressed.insert(pressed.end(), times, static_cast<std::uint8_t>(code));
    }
    seen = presses->count;
    std::stable_sort(pressed.begin(), pressed.end(), [presses](std::uint8_t a, std::uint8_t b) {
        return presses->tick[a] < presses->tick[b];
    });
    return pressed;
}

char TypedKeys::searchCharacter(std::uint8_t code)
{
    if ((code >= '0' && code <= '9') || code == platform::VirtualKeys::space)
        return static_cast<char>(code);
    if (code >= 'A' && code <= 'Z')
        return static_cast<char>(code - 'A' + 'a');
    return code == platform::VirtualKeys::minus ? '-' : 0;
}
