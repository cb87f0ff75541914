#include "core/Object.h"

#include "core/ObjectRegistry.h"

Object::Object(bool registerObject, const char* name)
    : name(name ? name : "")
{
    if (registerObject)
        ObjectRegistry::instance()->add(this);
}

Object::~Object() = default;
