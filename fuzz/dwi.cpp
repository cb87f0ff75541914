// Feeds arbitrary bytes to the step file reader as the contents of the DWI
// file, then steps through the chart the way the arrow manager does.

#include "FuzzCheck.h"

#include "core/ObjectRegistry.h"
#include "game/StepFileManager.h"
#include "platform/Dialog.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Unknown tags raise an error box; swallow them instead of printing each.
    platform::Dialog::setCapture([](const std::string&, const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto* steps = new StepFileManager();
    steps->parseText(std::string_view(reinterpret_cast<const char*>(data), size));
    fuzzCheck(std::isfinite(steps->getBpm()) && std::isfinite(steps->getSampleStart()), "tempo values are finite");

    const std::string& notes = steps->getNotes();
    std::size_t cursor = 0;
    for (std::size_t step = 0; step <= notes.size() + 1; ++step) {
        const StepFileManager::NoteArrows arrows = StepFileManager::decodeNote(StepFileManager::takeStep(notes, cursor));
        fuzzCheck(cursor <= notes.size(), "the note cursor stays within the notes");
        fuzzCheck(arrows.count <= arrows.lanes.size(), "a note creates at most two arrows");
        for (std::size_t i = 0; i < arrows.count; ++i)
            fuzzCheck(arrows.lanes[i] <= LaneDown, "arrows go into one of four lanes");
    }
    ObjectRegistry::destroy();
    return 0;
}
