#include "core/ObjectRegistry.h"
#include "fx/Text.h"
#include "fx/TextManager.h"
#include "platform/SimulatedClock.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextTimingTest, TimedTextHidesAtItsDurationAndRestartShowsItAgain)
{
    platform::SimulatedClock clock(5000);
    Text text(1500, ObjectNode::SideBoth);
    Text permanent(0, ObjectNode::SideCentre);
    clock.advance(1499);
    text.update();
    EXPECT_TRUE(text.isActive());
    clock.advance(1);
    text.update();
    EXPECT_FALSE(text.isActive());

    clock.advance(10000);
    text.restart();
    EXPECT_TRUE(text.isActive());
    clock.advance(1499);
    text.update();
    EXPECT_TRUE(text.isActive());
    clock.advance(1);
    text.update();
    EXPECT_FALSE(text.isActive());
    clock.advance(100000000);
    permanent.update();
    EXPECT_TRUE(permanent.isActive());
}

TEST(TextTimingTest, TickCounterWrappingDoesNotEndTheTextEarly)
{
    platform::SimulatedClock clock(0xFFFFFF00u);
    Text text(1500, ObjectNode::SideCentre);
    clock.advance(0x200); // past zero, 512 ms in
    text.update();
    EXPECT_TRUE(text.isActive());
    clock.advance(1000);
    text.update();
    EXPECT_FALSE(text.isActive());
}

TEST(TextTimingTest, SetTextFormatsAndCutsOverlongResults)
{
    Text text(0, ObjectNode::SideCentre);
    text.setText("Frames per Second: %d", 60);
    EXPECT_EQ(text.getText(), "Frames per Second: 60");
    const std::string longLine(5000, 'x');
    text.setText("%s", longLine.c_str());
    EXPECT_EQ(text.getText().size(), Text::formatBufferSize - 1);
}

TEST(TextManagerStyleTest, StylesAreSnapshotsSelectedByExactName)
{
    ObjectRegistry::destroy();
    TextManager* manager = TextManager::instance();
    ASSERT_EQ(manager->getStyles().size(), 1u);
    EXPECT_EQ(manager->getStyles()[0].name, "Default");
    EXPECT_EQ(manager->getCurrentStyle().height, -50);

    manager->setFace("Courier New");
    manager->setOutlineFont(-30, 0.5f, 400, 0, 1, 0, 0);
    manager->setDuration(800);
    manager->addStyle("Judge");
    manager->setFace("Arial");

    EXPECT_FALSE(manager->selectStyle("judge"));
    EXPECT_EQ(manager->getCurrentStyle().face, "Arial");
    EXPECT_TRUE(manager->selectStyle("Default"));
    EXPECT_EQ(manager->getCurrentStyle().face, "Arial Black");
    EXPECT_EQ(manager->getCurrentStyle().duration, 3000u);
    EXPECT_TRUE(manager->selectStyle("Judge"));
    EXPECT_EQ(manager->getCurrentStyle().face, "Courier New");
    EXPECT_EQ(manager->getCurrentStyle().extrusion, 0.5f);
    EXPECT_EQ(manager->getCurrentStyle().italic, 1);

    // A teardown ends the manager; the next request makes a fresh one.
    ObjectRegistry::destroy();
    EXPECT_EQ(TextManager::instance()->getStyles().size(), 1u);
    ObjectRegistry::destroy();
}

} // namespace
