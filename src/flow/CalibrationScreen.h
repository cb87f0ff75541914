#pragma once

#include "flow/Calibration.h"
#include "flow/Screen.h"

class Match;

// F9 on the story screen: the story stays, the calibration's line takes the
// song panel's place. Step keys tap along with the clicks, F9 starts over
// or saves the measured offset; once saved, a step key goes back to the
// song panel, and Escape does at any time (the click track stops). A slot
// key starts the song as on the story screen.
class CalibrationScreen : public Screen {
public:
    explicit CalibrationScreen(Match& match) : match(match) {}

    void enter() override;
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onKey(std::uint8_t code) override;
    void draw() override;

    // The song is starting: the click track stops.
    void stop();
    const Calibration& getCalibration() const { return calibration; }

private:
    Match& match;
    Calibration calibration;
};
