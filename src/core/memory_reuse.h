#pragma once
// Filling a document allocates and frees buffers of the document's size for
// every document: the part as read, its markup, the document as written,
// several megabytes each on a common form and tens on a large one. Left to
// the allocator's defaults, each is handed back to the system when freed and
// taken anew for the next, and the system clears every page of it again on
// first touch: on a form of ten thousand figures that is a fifth of the
// filling's time.

namespace tarnfold {

// Keeps freed buffers of up to 32 MiB in the process for the next ones, and
// up to 64 MiB of free memory at the heap's end before it is given back.
// Called once at the start of a program, before it fills anything.
void KeepFreedMemoryForReuse();

}  // namespace tarnfold
