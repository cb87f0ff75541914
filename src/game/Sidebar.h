#pragma once

#include "scene/ObjectNode.h"

#include <array>
#include <cstdint>

class Player;
class SGMissle;
class Text;

// A player's panel at the outer edge of the screen: the textured plate, the
// player's points and four missile icons lit while the player's gimmick slots
// hold a missile. Fixed to the screen; it links itself into the scene graph.
class Sidebar : public ObjectNode {
public:
    static constexpr int iconsPerPlayer = 4;

    // name: "sidebar_p1" for player 1, "sidebar_p2" for player 2.
    Sidebar(const char* name, Player* player);

    bool update() override;
    bool draw() override;
    // Another round: shows the player's points (0 by then) and darkens every
    // icon at once, without waiting for the next update.
    void newRound();

    // The points font height for a window width: 640 gives 14, 1024 gives 18,
    // anything else 0.
    static int pointsFontHeight(int windowWidth);

    Text* getPointsText() const { return pointsText; }
    // Indexed by (player number - 1) × 4 + slot; only this player's four are set.
    const std::array<SGMissle*, 8>& getIcons() const { return icons; }
    std::uint32_t getTextureName() const { return textureName; }

private:
    int playerNumber() const;
    void createPointsText(int number);
    void linkIntoGraph(int number);
    void createIcons(int number);
    void showPoints();
    void followSlots();
    void drawPanel() const;

    std::uint32_t textureName = 0;
    float sign;
    float halfWidth = 1.0f;
    float halfHeight = 7.0f;
    Player* player;
    // Owned by the scene graph.
    Text* pointsText = nullptr;
    std::array<SGMissle*, 8> icons{};
};
