#include "app/FrameCapture.h"

#include "app/MainLoop.h"
#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "flow/Match.h"
#include "flow/StoryScreen.h"
#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "game/PlayerManager.h"
#include "game/Player.h"
#include "game/SGMissle.h"
#include "game/Sidebar.h"
#include "platform/FileSystem.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

bool hasPoints(int number)
{
    const Player* player = PlayerManager::instance()->getPlayer(static_cast<std::int8_t>(number));
    return player && player->getPoints() > 0;
}

bool showsLitIcon(ObjectGraph& graph, const char* sidebarName)
{
    const auto* sidebar = dynamic_cast<const Sidebar*>(graph.findNode(sidebarName));
    if (!sidebar)
        return false;
    const auto& icons = sidebar->getIcons();
    return std::any_of(icons.begin(), icons.end(), [](const SGMissle* icon) { return icon && icon->isLit(); });
}

bool showsJudgement(const ArrowManager& arrows, int number)
{
    const Text* text = arrows.texts().quality(number);
    return text && text->isActive() && !text->getText().empty();
}

} // namespace

Application::FrameObserver FrameCapture::fromEnvironment()
{
    const char* path = std::getenv("FLAREVOX_CAPTURE_FRAME");
    if (!path || !*path)
        return {};
    const char* when = std::getenv("FLAREVOX_CAPTURE_WHEN");
    if (when && std::strcmp(when, "showcase") == 0)
        return FrameCapture(path, 0, Moment::Showcase);
    if (when && std::strcmp(when, "results") == 0)
        return FrameCapture(path, 0, Moment::Results);
    const char* after = std::getenv("FLAREVOX_CAPTURE_AFTER");
    const int frame = after ? ConfigFileParser::toInt(after) : defaultFrame;
    const bool library = when && std::strcmp(when, "library") == 0;
    return FrameCapture(path, frame < 1 ? 1 : frame, library ? Moment::LibraryRead : Moment::Frame);
}

bool FrameCapture::showsAllOfPlay()
{
    ObjectGraph* graph = ObjectGraph::find();
    const auto* arrows = ObjectRegistry::instance()->findAs<ArrowManager>("ArrowManager");
    if (!graph || !arrows || !arrows->songRun().isStarted() || !hasPoints(1) || !hasPoints(2))
        return false;
    return (showsLitIcon(*graph, nodes::sidebarP1) || showsLitIcon(*graph, nodes::sidebarP2)) &&
        (showsJudgement(*arrows, 1) || showsJudgement(*arrows, 2));
}

bool FrameCapture::showsResults()
{
    const auto* arrows = ObjectRegistry::instance()->findAs<ArrowManager>("ArrowManager");
    const Text* winner = arrows ? arrows->texts().winner() : nullptr;
    if (winner && !winner->getText().empty())
        ++resultsSeen;
    return resultsSeen == resultsFrames;
}

FrameCapture::FrameCapture(std::string path, int frame, Moment moment)
    : path(std::move(path))
    , frame(frame)
    , moment(moment)
{
}

void FrameCapture::operator()(WindowRecord&, MainLoop& mainLoop)
{
    ++framesSeen;
    bool due = false;
    if (moment == Moment::Frame)
        due = framesSeen == frame;
    else if (moment == Moment::LibraryRead)
        due = !written && framesSeen >= frame && !mainLoop.getMatch().getStory().isReadingLibrary();
    else if (moment == Moment::Showcase)
        due = !written && showsAllOfPlay();
    else
        due = !written && showsResults();
    if (!due)
        return;
    written = true;
    if (!writeBackBuffer(path))
        std::fprintf(stderr, "FrameCapture: cannot write '%s'\n", path.c_str());
}

bool FrameCapture::writeBackBuffer(const std::string& path)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];
    if (width <= 0 || height <= 0)
        return false;

    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> pixels(rowBytes * static_cast<std::size_t>(height));
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());

    const std::string temporary = path + ".part";
    std::FILE* file = platform::FileSystem::open(temporary, "wb");
    if (!file)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    // OpenGL's rows run bottom to top, PPM's top to bottom.
    bool written = true;
    for (int row = height - 1; row >= 0; --row)
        written = written && std::fwrite(&pixels[static_cast<std::size_t>(row) * rowBytes], 1, rowBytes, file) == rowBytes;
    written = std::fclose(file) == 0 && written;
    std::error_code error;
    if (written)
        std::filesystem::rename(temporary, path, error);
    return written && !error;
}
