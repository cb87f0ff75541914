#include "chart/TempoMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using chart::TempoMap;

namespace {

struct Point {
    double beat;
    double ms;
    bool plays;
};

struct TempoCase {
    const char* what;
    TempoMap::Source source;
    std::vector<Point> points;
    std::vector<std::pair<double, double>> beatsAtMs;
};

} // namespace

// An SM file with #OFFSET:-0.1 starts beat 0 100 ms into the music; a note on
// a stop's beat comes when the stop starts, the next one after it. Negative
// tempos and stops jump over the beats until the written time has caught up;
// notes in between are not played. A warp's first beat is jumped over too,
// unless a stop or delay sits on it (the first beat of a negative tempo or
// stop likewise); a note on a delay's beat comes after it. A tempo too fast to
// play warps to the next change; a stop before beat 0 moves beat 0 later.
TEST(TempoMap, ChangesStopsWarpsAndDelays)
{
    const TempoCase timings[] = {
        {"negative tempo", {0.0, {{0, 120}, {4, -120}, {6, 120}}, {}, {}, {}},
            {{4, 2000, false}, {5, 2000, false}, {7.5, 2000, false}, {8, 2000, true}, {9, 2500, true}}, {{2000, 8}}},
        {"negative stop", {0.0, {{0, 120}}, {{2, -0.5}}, {}, {}},
            {{2, 1000, false}, {2.5, 1000, false}, {3, 1000, true}, {4, 1500, true}}, {}},
        {"a stop on a negative tempo's first beat", {0.0, {{0, 120}, {4, -120}, {6, 120}}, {{4, 1}}, {}, {}},
            {{4, 2000, true}, {5, 3000, false}, {8, 3000, true}, {9, 3500, true}}, {}},
        {"tempo too fast to play", {0.0, {{0, 120}, {4, 1.2e8}, {6, 120}, {8, -2e8}}, {}, {}, {}},
            {{4, 2000, false}, {5, 2000, false}, {6, 2000, true}, {7, 2500, true}, {8, 3000, false},
                {1000, 3000, false}},
            {}},
        {"stops before beat 0", {0.0, {{0, 120}}, {{-1, 0.5}, {-0.5, 0.25}}, {}, {}},
            {{0, 750, true}, {1, 1250, true}}, {}},
        {"warps and a delay", {0.0, {{0, 120}}, {{12, 1}}, {{8, 0.5}}, {{4, 2}, {12, 1}}},
            {{3.5, 1750, true}, {4, 2000, false}, {5, 2000, false}, {6, 2000, true}, {7, 2500, true}, {8, 3500, true},
                {8.5, 3750, true}, {12, 5500, true}, {12.5, 6500, false}, {13, 6500, true}},
            {{3200, 8}}},
        {"changes and a stop", {100.0, {{0, 120}, {4, 60}}, {{2, 0.5}}, {}, {}},
            {{-1, -400, true}, {0, 100, true}, {1, 600, true}, {2, 1100, true}, {2 + 1.0 / 48, 1600 + 500.0 / 48, true},
                {4, 2600, true}, {5, 3600, true}},
            {{-400, -1}, {100, 0}, {1100, 2}, {1400, 2}, {1600 + 500.0 / 48, 2 + 1.0 / 48}, {2600, 4}, {3600, 5}}},
    };
    TempoMap map;
    std::string error;
    for (const TempoCase& timing : timings) {
        SCOPED_TRACE(timing.what);
        ASSERT_TRUE(TempoMap::build(timing.source, map, error)) << error;
        for (const Point& point : timing.points) {
            EXPECT_NEAR(map.msAt(point.beat), point.ms, 1e-6) << "beat " << point.beat;
            EXPECT_EQ(map.plays(point.beat), point.plays) << "beat " << point.beat;
        }
        for (const auto& [ms, beat] : timing.beatsAtMs)
            EXPECT_NEAR(map.beatAt(ms), beat, 1e-9) << ms << " ms";
    }
    EXPECT_DOUBLE_EQ(map.bpmAt(4.5), 60.0); // the last timing's
}

TEST(TempoMap, RefusesTemposItCannotPlay)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<TempoMap::Source, std::string>> cases{
        {{0.0, {{0, nan}}, {}, {}, {}}, "out of range"},
        {{0.0, {{0, 1e300}}, {}, {}, {}}, "no tempo"},
        {{0.0, {{0, 1e-9}}, {}, {}, {}}, "out of range"},
        {{0.0, {{0, -120}}, {}, {}, {}}, "first tempo"},
        {{0.0, {{inf, 120}}, {}, {}, {}}, "out of range"},
        {{0.0, {{0, 120}}, {{4, inf}}, {}, {}}, "stop"},
        {{0.0, {{0, 120}}, {{-1e9, 1}}, {}, {}}, "stop"},
        {{0.0, {{0, 120}}, {}, {{2, 1e9}}, {}}, "delay"},
        {{0.0, {{0, 120}}, {}, {}, {{2, inf}}}, "warp"},
        {{nan, {{0, 120}}, {}, {}, {}}, "offset"},
    };
    for (const auto& [source, reason] : cases) {
        TempoMap map;
        std::string error;
        EXPECT_FALSE(TempoMap::build(source, map, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}
