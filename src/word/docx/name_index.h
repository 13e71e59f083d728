#pragma once
// Names numbered in the order they were added, looked up in one flat table:
// a large form has a hundred thousand bookmarks, each looked up once or twice
// per document, and a table of separately allocated nodes would cost a cache
// miss or two per name. Names are compared byte for byte: where letter case
// does not count they are folded before they come here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnfold::word::docx {

class NameIndex {
public:
    static constexpr std::uint32_t kMissing = UINT32_MAX;

    // Room for `count` names without growing.
    void Reserve(std::size_t count);
    // The name's number, and whether it was added now: a new name is given
    // the number of names before it.
    std::pair<std::uint32_t, bool> Add(std::string_view name);
    // The name's number, or kMissing.
    std::uint32_t Find(std::string_view name) const;
    // The same, for names looked up mostly in the order they were added:
    // the name `last` (the number found the time before; kMissing before the
    // first) and the one after it are tried before the table, and `last`
    // becomes the number found.
    std::uint32_t Find(std::string_view name, std::uint32_t& last) const;
    std::size_t Size() const { return hashes_.size(); }
    void Clear();

private:
    // The slot that holds the name, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view name, std::uint32_t hash) const;
    std::string_view NameAt(std::uint32_t number) const;
    void Rehash(std::size_t slotCount);

    std::string names_;                  // every name, one after another
    std::vector<std::size_t> ends_;      // where each name ends in names_
    std::vector<std::uint32_t> hashes_;  // each name's hash
    std::vector<std::uint32_t> slots_;   // a name's number + 1, 0 when empty; a power of two long
};

}  // namespace tarnfold::word::docx
