#include "store/IndexEntryBlocks.h"

#include <cassert>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define LOCKVEX_ENTRIES_ON_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LOCKVEX_ENTRIES_ON_HEAP 1
#endif
#endif

#if defined(__linux__) && !defined(LOCKVEX_ENTRIES_ON_HEAP)
#include <sys/mman.h>
#endif

namespace index_entry_blocks
{

#if defined(LOCKVEX_ENTRIES_ON_HEAP)

void *Take(std::size_t blockSize)
{
    return ::operator new(blockSize);
}

void Give(void *block) noexcept
{
    ::operator delete(block);
}

void Expect(int) {}

int ChunksInUse()
{
    return 0;
}

bool Chunked()
{
    return false;
}

#else

namespace
{

// Every chunk starts on a multiple of its largest size, so the chunk of a block is found by
// rounding the block's address down.
constexpr std::size_t ChunkAlign = std::size_t(2) << 20;
constexpr std::size_t SmallChunk = std::size_t(256) << 10;

struct Chunk {
    Chunk *Prev; // the list of chunks with room
    Chunk *Next;
    void *FreeList;     // freed blocks, each holding the address of the next
    std::size_t Carved; // bytes from the chunk's start taken so far, the header included
    std::size_t End;    // bytes the chunk may use: SmallChunk or ChunkAlign
    int Live;           // blocks taken and not given back
    bool InList;
};

constexpr std::size_t HeaderSize = (sizeof(Chunk) + 63) & ~std::size_t(63);

struct Blocks {
    std::size_t BlockSize = 0;
    Chunk *WithRoom = nullptr; // chunks with a free block or room to carve one
    Chunk *Spare = nullptr;    // an empty small chunk kept for the next block
    int Chunks = 0;
    int Expected = 0; // blocks still expected in a row
};

Blocks blocks;

void Link(Chunk *c)
{
    c->Prev = nullptr;
    c->Next = blocks.WithRoom;
    if (blocks.WithRoom)
        blocks.WithRoom->Prev = c;
    blocks.WithRoom = c;
    c->InList = true;
}

void Unlink(Chunk *c)
{
    if (c->Prev)
        c->Prev->Next = c->Next;
    else
        blocks.WithRoom = c->Next;
    if (c->Next)
        c->Next->Prev = c->Prev;
    c->Prev = c->Next = nullptr;
    c->InList = false;
}

bool HasRoom(const Chunk *c)
{
    return c->FreeList || c->Carved + blocks.BlockSize <= c->End;
}

Chunk *NewChunk()
{
    // The first chunk is small, so that a small data file costs little; the process takes
    // large ones only once it holds a chunk's worth of entries.
    const bool large = blocks.Chunks > 0;
    void *memory = ::operator new(ChunkAlign, std::align_val_t(ChunkAlign));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const std::size_t expectedBytes = std::size_t(blocks.Expected) * blocks.BlockSize;
    if (large && expectedBytes >= ChunkAlign * 3 / 4)
        madvise(memory, ChunkAlign, MADV_HUGEPAGE); // a hint: without it the chunk still works
#endif
    auto *c = static_cast<Chunk *>(memory);
    c->FreeList = nullptr;
    c->Carved = HeaderSize;
    c->End = large ? ChunkAlign : SmallChunk;
    c->Live = 0;
    ++blocks.Chunks;
    Link(c);
    return c;
}

void FreeChunk(Chunk *c)
{
    if (c->InList)
        Unlink(c);
    --blocks.Chunks;
    ::operator delete(static_cast<void *>(c), std::align_val_t(ChunkAlign));
}

Chunk *ChunkOf(void *block)
{
    return reinterpret_cast<Chunk *>(reinterpret_cast<std::uintptr_t>(block) & ~(ChunkAlign - 1));
}

} // namespace

void *Take(std::size_t blockSize)
{
    blockSize = (blockSize + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    if (blocks.BlockSize == 0)
        blocks.BlockSize = blockSize;
    assert(blockSize == blocks.BlockSize);
    Chunk *c = blocks.WithRoom ? blocks.WithRoom : NewChunk();
    void *block;
    if (c->FreeList) {
        block = c->FreeList;
        c->FreeList = *static_cast<void **>(block);
    } else {
        block = reinterpret_cast<char *>(c) + c->Carved;
        c->Carved += blocks.BlockSize;
    }
    ++c->Live;
    if (blocks.Expected > 0)
        --blocks.Expected;
    if (c == blocks.Spare)
        blocks.Spare = nullptr;
    if (!HasRoom(c))
        Unlink(c);
    return block;
}

void Give(void *block) noexcept
{
    if (!block)
        return;
    Chunk *c = ChunkOf(block);
    *static_cast<void **>(block) = c->FreeList;
    c->FreeList = block;
    --c->Live;
    if (!c->InList)
        Link(c);
    if (c->Live > 0)
        return;
    if (c->End == SmallChunk && !blocks.Spare) {
        // Emptied: carved afresh from its start when it is used again.
        c->FreeList = nullptr;
        c->Carved = HeaderSize;
        blocks.Spare = c;
        return;
    }
    FreeChunk(c);
}

void Expect(int n)
{
    blocks.Expected = n > 0 ? n : 0;
}

int ChunksInUse()
{
    return blocks.Chunks;
}

bool Chunked()
{
    return true;
}

#endif

} // namespace index_entry_blocks
