#include "app/MainLoop.h"

#include "app/Application.h"
#include "app/PlayStage.h"
#include "app/StartupTimes.h"
#include "chart/Lane.h"
#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "fx/AnimatedSprite.h"
#include "fx/ExplosionEmitter.h"
#include "fx/FrameSequence.h"
#include "fx/GlyphAtlas.h"
#include "fx/SpecialFX.h"
#include "fx/Text.h"
#include "fx/TextManager.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/Sidebar.h"
#include "game/StepFileManager.h"
#include "input/InputHandler.h"
#include "platform/SystemClock.h"
#include "platform/VirtualKeys.h"
#include "scene/Dancer.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <GL/gl.h>

#include <memory>
#include <string>

namespace {

using platform::VirtualKeys;

constexpr std::uint32_t millisecondsPerSecond = 1000;
constexpr const char* discoFramePrefix = "Data/Textures/ParticleSystem/disco/disco";

// The graph owns what it links; a node it does not take is dropped here.
void linkNode(std::unique_ptr<ObjectNode> node, const char* path)
{
    ObjectGraph* graph = ObjectGraph::find();
    if (graph && graph->addNode(node.get(), path))
        node.release();
}

void addDiscoLight(const char* name, float x, float y)
{
    auto light = std::make_unique<AnimatedSprite>(name, ObjectNode::SideCentre, discoFramePrefix, 1, true);
    light->x = x;
    light->y = y;
    linkNode(std::move(light), name);
}

} // namespace

MainLoop::MainLoop()
    : Object(true, "MainLoop")
{
    outputHandler = OutputHandler::instance();
    configFileParser = new ConfigFileParser();
    inputHandler = new InputHandler();
    playerManager = PlayerManager::instance();
    arrowManager = new ArrowManager();
    soundManager = SoundManager::instance();
    textManager = TextManager::instance();
    fpsText = new Text(0, ObjectNode::SideCentre);
    storyText = new Text(0, ObjectNode::SideCentre);
    gimmickManager = GimmickManager::instance();
    match = std::make_unique<Match>(*arrowManager, storyText, *configFileParser,
                                    Match::Hooks{[this] { onSongStarted(); }, [this] { onRoundStarted(); }});
}

// Ends the registry: every other manager goes with it, in registration order.
MainLoop::~MainLoop()
{
    // The match and its screens refer to managers the registry owns.
    match.reset();
    if (ObjectRegistry::exists())
        ObjectRegistry::destroy();
}

bool MainLoop::initialize(WindowRecord* windowRecord, std::uint8_t* keyFlags)
{
    window = windowRecord;
    keyStates = keyFlags;
    started = 0;

    outputHandler->open();
    OutputHandler::log(outputHandler, "INITIALIZING...");

    inputHandler->init(keyStates, window ? window->keyPresses : nullptr);
    inputHandler->setReceivers(
        {[this](std::uint8_t code) { onKey(code); }, [](std::uint8_t) {},
         [this](std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) {
             match->onPlayerAction(player, action, pressTick, newPress);
         },
         [this](std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick) {
             match->onPlayerRelease(player, action, releaseTick);
         }});
    registerMainLoopKeys();

    configFileParser->parse("Conf/global.cfg");
    StartupTimes::mark("configuration");

    // Registers itself; the arrow manager reads the chart through it.
    new StepFileManager();
    soundManager->init(44100, 32, 0);
    loadSounds();
    StartupTimes::mark("sounds");
    // The library is read on threads of its own while the rest starts: only
    // now, as the sound output may start a sound server (fork) on opening.
    match->startLibraryScan();

    textManager->init();

    setFixedGlState();

    PlayStage::build(*arrowManager, *match);
    bindJoysticks();
    StartupTimes::mark("joysticks");

    lastTick = platform::SystemClock::tickCount();

    setUpTexts();
    StartupTimes::mark("texts");
    PlayStage::createCarrierArrow();

    linkNode(std::make_unique<SpecialFX>("TestPart"), "TestPart");
    StartupTimes::mark("arrow and particles");
    addDiscoLight("Disco2", 4.5f, 3.2f);
    addDiscoLight("Disco1", -4.5f, 3.2f);
    StartupTimes::mark("disco lights");
    // Missile explosions and trails then find their frames in the cache.
    FrameSequence::load(ExplosionEmitter::framePrefix);
    StartupTimes::mark("explosion frames");

    createDancer();
    StartupTimes::mark("dancer");

    // Each sidebar links itself, its points text and its icons into the graph.
    new Sidebar(nodes::sidebarP1, playerManager->getPlayer(1));
    new Sidebar(nodes::sidebarP2, playerManager->getPlayer(2));
    gimmickManager->init();
    StartupTimes::mark("sidebars and gimmicks");

    match->showLibrary();
    StartupTimes::mark("song library");

    OutputHandler::log(outputHandler, "INITIALIZING DONE...");
    return true;
}

// The arrow manager tells the dancer of every step it spawns.
void MainLoop::createDancer()
{
    auto dancer = std::make_unique<Dancer>();
    Dancer* node = dancer.get();
    ObjectGraph* graph = ObjectGraph::find();
    if (graph && graph->addNode(node, nodes::dancer)) {
        dancer.release();
        arrowManager->setDancer(node);
    }
}

// The slot key ends the story screen: the intro text goes.
void MainLoop::onSongStarted()
{
    started = 1;
    storyText->setActive(false);
}

