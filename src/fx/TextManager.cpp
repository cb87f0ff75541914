#include "fx/TextManager.h"

#include "core/OutputHandler.h"
#include "fx/Text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>

namespace {

TextManager* theManager = nullptr;

std::string formatText(const char* format, std::va_list args)
{
    char buffer[Text::formatBufferSize];
    std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    return buffer;
}

// Ownership passes to the scene graph once the text is linked.
bool adoptByGraph(std::unique_ptr<Text> text, bool linked)
{
    if (linked)
        text.release();
    return linked;
}

} // namespace

TextManager::TextManager()
    : Object(true, "TextManager")
{
    addStyle("Default");
}

TextManager* TextManager::instance()
{
    if (!theManager)
        theManager = new TextManager();
    return theManager;
}

TextManager::~TextManager()
{
    if (theManager == this)
        theManager = nullptr;
}

bool TextManager::init()
{
    OutputHandler::log(OutputHandler::find(), "Initializing TextManager...");
    return true;
}

void TextManager::addStyle(const char* name)
{
    current.name = name ? name : "";
    styles.push_back(current);
}

bool TextManager::selectStyle(const char* name)
{
    const std::string wanted = name ? name : "";
    const auto found = std::find_if(styles.begin(), styles.end(), [&](const TextStyle& style) { return style.name == wanted; });
    if (found == styles.end())
        return false;
    current = *found;
    return true;
}

void TextManager::setPosition(float x, float y)
{
    current.x = x;
    current.y = y;
}

void TextManager::setDuration(std::uint32_t milliseconds)
{
    current.duration = milliseconds;
}

void TextManager::setFace(const char* name)
{
    current.face = name ? name : "";
}

void TextManager::setFont(int height, int weight, int width, std::uint8_t italic, std::uint8_t underline,
                          std::uint8_t strikeOut)
{
    current.height = height;
    current.weight = weight;
    current.width = width;
    current.italic = italic;
    current.underline = underline;
    current.strikeOut = strikeOut;
}

void TextManager::setOutlineFont(int height, float extrusion, int weight, int width, std::uint8_t italic,
                                 std::uint8_t underline, std::uint8_t strikeOut)
{
    setFont(height, weight, width, italic, underline, strikeOut);
    current.extrusion = extrusion;
}

bool TextManager::createText(std::int8_t side, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::string formatted = formatText(format, args);
    va_end(args);

    auto text = std::make_unique<Text>(current.duration, side);
    const bool linked = text->createBitmapFont(current.height, current.weight, current.face.c_str(), current.width,
                                               current.italic, current.underline, current.strikeOut);
    text->setPosition(current.x, current.y);
    text->setText("%s", formatted.c_str());
    return adoptByGraph(std::move(text), linked);
}

bool TextManager::createOutlineText(std::int8_t side, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::string formatted = formatText(format, args);
    va_end(args);

    auto text = std::make_unique<Text>(current.duration, side);
    const bool linked =
        text->createOutlineFont(current.height, current.extrusion, current.weight, current.face.c_str(),
                                current.width, current.italic, current.underline, current.strikeOut);
    text->setPosition(current.x, current.y);
    text->setText("%s", formatted.c_str());
    return adoptByGraph(std::move(text), linked);
}
