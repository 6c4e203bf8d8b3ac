#pragma once

// How the process uses memory: set first thing in main(), before anything is allocated.
namespace process_memory {

// Every block of 1 MiB or more gets a mapping of its own, handed back to the system once freed. The large
// blocks (the item index, a list's keys, a sort's entries) come and go with the lists. Left to itself, the
// allocator raises that limit once such a block is freed, and the later ones then stay in the heap, resident
// long after they were freed.
void returnLargeBlocksWhenFreed();

} // namespace process_memory
