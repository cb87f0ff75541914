#pragma once

#include "core/Object.h"

#include <cstdint>
#include <string>
#include <vector>

// A drawable node of the scene graph. Positions do not compose down the tree:
// every node places itself relative to the frame's base matrix, chosen by the
// half of the screen it belongs to (its side).
class ObjectNode : public Object {
public:
    static constexpr std::int32_t SideCentre = -1;
    static constexpr std::int32_t SideBoth = 0;
    static constexpr std::int32_t SidePlayer1 = 1;
    static constexpr std::int32_t SidePlayer2 = 2;

    ObjectNode(const char* name, std::int8_t side);
    // Deletes every child once, even one linked more than once.
    ~ObjectNode() override;

    // Updates every child, active or not; derived nodes do their own work first.
    virtual bool update();
    // Draws the active children; a child on both sides is drawn once per half.
    virtual bool draw();

    // Loads the model-view matrix for the current side from the base matrix
    // that the frame drawing keeps on the stack right below the current one.
    void applySideTransform() const;

    void setActive(bool on) { active = on; }
    bool isActive() const { return active; }
    void hideForPlayer(int player);
    void showForPlayer(int player);
    bool isHiddenFor(int player) const;

    // Links a node below the node its backslash path names (prefix matching,
    // first matching child only). On success this node's subtree owns it.
    bool addNode(ObjectNode* node, const char* fullPath);
    ObjectNode* findNode(const char* fullPath);

    const std::string& getPath() const { return path; }
    const std::vector<ObjectNode*>& getChildren() const { return children; }

    // Changed freely by derived nodes and managers.
    std::int32_t side;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

private:
    ObjectNode* firstChildPrefixing(const std::string& fullPath) const;
    bool canAdopt(const ObjectNode* node) const;
    void adopt(ObjectNode* node, const std::string& fullPath);
    void drawChild(ObjectNode* child);

    std::vector<ObjectNode*> children;
    bool active = true;
    std::string path;
    ObjectNode* parent = nullptr;
};
