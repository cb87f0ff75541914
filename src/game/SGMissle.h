#pragma once

#include "scene/ObjectNode.h"

class Mesh;
class Texture;

// One missile icon of a sidebar: a small missile fixed to the screen, drawn
// only while the gimmick slot it stands for holds a missile. It links itself
// into the scene graph under "SGMissle_<row>_<slot>".
class SGMissle : public ObjectNode {
public:
    // row: 0 for player 1, 1 for player 2; slot: 0 to 3.
    SGMissle(int row, int slot);

    bool draw() override;
    void show() { lit = true; }
    void hide() { lit = false; }

    bool isLit() const { return lit; }
    int getRow() const { return row; }
    int getSlot() const { return slot; }
    const char* getNodeName() const { return nodeName; }

private:
    Mesh* mesh = nullptr;
    Texture* texture = nullptr;
    char nodeName[15] = {};
    int row;
    int slot;
    bool lit = false;
};
