#pragma once

#include "core/FrameClock.h"
#include "core/Object.h"

#include <bitset>
#include <cstdint>
#include <memory>

class ArrowManager;
class ConfigFileParser;
class GimmickManager;
class InputHandler;
class Match;
class OutputHandler;
class PlayerManager;
class SoundManager;
class Text;
class TextManager;
struct WindowRecord;

// The application object: creates the managers in a fixed order, updates
// them once per frame and has the match's current screen draw (the story
// screen or the scene). Registered as "MainLoop"; its destructor ends the
// registry and every other manager.
class MainLoop : public Object, public FrameClock {
public:
    MainLoop();
    ~MainLoop() override;

    bool initialize(WindowRecord* window, std::uint8_t* keyStates);
    void update();
    void draw();
    // A main-loop key that is down this frame. Toggles act once per press:
    // a key still down from the previous frame is a held key, not a new press.
    // Escape, F3 and F5 act on every screen (Escape not on a screen that
    // takes it); other keys are the screen's.
    void onKey(std::uint8_t code);
    void deinitialize() {}

    std::uint32_t getFrameDelta() const override { return frameDelta; }
    std::uint32_t getFps() const { return fps; }
    bool isWireframe() const { return wireframe; }
    int getStarted() const { return started; }
    WindowRecord* getWindow() const { return window; }
    // The second text node: the intro, hidden once the song starts.
    Text* getStoryText() const { return storyText; }
    Match& getMatch() const { return *match; }

private:
    static void setFixedGlState();
    void registerMainLoopKeys();
    void bindJoysticks();
    void toggleWireframe();
    void loadSounds();
    void setUpTexts();
    void createDancer();
    void onSongStarted();
    void onRoundStarted();

    std::uint32_t lastTick = 0;
    std::uint32_t frameDelta = 0;
    std::uint32_t secondTick = 0;
    std::uint32_t frameCount = 0;
    std::uint32_t fps = 0;
    bool wireframe = false;
    int started = 0;
    WindowRecord* window = nullptr;
    std::uint8_t* keyStates = nullptr;
    InputHandler* inputHandler = nullptr;
    OutputHandler* outputHandler = nullptr;
    PlayerManager* playerManager = nullptr;
    ArrowManager* arrowManager = nullptr;
    SoundManager* soundManager = nullptr;
    ConfigFileParser* configFileParser = nullptr;
    TextManager* textManager = nullptr;
    // Owned by the scene graph once their fonts link them in.
    Text* fpsText = nullptr;
    Text* storyText = nullptr;
    GimmickManager* gimmickManager = nullptr;
    // The screens and the rounds.
    std::unique_ptr<Match> match;

    // Main-loop keys seen down in the previous and the current frame, so the
    // toggles act once per press although dispatch repeats every frame.
    std::bitset<256> keysDownLastFrame;
    std::bitset<256> keysDownThisFrame;
    // The screen took this Escape press: held, it does not end the game.
    bool escapeTaken = false;
};
