#include "flow/TimingPlot.h"

#include "game/Judgements.h"
#include "game/MsWindows.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Colour {
    float red;
    float green;
    float blue;
};

// One per judgement word, best first, then the misses.
constexpr std::array<Colour, Judgements::count> wordColours{{
    {0.3f, 0.95f, 1.0f},
    {1.0f, 0.9f, 0.2f},
    {0.3f, 1.0f, 0.35f},
    {0.45f, 0.55f, 1.0f},
    {0.85f, 0.4f, 0.95f},
}};
constexpr Colour missColour{1.0f, 0.2f, 0.2f};
constexpr Colour frameColour{0.35f, 0.35f, 0.4f};
constexpr Colour backColour{0.06f, 0.06f, 0.1f};
constexpr float pointSize = 3.0f;

// Inner edges keep clear of the dancer's arms between the halves.
TimingPlot::Frame frameFor(int player)
{
    const float left = player == 1 ? -2.6f : -0.9f;
    const float right = left + 3.5f;
    return {left, right, -1.1f, -2.2f, left + 2.1f, -2.35f, -3.3f};
}

void colour(const Colour& chosen)
{
    glColor3f(chosen.red, chosen.green, chosen.blue);
}

void rectangle(GLenum mode, float left, float bottom, float right, float top)
{
    glBegin(mode);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
    glVertex2f(left, top);
    glEnd();
}

std::size_t wordOf(double errorMs)
{
    const auto& bounds = MsWindows::boundsMs;
    const auto inside = std::find_if(bounds.begin(), bounds.end(), [&](double bound) { return std::abs(errorMs) < bound; });
    return static_cast<std::size_t>(std::min<std::ptrdiff_t>(inside - bounds.begin(), Judgements::count - 1));
}

} // namespace

TimingPlot::TimingPlot(int player)
    : ObjectNode("TimingPlot", static_cast<std::int8_t>(player == 1 ? SidePlayer1 : SidePlayer2))
    , frame(frameFor(player))
{
    setActive(false);
}

void TimingPlot::show(std::vector<Press> shown, std::vector<double> misses, double lengthMs)
{
    presses = std::move(shown);
    for (Press& press : presses) {
        if (press.judgement >= Judgements::count)
            press.judgement = wordOf(press.errorMs);
    }
    missesMs = std::move(misses);
    songMs = std::max(lengthMs, 1.0);
    std::vector<double> errors;
    errors.reserve(presses.size());
    for (const Press& press : presses)
        errors.push_back(press.errorMs);
    spread = PressSpread(errors);
    setActive(true);
}

void TimingPlot::clear()
{
    presses.clear();
    missesMs.clear();
    spread = PressSpread({});
    setActive(false);
}

float TimingPlot::xOf(double atMs) const
{
    const double along = std::clamp(atMs / songMs, 0.0, 1.0);
    return frame.left + static_cast<float>(along) * (frame.right - frame.left);
}

float TimingPlot::yOf(double errorMs) const
{
    const double along = (std::clamp(errorMs, -PressSpread::rangeMs, PressSpread::rangeMs) + PressSpread::rangeMs)
        / (2 * PressSpread::rangeMs);
    return frame.plotBottom + static_cast<float>(along) * (frame.plotTop - frame.plotBottom);
}

bool TimingPlot::draw()
{
    applySideTransform();
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_POLYGON_BIT | GL_POINT_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    drawBackground();
    drawPresses();
    drawHistogram();
    glPopAttrib();
    return ObjectNode::draw();
}

// Dark panes, their frames, the zero line and the edges of the "Godlike" window.
void TimingPlot::drawBackground() const
{
    colour(backColour);
    rectangle(GL_QUADS, frame.left, frame.plotBottom, frame.right, frame.plotTop);
    rectangle(GL_QUADS, frame.left, frame.histogramBottom, frame.histogramRight, frame.histogramTop);
    colour(frameColour);
    glLineWidth(1.0f);
    rectangle(GL_LINE_LOOP, frame.left, frame.plotBottom, frame.right, frame.plotTop);
    rectangle(GL_LINE_LOOP, frame.left, frame.histogramBottom, frame.histogramRight, frame.histogramTop);
    const double godlike = MsWindows::boundsMs.front();
    const float zeroX = frame.left + (frame.histogramRight - frame.left) / 2;
    glBegin(GL_LINES);
    for (const double errorMs : {-godlike, 0.0, godlike}) {
        glVertex2f(frame.left, yOf(errorMs));
        glVertex2f(frame.right, yOf(errorMs));
    }
    glVertex2f(zeroX, frame.histogramBottom);
    glVertex2f(zeroX, frame.histogramTop);
    glEnd();
}

void TimingPlot::drawPresses() const
{
    colour(missColour);
    glBegin(GL_LINES);
    for (const double missMs : missesMs) {
        glVertex2f(xOf(missMs), frame.plotBottom);
        glVertex2f(xOf(missMs), frame.plotTop);
    }
    glEnd();
    glPointSize(pointSize);
    glBegin(GL_POINTS);
    for (const Press& press : presses) {
        colour(wordColours[std::min(press.judgement, wordColours.size() - 1)]);
        glVertex2f(xOf(press.songMs), yOf(press.errorMs));
    }
    glEnd();
}

// Each bar in the colour of the word its middle earns.
void TimingPlot::drawHistogram() const
{
    const std::uint32_t fullest = spread.fullestBin();
    if (fullest == 0)
        return;
    const float width = (frame.histogramRight - frame.left) / static_cast<float>(PressSpread::binCount);
    const float height = frame.histogramTop - frame.histogramBottom;
    glBegin(GL_QUADS);
    for (std::size_t bin = 0; bin < PressSpread::binCount; ++bin) {
        const std::uint32_t count = spread.bins()[bin];
        if (count == 0)
            continue;
        const double middleMs = -PressSpread::rangeMs + (static_cast<double>(bin) + 0.5) * PressSpread::binMs;
        colour(wordColours[wordOf(middleMs)]);
        const float left = frame.left + width * static_cast<float>(bin);
        const float top = frame.histogramBottom + height * static_cast<float>(count) / static_cast<float>(fullest);
        glVertex2f(left, frame.histogramBottom);
        glVertex2f(left + width, frame.histogramBottom);
        glVertex2f(left + width, top);
        glVertex2f(left, top);
    }
    glEnd();
}
