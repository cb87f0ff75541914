#include "scene/ObjectNode.h"

#include "core/OutputHandler.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

ObjectNode::ObjectNode(const char* name, std::int8_t side)
    : Object(false, name)
    , side(side)
{
}

ObjectNode::~ObjectNode()
{
    while (!children.empty()) {
        ObjectNode* child = children.front();
        std::erase(children, child);
        delete child;
    }
}

bool ObjectNode::update()
{
    // Index loop: an update may link new nodes below this one.
    for (std::size_t i = 0; i < children.size(); ++i)
        children[i]->update();
    return true;
}

bool ObjectNode::draw()
{
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i]->active)
            drawChild(children[i]);
    }
    return true;
}

void ObjectNode::drawChild(ObjectNode* child)
{
    if (child->side != SideBoth) {
        child->draw();
        return;
    }
    child->side = SidePlayer1;
    child->draw();
    child->side = SidePlayer2;
    child->draw();
    child->side = SideBoth;
}

void ObjectNode::applySideTransform() const
{
    if (side == SideBoth || side == SidePlayer1) {
        glPopMatrix();
        glPushMatrix();
        glTranslatef(-2.5f, 0.0f, 0.0f);
    }
    if (side == SideBoth || side == SidePlayer2) {
        glPopMatrix();
        glPushMatrix();
        glTranslatef(2.5f, 0.0f, 0.0f);
    }
    if (side == SideCentre) {
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -9.0f);
    }
}

void ObjectNode::hideForPlayer(int player)
{
    if (player == 1) {
        if (side == SideBoth)
            side = SidePlayer2;
        if (side == SidePlayer1)
            active = false;
    } else if (player == 2) {
        if (side == SideBoth)
            side = SidePlayer1;
        if (side == SidePlayer2)
            active = false;
    }
}

void ObjectNode::showForPlayer(int player)
{
    if (player == 1) {
        if (!active) {
            side = SidePlayer1;
            active = true;
        }
        if (active && side == SidePlayer2)
            side = SideBoth;
    } else if (player == 2) {
        if (!active) {
            side = SidePlayer2;
            active = true;
        }
        if (active && side == SidePlayer1)
            side = SideBoth;
    }
}

bool ObjectNode::isHiddenFor(int player) const
{
    if (side == SideBoth)
        return false;
    if (!active)
        return true;
    return side != player;
}

ObjectNode* ObjectNode::firstChildPrefixing(const std::string& fullPath) const
{
    for (ObjectNode* child : children) {
        if (fullPath.starts_with(child->path))
            return child;
    }
    return nullptr;
}

bool ObjectNode::addNode(ObjectNode* node, const char* fullPath)
{
    const std::string full = fullPath ? fullPath : "";
    OutputHandler::log(OutputHandler::find(), "...ObjectNode: adding %s", full.c_str());
    std::puts("test");

    const std::size_t skip = path.empty() ? 0 : path.size() + 1;
    const std::string rest = skip < full.size() ? full.substr(skip) : std::string();
    if (rest.find('\\') == std::string::npos) {
        if (!canAdopt(node))
            return false;
        adopt(node, full);
        return true;
    }
    ObjectNode* next = firstChildPrefixing(full);
    return next ? next->addNode(node, fullPath) : false;
}

// A node may hang under one parent only (possibly more than once), and never
// below itself: either would delete it twice or make the walks endless.
bool ObjectNode::canAdopt(const ObjectNode* node) const
{
    if (!node || (node->parent && node->parent != this))
        return false;
    for (const ObjectNode* ancestor = this; ancestor; ancestor = ancestor->parent) {
        if (ancestor == node)
            return false;
    }
    return true;
}

void ObjectNode::adopt(ObjectNode* node, const std::string& fullPath)
{
    children.push_back(node);
    node->path = fullPath;
    node->parent = this;
}

ObjectNode* ObjectNode::findNode(const char* fullPath)
{
    const std::string full = fullPath ? fullPath : "";
    if (path == full)
        return this;
    ObjectNode* child = firstChildPrefixing(full);
    if (!child)
        return nullptr;
    return child->path == full ? child : child->findNode(fullPath);
}
