#include "word/bookmark_index.h"

#include "core/text.h"

namespace tarnfold::word {

BookmarkIndex::BookmarkIndex(const std::vector<std::string>& names) {
    names_.reserve(names.size());
    for (const std::string& name : names) names_.emplace(FoldCase(name), name);
}

std::optional<std::string> BookmarkIndex::Find(std::string_view name) const {
    const auto it = names_.find(FoldCase(name));
    if (it == names_.end()) return std::nullopt;
    return it->second;
}

}  // namespace tarnfold::word
