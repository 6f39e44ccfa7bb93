// heap-probe SIZE keep|defaults: allocates, writes and frees a block of SIZE
// bytes twice, with or without keepFreedMemory(), and says through its exit
// status what that did to the heap (see Outcome). A process of its own with
// nothing else linked in, so glibc starts from its documented defaults.
#include "app/memory.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>

namespace {

enum Outcome : int {
    KEPT = 10,             // from the heap, and the heap still as large after free
    OWN_MAPPING = 11,      // a mapping of its own, returned to the kernel by free
    HEAP_TRIMMED = 12,     // from the heap, but the heap shrank again at free
    SETTINGS_REFUSED = 13,
    USAGE = 2,
};

// The heap's figures that matter here (mallinfo2 is glibc 2.33 and later).
struct HeapFigures {
    size_t arena;  // bytes the main heap has from the kernel
    size_t hblks;  // blocks with a mapping of their own
};

HeapFigures heapFigures()
{
#if __GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33)
    const struct mallinfo2 info = mallinfo2();
#else
    const struct mallinfo info = mallinfo();
#endif
    return {static_cast<size_t>(info.arena), static_cast<size_t>(info.hblks)};
}

// Where each block is published, so the compiler cannot leave out the
// allocation (it may, for a block nothing outside the function sees).
char* volatile published = nullptr;

Outcome roundTrip(size_t size)
{
    const HeapFigures before = heapFigures();
    char* block = static_cast<char*>(std::malloc(size));
    std::memset(block, 1, size);
    published = block;
    const HeapFigures during = heapFigures();
    std::free(published);
    const HeapFigures after = heapFigures();
    if (during.hblks > before.hblks) {
        return OWN_MAPPING;
    }
    return after.arena < during.arena ? HEAP_TRIMMED : KEPT;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return USAGE;
    }
    const size_t size = std::strtoul(argv[1], nullptr, 10);
    if (std::strcmp(argv[2], "keep") == 0 && !keepFreedMemory()) {
        return SETTINGS_REFUSED;
    }
    // Twice: the second round trip must find the heap as the first left it.
    const Outcome first = roundTrip(size);
    return first == KEPT ? roundTrip(size) : first;
}
