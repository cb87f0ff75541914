#pragma once

#include "chart/Lane.h"
#include "core/Object.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Reads the DWI step file: the notes of the "SINGLE" / "BEGINNER" chart, the
// tempo and the gap. Registered as "StepFileManager".
class StepFileManager : public Object {
public:
    // The arrows one note character creates, in spawn order.
    struct NoteArrows {
        std::array<Lane, 2> lanes{};
        std::size_t count = 0;
    };

    StepFileManager();

    // Reads the file (a game path; backslashes are separators). Returns 0, or
    // -1 when the file cannot be opened: the chart is then empty.
    int parseFile(const char* path);
    // Reads a step file's contents already in memory; parseFile reads the
    // file and hands it here.
    void parseText(std::string_view text);

    const std::string& getNotes() const { return notes; }
    float getBpm() const { return bpm; }
    int getGap() const { return gap; }
    float getSampleStart() const { return sampleStart; }

    static NoteArrows decodeNote(char note);
    // One half-beat step through the notes: skips a "!" pair, returns the
    // character to decode (0 once the notes are used up) and moves the cursor
    // on. The cursor never passes the end of the notes.
    static char takeStep(const std::string& notes, std::size_t& cursor);

    // The decimal number at the front of the text, after leading white space;
    // 0 without one, or when it does not fit a 32-bit float.
    static float toDecimalFloat(const std::string& text);

private:
    struct Entry {
        std::string tag;
        std::string firstValue;
        int field = 0;
    };

    void readCharacter(char c, Entry& entry, std::string& chartNotes);
    void finishEntry(const Entry& entry);

    std::string notes;
    float bpm = 0.0f;
    int gap = 0;
    float sampleStart = 0.0f;
};
