#include "game/ScrollSpeed.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

chart::TempoMap tempoOf(std::vector<chart::TempoChange> changes, std::vector<chart::TempoStop> stops = {})
{
    chart::TempoMap map;
    std::string error;
    EXPECT_TRUE(chart::TempoMap::build({0.0, std::move(changes), std::move(stops), {}, {}}, map, error)) << error;
    return map;
}

} // namespace

TEST(ScrollSpeed, ReadsAndWritesTheConfigurationValue)
{
    const struct {
        const char* text;
        std::optional<std::string> read;
    } values[] = {
        {"1x", "1x"}, {"1.5x", "1.5x"}, {" 2X ", "2x"}, {"0.5x", "0.5x"}, {"8x", "8x"}, {"0.75x", "0.75x"},
        {"1.50x", "1.5x"}, {"M300", "M300"}, {"m50", "M50"}, {"M1000", "M1000"}, {"M125", "M125"},
        {"", std::nullopt}, {"x", std::nullopt}, {"1.3x", std::nullopt}, {"0.25x", std::nullopt},
        {"8.25x", std::nullopt}, {"-1x", std::nullopt}, {"1.5", std::nullopt}, {"1.5xx", std::nullopt},
        {"nanx", std::nullopt}, {"M", std::nullopt}, {"M49", std::nullopt}, {"M1001", std::nullopt},
        {"M300.5", std::nullopt}, {"M-300", std::nullopt}, {"300", std::nullopt}, {"1e400x", std::nullopt},
    };
    for (const auto& value : values) {
        const std::optional<ScrollSpeed> speed = ScrollSpeed::parse(value.text);
        ASSERT_EQ(speed.has_value(), value.read.has_value()) << value.text;
        if (speed) {
            EXPECT_EQ(speed->format(), *value.read);
            EXPECT_EQ(ScrollSpeed::parse(speed->format()), speed);
        }
    }
    EXPECT_EQ(ScrollSpeed().format(), "1x");
}

TEST(ScrollSpeed, StepsInQuartersOrTensAndStopsAtTheEnds)
{
    const struct {
        const char* from;
        const char* faster;
        const char* slower;
    } steps[] = {
        {"1x", "1.25x", "0.75x"}, {"0.5x", "0.75x", "0.5x"}, {"8x", "8x", "7.75x"},
        {"M300", "M310", "M290"}, {"M125", "M130", "M120"}, {"M50", "M60", "M50"}, {"M1000", "M1000", "M990"},
    };
    for (const auto& step : steps) {
        const ScrollSpeed speed = *ScrollSpeed::parse(step.from);
        EXPECT_EQ(speed.faster().format(), step.faster) << step.from;
        EXPECT_EQ(speed.slower().format(), step.slower) << step.from;
    }
}

// 1x is exactly one unit per beat. "M" speed scrolls the fastest section that
// lasts a second or more at M units per minute; a short burst of a huge
// tempo (a jump written as one), negative tempos and sections after the
// last note do not count, stops take no beats.
TEST(ScrollSpeed, TheHeightFactorFollowsTheChartsFastestSection)
{
    EXPECT_EQ(ScrollSpeed().factor(150.0), 1.0);
    EXPECT_EQ(ScrollSpeed::parse("0.5x")->factor(150.0), 0.5);
    EXPECT_EQ(ScrollSpeed::parse("2x")->factor(150.0), 2.0);
    const ScrollSpeed m300 = *ScrollSpeed::parse("M300");
    EXPECT_EQ(m300.factor(150.0), 2.0);
    EXPECT_EQ(m300.factor(0.0), 1.0);

    const struct {
        const char* what;
        chart::TempoMap tempo;
        double lastBeat;
        double highest;
    } songs[] = {
        {"one tempo", tempoOf({{0, 150}}), 64, 150},
        {"speeds up", tempoOf({{0, 120}, {16, 200}}), 64, 200},
        {"a stop", tempoOf({{0, 120}, {16, 200}}, {{20, 3.0}}), 64, 200},
        {"a burst of 10000 for 4 beats", tempoOf({{0, 140}, {32, 10000}, {36, 140}}), 64, 140},
        {"a negative tempo", tempoOf({{0, 140}, {32, -140}, {34, 140}}), 64, 140},
        {"faster only after the last note", tempoOf({{0, 100}, {70, 300}}), 64, 100},
        {"fast for exactly one second", tempoOf({{0, 100}, {60, 240}}), 64, 240},
        {"only bursts: the longest", tempoOf({{0, 300}, {1, 600}}), 1.5, 300},
    };
    for (const auto& song : songs) {
        EXPECT_DOUBLE_EQ(ScrollSpeed::highestBpm(song.tempo, song.lastBeat), song.highest) << song.what;
        EXPECT_DOUBLE_EQ(m300.factor(ScrollSpeed::highestBpm(song.tempo, song.lastBeat)), 300.0 / song.highest)
            << song.what;
    }
    chart::Chart chart;
    chart.tempo = tempoOf({{0, 120}, {8, 240}});
    chart.notes.push_back({{12}, {16}, LaneUp, chart::NoteKind::Hold});
    EXPECT_DOUBLE_EQ(m300.factor(chart), 1.25) << "the hold's end counts as the last beat";
    EXPECT_EQ(ScrollSpeed::parse("1.75x")->factor(chart), 1.75);
}
