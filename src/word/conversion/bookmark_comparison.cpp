#include "word/conversion/bookmark_comparison.h"

#include <unordered_set>

namespace tarnfold::word::conversion {

namespace {

std::vector<std::string> Missing(const std::vector<std::string>& names, const std::vector<std::string>& from) {
    const std::unordered_set<std::string> present(from.begin(), from.end());
    std::vector<std::string> missing;
    for (const std::string& name : names) {
        if (!present.contains(name)) missing.push_back(name);
    }
    return missing;
}

}  // namespace

BookmarkComparison CompareBookmarks(const std::vector<std::string>& original,
                                    const std::vector<std::string>& converted) {
    BookmarkComparison comparison;
    comparison.lost = Missing(original, converted);
    comparison.added = Missing(converted, original);
    comparison.originalCount = original.size();
    comparison.convertedCount = converted.size();
    return comparison;
}

}  // namespace tarnfold::word::conversion
