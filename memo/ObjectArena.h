#pragma once

#include <atomic>
#include <cstddef>

namespace memo {

// Memory for the objects of one package read from bytes, and for their points, taken in a
// few large blocks: a package of thousands of strokes otherwise spends a third of its reading
// time allocating and freeing two small blocks per stroke. Nothing is freed one by one; the
// blocks go when the package and every object taken out of it are gone.
//
// Only the thread reading the package allocates, and only while it reads; the count of
// holders may drop on any thread.
class ObjectArena {
public:
    // A new arena held once by the caller.
    static ObjectArena* create();
    ObjectArena(const ObjectArena&) = delete;
    ObjectArena& operator=(const ObjectArena&) = delete;

    void* allocate(std::size_t size, std::size_t align);
    template <class T> T* allocate_array(std::size_t n)
    {
        return static_cast<T*>(allocate(n * sizeof(T), alignof(T)));
    }

    void retain() { holders_.fetch_add(1, std::memory_order_relaxed); }
    // Frees the arena when this was the last holder.
    void release();

private:
    struct Block;
    ObjectArena() = default;
    ~ObjectArena();

    std::atomic<std::size_t> holders_{1};
    Block* blocks_ = nullptr;
    char* free_ = nullptr;
    char* end_ = nullptr;
    std::size_t next_block_ = 0;
};

// Where an object's memory came from. Copies of an object are made by ordinary new, so this
// is never copied with it.
struct ArenaPlace {
    ObjectArena* arena = nullptr;
    // Set once the object has left its package: it then keeps the arena alive itself.
    bool holds_arena = false;

    ArenaPlace() = default;
    ArenaPlace(const ArenaPlace&) {}
    ArenaPlace& operator=(const ArenaPlace&) { return *this; }
};

} // namespace memo
