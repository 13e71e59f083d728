#include "core/memory_reuse.h"

#include <malloc.h>

namespace tarnfold {

void KeepFreedMemoryForReuse() {
    // Blocks above the threshold are mapped and unmapped on their own; below
    // it they come from the heap, where a freed one is reused. 32 MiB is the
    // most the allocator takes.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

}  // namespace tarnfold
