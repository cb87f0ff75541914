#include "scene/ObjectGraph.h"

#include "core/ObjectRegistry.h"
#include "scene/ObjectNode.h"

ObjectGraph::ObjectGraph()
    : Object(true, "ObjectGraph")
    , root(std::make_unique<ObjectNode>("root", ObjectNode::SideBoth))
{
}

ObjectGraph::~ObjectGraph() = default;

bool ObjectGraph::addNode(ObjectNode* node, const char* path)
{
    return root->addNode(node, path);
}

ObjectNode* ObjectGraph::findNode(const char* path)
{
    return root->findNode(path);
}

bool ObjectGraph::update()
{
    return root->update();
}

bool ObjectGraph::draw()
{
    return root->draw();
}

ObjectGraph* ObjectGraph::find()
{
    if (!ObjectRegistry::exists())
        return nullptr;
    return ObjectRegistry::instance()->findAs<ObjectGraph>("ObjectGraph");
}
