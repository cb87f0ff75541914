#include "core/ConfigFileParser.h"
#include "core/ConfigFileWriter.h"
#include "core/ObjectRegistry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct Edit {
    const char* before;
    const char* after;
};

TEST(ConfigFileWriter, ChangesOnlyTheOneLineOrAddsIt)
{
    const Edit edits[] = {
        // The value changes; comments, order, other sections and CR-LF stay.
        {"# mine\r\n[Sound]\r\nMasterVolume = 200\r\nGlobalOffset = 12\r\n[SpecialFX]\r\nMaxParticels = 60\r\n",
         "# mine\r\n[Sound]\r\nMasterVolume = 200\r\nGlobalOffset = -25\r\n[SpecialFX]\r\nMaxParticels = 60\r\n"},
        // The last of two lines is the one a reader takes; blanks before '='.
        {"[Sound]\nGlobalOffset\t= 1\nGlobalOffset  = 2\n", "[Sound]\nGlobalOffset\t= 1\nGlobalOffset = -25\n"},
        // A key of the same name in another section, or a longer key, is not it.
        {"[Window]\nGlobalOffset = 3\n[Sound]\nGlobalOffsetX = 4\nMasterVolume = 9\n\n[General]\n",
         "[Window]\nGlobalOffset = 3\n[Sound]\nGlobalOffsetX = 4\nMasterVolume = 9\nGlobalOffset = -25\n\n[General]\n"},
        // A section ending the file without a line break.
        {"[Sound]\nMasterVolume = 9", "[Sound]\nMasterVolume = 9\nGlobalOffset = -25"},
        // No section: it is added at the end.
        {"[Window]\nWidth = 640", "[Window]\nWidth = 640\n[Sound]\nGlobalOffset = -25\n"},
        {"", "[Sound]\nGlobalOffset = -25\n"},
    };
    for (const Edit& edit : edits) {
        const std::string result = ConfigFileWriter::withValue(edit.before, "Sound", "GlobalOffset", "-25");
        EXPECT_EQ(result, edit.after) << edit.before;
        // The reader registers itself: the registry's teardown ends it.
        auto* parser = new ConfigFileParser();
        parser->parseText(result);
        EXPECT_EQ(parser->getSection("Sound")["GlobalOffset"], "-25") << edit.before;
        ObjectRegistry::destroy();
    }
}

TEST(ConfigFileWriter, AFailedWriteLeavesEverythingAsItWas)
{
    testsupport::ScratchDir scratch;
    EXPECT_FALSE(ConfigFileWriter::setValue("Conf/global.cfg", "Sound", "GlobalOffset", "5"));
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "Conf"));

    scratch.write("Conf/global.cfg", "[Sound]\nGlobalOffset = 1\n");
    ASSERT_TRUE(ConfigFileWriter::setValue("Conf/global.cfg", "Sound", "GlobalOffset", "5"));
    EXPECT_EQ(testsupport::readFile(scratch.path() / "Conf/global.cfg"), "[Sound]\nGlobalOffset = 5\n");

    // The new file cannot be made (its name is taken by a folder).
    std::filesystem::create_directory(scratch.path() / "Conf/global.cfg.new");
    EXPECT_FALSE(ConfigFileWriter::setValue("Conf/global.cfg", "Sound", "GlobalOffset", "9"));
    EXPECT_EQ(testsupport::readFile(scratch.path() / "Conf/global.cfg"), "[Sound]\nGlobalOffset = 5\n");
}

} // namespace
