#pragma once

#include <set>

// A framework object whose life the tests can see: alive() tells whether an
// object of this type at that address still exists, without touching it.
template <class Base>
class Tracked : public Base {
public:
    Tracked() { live().insert(this); }
    ~Tracked() override { live().erase(this); }

    static bool alive(const void* object) { return live().count(object) != 0; }
    static std::size_t count() { return live().size(); }

private:
    static std::set<const void*>& live() {
        static std::set<const void*> objects;
        return objects;
    }
};
