#pragma once
// Templates are authored in Word, which finds a bookmark by its name without
// regard to letter case; the document models compare names exactly.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnfold::word {

class BookmarkIndex {
public:
    BookmarkIndex() = default;
    // When two names differ only in case, the first one listed wins, as Word
    // keeps only one of them.
    explicit BookmarkIndex(const std::vector<std::string>& names);

    // The document's own spelling of `name`, or nothing when it has no such bookmark.
    std::optional<std::string> Find(std::string_view name) const;
    std::size_t Size() const { return names_.size(); }

private:
    std::unordered_map<std::string, std::string> names_;
};

}  // namespace tarnfold::word
