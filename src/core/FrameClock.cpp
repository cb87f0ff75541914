#include "core/FrameClock.h"

#include "core/Object.h"
#include "core/ObjectRegistry.h"

FrameClock* FrameClock::find()
{
    if (!ObjectRegistry::exists())
        return nullptr;
    return dynamic_cast<FrameClock*>(ObjectRegistry::instance()->find("MainLoop"));
}

std::uint32_t FrameClock::frameDelta()
{
    const FrameClock* clock = find();
    return clock ? clock->getFrameDelta() : 0;
}
