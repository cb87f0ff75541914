#pragma once

#include "scene/ObjectNode.h"

#include <string>
#include <vector>

// A node that notes every update and draw in a shared journal, with the side
// it had at that moment, and deletes itself into the journal too.
struct Journal {
    std::vector<std::string> entries;
};

class RecordingNode : public ObjectNode {
public:
    RecordingNode(Journal& journal, const char* name, std::int8_t side)
        : ObjectNode(name, side)
        , journal(journal)
    {
    }
    ~RecordingNode() override { journal.entries.push_back("delete " + getName()); }

    bool update() override
    {
        journal.entries.push_back("update " + getName());
        return ObjectNode::update();
    }

    bool draw() override
    {
        journal.entries.push_back("draw " + getName() + " " + std::to_string(side));
        return ObjectNode::draw();
    }

private:
    Journal& journal;
};
