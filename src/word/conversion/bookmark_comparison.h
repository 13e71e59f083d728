#pragma once
// Whether a converted template still has every bookmark its original had.

#include <string>
#include <vector>

namespace tarnfold::word::conversion {

struct BookmarkComparison {
    // Names of the original the copy lacks, in the original's order.
    std::vector<std::string> lost;
    // Names of the copy the original lacks, in the copy's order.
    std::vector<std::string> added;
    std::size_t originalCount = 0;
    std::size_t convertedCount = 0;

    // The same names, exactly spelt, and as many of them.
    bool Survived() const { return lost.empty() && added.empty() && originalCount == convertedCount; }
};

// Names compare exactly: a name whose letter case changed would be found by
// the export all the same, but the copy is no longer what was authored, and
// two names that differ only in case have become one.
BookmarkComparison CompareBookmarks(const std::vector<std::string>& original,
                                    const std::vector<std::string>& converted);

}  // namespace tarnfold::word::conversion
