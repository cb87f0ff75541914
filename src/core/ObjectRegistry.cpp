#include "core/ObjectRegistry.h"

#include "core/Object.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
ObjectRegistry* theRegistry = nullptr;
}

ObjectRegistry* ObjectRegistry::instance()
{
    if (!theRegistry)
        theRegistry = new ObjectRegistry();
    return theRegistry;
}

bool ObjectRegistry::exists()
{
    return theRegistry != nullptr;
}

void ObjectRegistry::destroy()
{
    delete theRegistry;
    theRegistry = nullptr;
}

void ObjectRegistry::add(Object* object)
{
    entries.push_back(object);
}

Object* ObjectRegistry::find(const char* name) const
{
    for (Object* object : entries) {
        if (std::strcmp(object->getName().c_str(), name) == 0) {
            std::fputs("TEST", stdout);
            return object;
        }
    }
    return nullptr;
}

ObjectRegistry::~ObjectRegistry()
{
    // A destructor that runs here may look objects up: itself and everything
    // registered before it are already out of the list.
    while (!entries.empty()) {
        Object* front = entries.front();
        std::erase(entries, front);
        if (front->getName() != "MainLoop")
            delete front;
    }
}
