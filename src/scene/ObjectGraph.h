#pragma once

#include "core/Object.h"

#include <memory>

class ObjectNode;

// The scene tree, registered as "ObjectGraph". Nodes are linked by backslash
// paths below a root with the empty path and stay until the graph goes.
class ObjectGraph : public Object {
public:
    ObjectGraph();
    ~ObjectGraph() override;

    // True when the node was linked; the graph then owns it. Otherwise the
    // node stays the caller's.
    bool addNode(ObjectNode* node, const char* path);
    // The first node found along the path, or null; "" is the root.
    ObjectNode* findNode(const char* path);
    bool update();
    bool draw();

    // The graph registered as "ObjectGraph", or null.
    static ObjectGraph* find();

private:
    std::unique_ptr<ObjectNode> root;
};
