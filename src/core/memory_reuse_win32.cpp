#include "core/memory_reuse.h"

namespace tarnfold {

// The Windows heap gives large blocks back to the system when they are freed
// and has no setting that keeps them: nothing to do.
void KeepFreedMemoryForReuse() {}

}  // namespace tarnfold
