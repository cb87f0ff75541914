#include "support/ArrowStage.h"

#include "core/Utf8.h"
#include "flow/Match.h"
#include "fx/Text.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using arrowtest::ArrowStage;

std::string songTitled(const std::string& title)
{
    return "#TITLE:" + title + ";\n#TITLETRANSLIT:Yoake;\n#MUSIC:music.wav;\n#OFFSET:0;\n#BPMS:0=120;\n"
           "#NOTES:dance-single::Easy:2::1000,0000;\n#NOTES:dance-single::Hard:9::0100,0000;\n";
}

// The frame's projection at 1024 by 768, where the line spans 7.8 units.
void drawAtFullSize(Match& match)
{
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    match.draw();
    glPopMatrix();
}

std::string played(const std::string& title, const std::string& setting, double& fraction, std::string& log)
{
    arrowtest::Chart chart{"", "128.000", 0, 10000, songTitled(title), {"Easy", "Hard"},
                           "[General]\nShowTransliterations = " + setting + "\n"};
    ArrowStage stage(chart);
    stage.startSong();
    stage.frame(5000);
    drawAtFullSize(stage.match());
    const PlayLine& line = stage.match().getPlay().getPlayLine();
    fraction = line.getFraction();
    log = stage.log();
    return line.getLine();
}

// During play the line names the song as the setting asks and each
// player's chart and meter; the bar follows the song; a title too long for
// the screen's width is cut with an ellipsis.
TEST(PlayLine, NamesTheSongAndTheChartsAndFollowsTheSong)
{
    const std::string dawn = "\u591c\u660e\u3051";
    const std::string charts = "    Kai: Easy 2    Mia: Hard 9";
    double fraction = 0.0;
    std::string log;
    EXPECT_EQ(played(dawn, "0", fraction, log), dawn + charts);
    EXPECT_NEAR(fraction, 0.5, 0.02);
    EXPECT_EQ(played(dawn, "1", fraction, log), "Yoake" + charts);
    EXPECT_EQ(played(dawn, "yes", fraction, log), dawn + charts);
    EXPECT_NE(log.find("[General] ShowTransliterations = 'yes' is neither 0 nor 1"), std::string::npos) << log;

    std::string longTitle;
    for (int i = 0; i < 100; ++i)
        longTitle += dawn;
    const std::string cut = played(longTitle, "0", fraction, log);
    ASSERT_TRUE(cut.ends_with("\u2026" + charts)) << cut;
    EXPECT_TRUE(Utf8::isValid(cut));
    EXPECT_TRUE(longTitle.starts_with(cut.substr(0, cut.size() - charts.size() - 3)));
    EXPECT_GT(cut.size(), charts.size() + 30) << "the title keeps what fits";
}

} // namespace
