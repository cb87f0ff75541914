#pragma once

#include <vector>

class Object;

// The process-wide ordered list of registered objects. Managers find each
// other here by exact name. Destroying the registry destroys every registered
// object except "MainLoop", earliest registered first.
class ObjectRegistry {
public:
    static ObjectRegistry* instance();
    // True while a registry exists (it is created by the first instance() call).
    static bool exists();
    // Runs the teardown and ends the registry; the next instance() starts a fresh one.
    static void destroy();

    void add(Object* object);
    // The first object registered under exactly this name, or null. Every
    // successful lookup writes "TEST" to standard output.
    Object* find(const char* name) const;

    template <typename T>
    T* findAs(const char* name) const { return static_cast<T*>(find(name)); }

    ObjectRegistry(const ObjectRegistry&) = delete;
    ObjectRegistry& operator=(const ObjectRegistry&) = delete;

private:
    ObjectRegistry() = default;
    ~ObjectRegistry();

    std::vector<Object*> entries;
};
