#include "ForgedData.h"

#include "core/ObjectRegistry.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <random>

namespace forgetest {
namespace {

struct Forged : ForgedData {
    Forged()
    {
        std::random_device seed;
        const auto base = std::filesystem::temp_directory_path() / ("flarevox-forge-test-" + std::to_string(seed()));
        first = base / "a";
        second = base / "b";
        ok = run(first) && run(second);
    }
    ~Forged()
    {
        std::error_code ignored;
        std::filesystem::remove_all(first.parent_path(), ignored);
    }

    bool run(const std::filesystem::path& root)
    {
        const std::string command = std::string("'") + FLAREVOX_FORGE + "' '" + root.string()
                                    + "' announcer config explosion song > /dev/null";
        if (std::system(command.c_str()) != 0) {
            error = "forge failed: " + command;
            return false;
        }
        return true;
    }
};

} // namespace

const ForgedData& forgedData()
{
    static const Forged data;
    return data;
}

const std::vector<std::string>& forgedFiles()
{
    static const std::vector<std::string> files = {
        "Conf/global.cfg",          "Data/Music/coconut.mp3",  "Data/Dwi/Coconut.DWI",
        "Data/Sound/dominating.wav", "Data/Sound/godlike.wav",  "Data/Sound/humiliation.wav",
        "Data/Sound/rampage.wav",    "Data/Sound/perfect.wav",  "Data/Sound/ultrakill.wav",
        "Data/Sound/explosion1.wav",
    };
    return files;
}

ForgedConfig::ForgedConfig()
    : reader(new ConfigFileParser)
{
    reader->parse((forgedData().first / "Conf/global.cfg").string());
}

ForgedConfig::~ForgedConfig()
{
    ObjectRegistry::destroy();
}

StepFileView readStepFile(const std::string& text)
{
    StepFileView view;
    std::string tag, first, stray;
    int field = 0;
    bool inEntry = false;
    for (const char c : text) {
        if (c == '#') {
            field = 0;
            inEntry = true;
            if (!stray.empty())
                view.strayText.push_back(stray);
            stray.clear();
        } else if (c == ':') {
            ++field;
        } else if (c == ';') {
            view.tags.push_back(tag);
            if (tag == "BPM")
                view.bpm = first;
            if (tag == "GAP")
                view.gap = first;
            tag.clear();
            first.clear();
            inEntry = false;
        } else if (c != '\n') {
            if (!inEntry)
                stray += c;
            if (field == 0)
                tag += c;
            else if (field == 1)
                first += c;
            else if (field == 3 && tag == "SINGLE" && first == "BEGINNER")
                view.beginnerNotes += c;
        }
    }
    if (!stray.empty())
        view.strayText.push_back(stray);
    return view;
}

} // namespace forgetest
