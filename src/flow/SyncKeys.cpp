#include "flow/SyncKeys.h"

#include "core/ObjectRegistry.h"
#include "input/InputHandler.h"
#include "platform/VirtualKeys.h"

namespace {

const KeyPresses* keyPresses()
{
    const auto* input = ObjectRegistry::instance()->findAs<InputHandler>("InputHandler");
    return input ? input->getKeyPresses() : nullptr;
}

} // namespace

SyncKeys::SyncKeys()
    : earlier(platform::VirtualKeys::comma)
    , later(platform::VirtualKeys::period)
{
}

void SyncKeys::reset()
{
    if (const KeyPresses* presses = keyPresses()) {
        earlier.reset(*presses);
        later.reset(*presses);
    }
}

void SyncKeys::update(std::uint32_t tick, library::SongSync& sync, const std::optional<library::SongSync::Key>& key,
                      bool ignored)
{
    const KeyPresses* presses = keyPresses();
    if (!presses)
        return;
    const int steps = later.stepsAt(*presses, tick) - earlier.stepsAt(*presses, tick);
    if (steps != 0 && !ignored && key)
        sync.setOffsetMs(*key, sync.offsetMs(*key) + steps);
}
