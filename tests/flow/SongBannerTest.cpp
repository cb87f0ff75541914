#include "support/ArrowStage.h"

#include "flow/Match.h"
#include "flow/SongBanner.h"
#include "flow/StoryScreen.h"
#include "library/SongSelection.h"
#include "writers/PngWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

const char* const bannerSong = "#TITLE:Test;\n#MUSIC:music.wav;\n#BPMS:0=120;\n#NOTES:dance-single::Hard:1:0:1000\n;\n";

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Frames of 20 ms until the banner's reading is done (at most about 5 s).
void settle(ArrowStage& stage, const SongBanner& banner)
{
    stage.frame(20);
    for (int frame = 0; frame < 250 && banner.isLoading(); ++frame) {
        stage.frame(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stage.frame(20);
}

// Steps down the list to the song of the title (empty: the game's own).
void choose(ArrowStage& stage, const std::string& title)
{
    const library::SongSelection& selection = stage.match().getStory().getSelection();
    const auto chosen = [&] { return title.empty() ? selection.song().builtIn : selection.song().title == title; };
    for (std::size_t step = 0; step < selection.size() && !chosen(); ++step)
        stage.press(2, 3, stage.now());
    ASSERT_TRUE(chosen()) << title;
}

// The chosen song's banner is read once the song is chosen, not while the
// library is scanned; another song drops it; a damaged banner is a warning
// and no banner; the game's own song has none.
TEST(SongBanner, FollowsTheChosenSongAndADamagedOneShowsNone)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 9000, bannerSong, {"Hard", "Hard"}});
    forge::RgbaImage image(600, 200);
    const auto png = forge::PngWriter::encode(image);
    writeBytes("Songs/Test/test-bn.png", std::string(png.begin(), png.end()));
    writeBytes("Songs/Broken/broken.sm", std::string(bannerSong).replace(7, 4, "Broken"));
    std::filesystem::copy_file("Songs/Test/music.wav", "Songs/Broken/music.wav");
    std::filesystem::copy_file("Data/Music/coconut.wav", "Data/Music/coconut.mp3");
    writeBytes("Songs/Broken/banner.png", std::string(png.begin(), png.begin() + 60) + "garbage");
    stage.match().scanLibrary();
    const SongBanner& banner = stage.match().getStory().getBanner();
    EXPECT_FALSE(banner.isLoading() || banner.isShown()) << "nothing is read while scanning";

    choose(stage, "Test");
    settle(stage, banner);
    EXPECT_TRUE(banner.isShown());

    choose(stage, "Broken");
    stage.frame(20);
    EXPECT_FALSE(banner.isShown()) << "the last song's banner is dropped at once";
    settle(stage, banner);
    EXPECT_FALSE(banner.isShown());
    EXPECT_NE(stage.log().find("WARNING: StoryScreen: Could not show the banner '"), std::string::npos);

    choose(stage, "");
    settle(stage, banner);
    EXPECT_FALSE(banner.isShown() || banner.isLoading());
}

TEST(SongBanner, BigImagesAreCutDownKeepingTheirProportions)
{
    const struct {
        int width, height, fittedWidth, fittedHeight;
    } cases[] = {{2000, 100, 512, 25}, {100, 100, 100, 100}, {1, 5000, 1, 256}, {1024, 512, 512, 256}};
    for (const auto& entry : cases) {
        platform::RgbaPixels image;
        image.width = entry.width;
        image.height = entry.height;
        image.pixels.assign(static_cast<std::size_t>(entry.width) * static_cast<std::size_t>(entry.height) * 4, 7);
        const platform::RgbaPixels small = SongBanner::fitted(image);
        EXPECT_EQ(small.width, entry.fittedWidth) << entry.width << "x" << entry.height;
        EXPECT_EQ(small.height, entry.fittedHeight) << entry.width << "x" << entry.height;
        EXPECT_EQ(small.pixels.size(), static_cast<std::size_t>(small.width) * static_cast<std::size_t>(small.height) * 4);
    }
}

} // namespace
