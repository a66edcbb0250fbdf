#include "memo/ObjectArena.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace memo {

namespace {

// Blocks double from the first up to the largest, so that a package of one memo takes little
// and a large one few blocks, with at most one largest block's worth unused.
constexpr std::size_t kFirstBlock = 1024;
constexpr std::size_t kLargestBlock = 256 * 1024;

} // namespace

struct ObjectArena::Block {
    Block* next;
};

ObjectArena* ObjectArena::create()
{
    return new ObjectArena;
}

ObjectArena::~ObjectArena()
{
    while (blocks_) {
        Block* next = blocks_->next;
        ::operator delete(blocks_);
        blocks_ = next;
    }
}

void ObjectArena::release()
{
    if (holders_.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

void* ObjectArena::allocate(std::size_t size, std::size_t align)
{
    const auto at = reinterpret_cast<std::uintptr_t>(free_);
    const std::uintptr_t aligned = (at + align - 1) & ~std::uintptr_t(align - 1);
    if (free_ && aligned - at + size <= std::size_t(end_ - free_)) {
        free_ = reinterpret_cast<char*>(aligned + size);
        return reinterpret_cast<void*>(aligned);
    }
    next_block_ = std::min(kLargestBlock, next_block_ ? next_block_ * 2 : kFirstBlock);
    // A block header keeps the largest fundamental alignment for what follows it.
    constexpr std::size_t header = alignof(std::max_align_t);
    static_assert(sizeof(Block) <= header);
    const std::size_t block_size = header + std::max(next_block_, size + align);
    auto* block = static_cast<Block*>(::operator new(block_size));
    block->next = blocks_;
    blocks_ = block;
    free_ = reinterpret_cast<char*>(block) + header;
    end_ = reinterpret_cast<char*>(block) + block_size;
    return allocate(size, align);
}

} // namespace memo