// The match has started every manager's new round and shows the story again.
void MainLoop::onRoundStarted()
{
    storyText->setActive(true);
    started = 0;
    OutputHandler::log(outputHandler, "MainLoop: A new round");
}

void MainLoop::setFixedGlState()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glClearStencil(0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// Both texts are first made with the default font, which links them into
// the graph under "Text", then given their own.
void MainLoop::setUpTexts()
{
    fpsText->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0);
    fpsText->changeBitmapFont(16, 700, "Courier New", 0, 0, 0, 0);
    fpsText->setPosition(-1.5f, -3.5f);

    storyText->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0);
    storyText->changeBitmapFont(22, 700, "Arial", 0, 0, 0, 0);
    storyText->setPosition(-4.5f, 2.0f);
}

void MainLoop::loadSounds()
{
    static constexpr struct {
        const char* name;
        const char* path;
    } sounds[] = {
        {"Coconut", "Data/Music/coconut.mp3"},       {"Dominating", "Data/Sound/dominating.wav"},
        {"Godlike", "Data/Sound/godlike.wav"},       {"Humiliation", "Data/Sound/humiliation.wav"},
        {"Rampage", "Data/Sound/rampage.wav"},       {"Perfect", "Data/Sound/perfect.wav"},
        {"Ultrakill", "Data/Sound/ultrakill.wav"},   {"Explosion1", "Data/Sound/explosion1.wav"},
    };
    for (const auto& sound : sounds)
        soundManager->addSound(sound.path, sound.name);
}

// F5 joins the classic four so that the display-mode switch is reachable, F8
// the controls' mapping, F9 the timing calibration, F6/F7 and F10/F11 the
// players' scroll speeds, F4 and F12 hosting and joining a network battle,
// Pause the pause in play.
void MainLoop::registerMainLoopKeys()
{
    inputHandler->registerBinding(VirtualKeys::escape, InputHandler::targetMainLoop, 0, 0, InputHandler::mediaKeyboard);
    inputHandler->registerBinding(VirtualKeys::pause, InputHandler::targetMainLoop, 0, 0, InputHandler::mediaKeyboard);
    for (int number = 1; number <= 12; ++number)
        inputHandler->registerBinding(VirtualKeys::function(number), InputHandler::targetMainLoop, 0, 0,
                                      InputHandler::mediaKeyboard);
}

// Both pads always play, whatever the players' UseJoystick says: a player on
// the keyboard can use a dance mat at the same time.
void MainLoop::bindJoysticks()
{
    inputHandler->registerJoystickPlayer(playerManager->getPlayer(2), 2);
    inputHandler->registerJoystickPlayer(playerManager->getPlayer(1), 1);
}

void MainLoop::update()
{
    const std::uint32_t now = platform::SystemClock::tickCount();
    frameDelta = now - lastTick;
    lastTick = platform::SystemClock::tickCount();

    // The tick count has entered a new whole second once the time since
    // secondTick reaches the next second's start; told by elapsed time, as
    // the frame delta is, so the count goes on across the 32-bit wrap.
    ++frameCount;
    const std::uint32_t untilNextSecond = millisecondsPerSecond - secondTick % millisecondsPerSecond;
    if (lastTick - secondTick >= untilNextSecond) {
        secondTick = lastTick;
        fps = frameCount;
        frameCount = 0;
    }

    keysDownLastFrame = keysDownThisFrame;
    keysDownThisFrame.reset();
    inputHandler->update();
    match->feedReplay();

    arrowManager->update(lastTick);
    match->update(lastTick);

    // Nodes are updated on the story screen too; in a pause the scene stands still.
    if (match->isPaused())
        return;
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->update();
    gimmickManager->update();
}

void MainLoop::onKey(std::uint8_t code)
{
    const bool newPress = !keysDownLastFrame.test(code);
    keysDownThisFrame.set(code);
    if (code == VirtualKeys::escape) {
        if (newPress)
            escapeTaken = match->takeEscape();
        if (!escapeTaken && !match->takesEscape() && window)
            Application::requestQuit(*window);
    } else if (code == VirtualKeys::function(5)) {
        if (newPress && window)
            Application::requestModeSwitch(*window);
    } else if (code == VirtualKeys::function(3)) {
        if (newPress)
            toggleWireframe();
    } else if (newPress) {
        match->onKey(code);
    }
}

void MainLoop::toggleWireframe()
{
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_FILL : GL_LINE);
    wireframe = !wireframe;
}

void MainLoop::draw()
{
    // The stencil (never used) is cleared with the depth: a depth-only clear
    // of a packed depth-stencil buffer has to keep every stencil bit, which
    // a software rasteriser does pixel by pixel.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    GlyphAtlas::startFrame();

    fpsText->setText("Frames per Second: %d", fps);

    // The frame's base matrix; it stays on the stack below the current one
    // while the scene draws, so nodes can return to it.
    glScalef(0.5f, 0.5f, 0.5f);
    glTranslatef(0.0f, 0.0f, -14.0f);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -10.0f);

    const GLfloat ambientModel[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat lightPosition[] = {0.0f, 0.0f, 50.7f, 1.0f};
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glEnable(GL_LIGHTING);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambientModel);
    glLightModelf(GL_LIGHT_MODEL_LOCAL_VIEWER, 1.0f);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);

    match->draw();

    glPopMatrix();
    glFlush();
}
