#include "flow/CalibrationScreen.h"

#include "flow/Match.h"
#include "flow/Story.h"
#include "platform/SystemClock.h"
#include "platform/VirtualKeys.h"
#include "sound/SoundManager.h"

namespace {

using platform::VirtualKeys;

} // namespace

void CalibrationScreen::enter()
{
    if (SoundManager* sound = Match::findSound())
        calibration.onKey(*sound);
}

void CalibrationScreen::onPlayerAction(std::uint8_t, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    if (!isDirection(action)) {
        match.requestStart(pressTick, newPress);
        return;
    }
    if (!newPress)
        return;
    SoundManager* sound = Match::findSound();
    if (calibration.getState() == Calibration::State::Tapping && sound) {
        const auto age = static_cast<std::int32_t>(platform::SystemClock::tickCount() - pressTick);
        calibration.tap(*sound, age > 0 ? static_cast<std::uint32_t>(age) : 0);
    } else if (calibration.getState() == Calibration::State::Off) {
        // Only back to the panel: the press does not also step through it.
        match.showStory();
    }
}

void CalibrationScreen::onKey(std::uint8_t code)
{
    SoundManager* sound = Match::findSound();
    if (code == VirtualKeys::function(9) && sound)
        calibration.onKey(*sound);
}

void CalibrationScreen::stop()
{
    if (SoundManager* sound = Match::findSound())
        calibration.stop(*sound);
}

void CalibrationScreen::draw()
{
    const StoryPage& page = match.getStoryPage();
    page.drawStory();
    page.drawLine(story::panelLineY[0], calibration.statusLine());
    page.drawLine(story::panelLineY[1], "Escape: back to the songs");
}
