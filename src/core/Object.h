#pragma once

#include <string>

// Base of every manager and scene node: a name fixed at construction and,
// optionally, a place in the process-wide registry that then owns the object.
class Object {
public:
    Object(bool registerObject, const char* name);
    virtual ~Object();

    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const std::string& getName() const { return name; }

protected:
    const std::string name;
};
