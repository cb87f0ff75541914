#include "flow/TypedKeys.h"

#include "core/ObjectRegistry.h"
#include "input/InputHandler.h"

#include <algorithm>

namespace {

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
    for (std::size_t code = 0; code < seen.size(); ++code) {
        if (presses->count[code] != seen[code])
            pressed.push_back(static_cast<std::uint8_t>(code));
    }
    seen = presses->count;
    std::stable_sort(pressed.begin(), pressed.end(), [presses](std::uint8_t a, std::uint8_t b) {
        return presses->tick[a] < presses->tick[b];
    });
    return pressed;
}
