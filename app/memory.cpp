#include "app/memory.h"

#include <cstddef>  // on glibc, brings in <features.h> and with it __GLIBC__

#ifndef ML_FAST_ALLOCATOR
#define ML_FAST_ALLOCATOR 1
#endif

#if ML_FAST_ALLOCATOR && defined(__GLIBC__)
#include <malloc.h>

namespace {

constexpr int MIB = 1024 * 1024;

// glibc's settings, one per way memory goes back to the kernel.
struct Setting {
    int parameter;
    int value;
};

constexpr Setting SETTINGS[] = {
    // Blocks up to 16 MiB (a 1280 by 1024 frame's buffers are about 5 MiB)
    // come from the heap rather than from mmap and munmap of their own. The
    // largest value glibc accepts is 32 MiB on 64-bit and 16 MiB on 32-bit.
    {M_MMAP_THRESHOLD, 16 * MIB},
    // The top of the heap is given back only when this much of it is free.
    {M_TRIM_THRESHOLD, 64 * MIB},
    // The heap grows in steps this much larger than the request. Pages of
    // the step that nothing touches are never made resident.
    {M_TOP_PAD, 16 * MIB},
};

}  // namespace

bool keepFreedMemory()
{
    // Setting any of these also turns off glibc's own adjustment of the
    // thresholds, which otherwise settles only after seconds of churn.
    bool all = true;
    for (const Setting& setting : SETTINGS) {
        all = mallopt(setting.parameter, setting.value) == 1 && all;
    }
    return all;
}

#else

bool keepFreedMemory()
{
    return false;
}

#endif
