#pragma once

#include "core/FrameClock.h"
#include "core/Object.h"

#include <cstdint>
#include <bitset>
#include <string>

class ArrowManager;
class ConfigFileParser;
class GimmickManager;
class InputHandler;
class OutputHandler;
class PlayerManager;
class SoundManager;
class Text;
class TextManager;
struct WindowRecord;

// The application object: creates the managers in a fixed order, updates
// them once per frame and draws the story screen or the scene. Registered as
// "MainLoop"; its destructor ends the registry and every other manager.
class MainLoop : public Object, public FrameClock {
public:
    // Virtual-key codes of the main-loop commands.
    static constexpr std::uint8_t keyEscape = 27;
    static constexpr std::uint8_t keyF1 = 112;
    static constexpr std::uint8_t keyF2 = 113;
    static constexpr std::uint8_t keyF3 = 114;
    static constexpr std::uint8_t keyF5 = 116;
    static constexpr std::uint8_t keyF9 = 120;

    MainLoop();
    ~MainLoop() override;

    bool initialize(WindowRecord* window, std::uint8_t* keyStates);
    void update();
    void draw();
    // A main-loop key that is down this frame. Toggles act once per press:
    // a key still down from the previous frame is a held key, not a new press.
    void onKey(std::uint8_t code);
    void deinitialize() {}
    // Back to the story screen for another round, everything as after
    // start-up but the song panel's choice; no asset is loaded again.
    void startNewRound();

    std::uint32_t getFrameDelta() const override { return frameDelta; }
    std::uint32_t getFps() const { return fps; }
    bool isWireframe() const { return wireframe; }
    int getStarted() const { return started; }
    void setStarted(int value) { started = value; }
    WindowRecord* getWindow() const { return window; }
    // The second text node: the intro, hidden once the song starts.
    Text* getStoryText() const { return storyText; }

private:
    static void setFixedGlState();
    void registerMainLoopKeys();
    void bindJoysticks();
    void toggleWireframe();
    void loadSounds();
    static void createGoalMarkers();
    static void createCarrierArrow();
    void setUpTexts();
    void drawStoryScreen();
    void drawSongPanel();
    std::string playerName(int number) const;
    void drawPanelLine(float y, const char* format, ...) __attribute__((format(printf, 3, 4)));

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

    // Main-loop keys seen down in the previous and the current frame, so the
    // toggles act once per press although dispatch repeats every frame.
    std::bitset<256> keysDownLastFrame;
    std::bitset<256> keysDownThisFrame;
};
