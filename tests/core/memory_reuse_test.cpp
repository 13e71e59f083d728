// A buffer of a document's size, freed and taken again, is not taken fresh
// from the system: its pages are not cleared and faulted in a second time.

#include "core/memory_reuse.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstring>
#include <memory>

namespace tarnfold {
namespace {

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The page faults of filling a fresh buffer of the size of a large form's part.
long FaultsOfOneBuffer() {
    constexpr std::size_t kSize = 24 * 1024 * 1024;
    const long before = MinorFaults();
    const auto buffer = std::make_unique_for_overwrite<char[]>(kSize);
    std::memset(buffer.get(), 1, kSize);
    // Read through a volatile pointer, or the compiler drops the buffer.
    const volatile char* read = buffer.get();
    EXPECT_EQ(read[kSize - 1], 1);
    return MinorFaults() - before;
}

TEST(KeepFreedMemoryForReuse, ASecondDocumentsBufferIsNotFaultedInAgain) {
    constexpr long kPages = 24 * 1024 * 1024 / 4096;
    // Without the setting every buffer is mapped anew.
    EXPECT_GT(FaultsOfOneBuffer(), kPages / 2);
    EXPECT_GT(FaultsOfOneBuffer(), kPages / 2);
    KeepFreedMemoryForReuse();
    FaultsOfOneBuffer();
    EXPECT_LT(FaultsOfOneBuffer(), kPages / 10) << "the freed buffer is taken again";
}

}  // namespace
}  // namespace tarnfold
