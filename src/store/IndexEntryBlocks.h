#pragma once
// Memory for index entries. Opening a full data file makes 32,767 of them in one go; taken one
// by one from the general heap, most of that time goes to the kernel handing out fresh pages
// one 4 KiB fault at a time. Here entries of one size are carved from chunks: a first chunk of
// 256 KiB, and once a whole chunk is in use, chunks of 2 MiB. While many blocks are expected in
// a row (an open says how many), such a chunk is one the kernel may back with one huge page
// (one fault instead of 512); only when the expected blocks fill most of it, so that no huge
// page is taken for a few entries. Freed blocks are reused; a chunk is given back as soon as
// its last block is freed (one empty small chunk is kept for the next entry, so that making and
// freeing a single entry does not map and unmap a chunk each time).
//
// Single-threaded, like the store: blocks are taken and given back on the store's thread.
// In builds with AddressSanitizer every block comes from the general heap, so that the
// sanitizer still sees every use of a freed entry.

#include <cstddef>

namespace index_entry_blocks
{

// A block of exactly blockSize bytes, aligned for any entry. blockSize must be the same at
// every call of the process (the size of an index entry); throws std::bad_alloc when no memory.
void *Take(std::size_t blockSize);
// Gives back a block that Take returned.
void Give(void *block) noexcept;
// Says that about n blocks are to be taken next, one after the other (0: none in particular).
void Expect(int n);

// For tests: how many chunks are held now, and whether blocks come from chunks at all (not in
// sanitizer builds).
int ChunksInUse();
bool Chunked();

} // namespace index_entry_blocks
