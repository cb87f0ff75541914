#include "game/StepFileManager.h"

#include "core/ConfigFileParser.h"
#include "core/OutputHandler.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

enum class TagAction { Ignore, Bpm, Gap, SampleStart, Unknown };

TagAction actionFor(const std::string& tag)
{
    static const char* const ignored[] = {"TITLE", "ARTIST", "FILE", "SAMPLELENGTH", "CDTITLE",
                                          "SINGLE", "DOUBLE", "SOLO"};
    for (const char* name : ignored)
        if (tag == name)
            return TagAction::Ignore;
    if (tag == "BPM")
        return TagAction::Bpm;
    if (tag == "GAP")
        return TagAction::Gap;
    if (tag == "SAMPLESTART")
        return TagAction::SampleStart;
    return TagAction::Unknown;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(const std::string& text, std::size_t at)
{
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

// Length of the decimal number (sign, digits, fraction, exponent) starting at
// `start`, or 0 when there is none.
std::size_t decimalPrefixLength(const std::string& text, std::size_t start)
{
    std::size_t at = start;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const std::size_t intStart = at;
    at = skipDigits(text, at);
    bool anyDigit = at > intStart;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fractionEnd = skipDigits(text, at + 1);
        if (anyDigit || fractionEnd > at + 1) {
            anyDigit = true;
            at = fractionEnd;
        }
    }
    if (!anyDigit)
        return 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        const std::size_t exponentEnd = skipDigits(text, exponent);
        if (exponentEnd > exponent)
            at = exponentEnd;
    }
    return at - start;
}

} // namespace

StepFileManager::StepFileManager()
    : Object(true, "StepFileManager")
{
}

int StepFileManager::parseFile(const char* path)
{
    const std::string gamePath = path ? path : "";
    std::vector<std::uint8_t> bytes;
    const bool read = platform::FileSystem::readAll(gamePath, bytes);
    OutputHandler::log(OutputHandler::find(), "File:%s has been opened", gamePath.c_str());
    if (!read) {
        notes.clear();
        OutputHandler::report(OutputHandler::find(), Warning, "StepFileManager: Could not read the step file '%s'.",
                              gamePath.c_str());
        return -1;
    }
    parseText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return 0;
}

void StepFileManager::parseText(std::string_view text)
{
    Entry entry;
    std::string chartNotes;
    for (std::size_t at = 0; at < text.size(); ++at) {
        // Read as a text-mode stream would: a carriage return and line feed
        // pair arrives as the line feed alone.
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
            continue;
        readCharacter(text[at], entry, chartNotes);
    }
    notes = std::move(chartNotes);
}

void StepFileManager::readCharacter(char c, Entry& entry, std::string& chartNotes)
{
    switch (c) {
    case '#':
        entry.field = 0;
        return;
    case ':':
        ++entry.field;
        return;
    case ';':
        finishEntry(entry);
        entry.tag.clear();
        entry.firstValue.clear();
        return;
    case '\n':
        return;
    default:
        break;
    }
    if (entry.field == 0)
        entry.tag += c;
    else if (entry.field == 1)
        entry.firstValue += c;
    else if (entry.field == 3 && entry.tag == "SINGLE" && entry.firstValue == "BEGINNER")
        chartNotes += c;
}

void StepFileManager::finishEntry(const Entry& entry)
{
    switch (actionFor(entry.tag)) {
    case TagAction::Ignore:
        break;
    case TagAction::Bpm:
        bpm = toDecimalFloat(entry.firstValue);
        break;
    case TagAction::Gap:
        gap = ConfigFileParser::toInt(entry.firstValue);
        break;
    case TagAction::SampleStart:
        sampleStart = toDecimalFloat(entry.firstValue);
        break;
    case TagAction::Unknown:
        OutputHandler::showError(OutputHandler::find(),
                                 "The File contains the Token \"%s\" which we don't procced. This can cause false "
                                 "Playback.",
                                 entry.tag.c_str());
        break;
    }
}

float StepFileManager::toDecimalFloat(const std::string& text)
{
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    const std::size_t length = decimalPrefixLength(text, start);
    if (length == 0)
        return 0.0f;
    const double value = std::strtod(text.substr(start, length).c_str(), nullptr);
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
        return 0.0f;
    return static_cast<float>(value);
}

StepFileManager::NoteArrows StepFileManager::decodeNote(char note)
{
    switch (note) {
    case '1': return {{LaneLeft, LaneDown}, 2};
    case '2': return {{LaneDown}, 1};
    case '3': return {{LaneRight, LaneDown}, 2};
    case '4': return {{LaneLeft}, 1};
    case '5': return {{LaneRight, LaneUp}, 2};
    case '6': return {{LaneRight}, 1};
    case '7': return {{LaneLeft, LaneUp}, 2};
    case '8': return {{LaneUp}, 1};
    case 'A': return {{LaneLeft, LaneRight}, 2};
    case 'B': return {{LaneUp, LaneDown}, 2};
    default: return {};
    }
}

char StepFileManager::takeStep(const std::string& notes, std::size_t& cursor)
{
    if (cursor > notes.size())
        cursor = notes.size();
    if (cursor < notes.size() && notes[cursor] == '!')
        cursor = std::min(cursor + 2, notes.size());
    // A zero byte ends the notes as the end of the string does.
    if (cursor == notes.size() || notes[cursor] == '\0')
        return '\0';
    return notes[cursor++];
}
