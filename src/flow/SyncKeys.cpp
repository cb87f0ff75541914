#include "flow/SyncKeys.h"

#include "chart/ChartHash.h"
#include "chart/Song.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "flow/StoryScreen.h"
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

std::optional<library::SongSync::Key> SyncKeys::ofPlayed(const library::SongEntry* chosen, const chart::Song* playing)
{
    const std::optional<library::SongSync::Key> key = chosen ? StoryScreen::syncKeyOf(*chosen) : std::nullopt;
    if (!key || !playing || playing->charts.empty() || chart::ChartHash::of(playing->charts.front()).value() != key->second)
        return std::nullopt;
    return key;
}

int SyncKeys::offsetOf(library::SongSync& sync, const std::optional<library::SongSync::Key>& key)
{
    if (!key)
        return 0;
    const int offset = sync.offsetMs(*key);
    if (offset != 0)
        OutputHandler::log(OutputHandler::find(), "Match: The song's own offset is %+d ms", offset);
    return offset;
}
