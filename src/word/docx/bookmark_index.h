#pragma once
// Every bookmark of a document found once, by name without regard to letter
// case, as Word finds them.

#include "word/docx/xml_part.h"

#include <pugixml.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnfold::word::docx {

struct BookmarkRef {
    XmlPart* part = nullptr;
    pugi::xml_node start;
    // Empty when the part holds no end with the start's id (a point).
    pugi::xml_node end;
};

class BookmarkIndex {
public:
    // Adds the bookmarks of one part in one walk over it. Where a name occurs
    // twice the first start wins, also across parts: LibreOffice writes the
    // start of a bookmark in an empty paragraph twice, and the body is added
    // before headers and footers.
    void AddPart(XmlPart& part);

    // Looks the name up without allocating when it is plain ASCII, as
    // bookmark names almost always are.
    const BookmarkRef* Find(std::string_view name) const;
    std::size_t Size() const { return bookmarks_.size(); }
    // One name per bookmark found, spelt as its winning start spells it, in
    // the order the starts were added.
    const std::vector<std::string>& Names() const { return names_; }
    // Every bookmark as the document spells it, also those the look-up finds
    // under another spelling; a start without an end beside a whole bookmark
    // of the same name is not counted.
    std::vector<std::string> Spellings() const;

private:
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::unordered_map<std::string, BookmarkRef, KeyHash, std::equal_to<>> bookmarks_;
    std::vector<std::string> names_;
    // Every start with a name, as the document spells it, in document order.
    struct StartSeen {
        const char* name;
        bool hasEnd;
    };
    std::vector<StartSeen> starts_;
};

// The name as the index keys it: letter case folded for Latin and Cyrillic.
// Plain ASCII is folded into `buffer` when it fits there, so that no memory
// is taken; `spare` holds the folding of any other name.
std::string_view FoldedKey(std::string_view name, char* buffer, std::size_t capacity, std::string& spare);

}  // namespace tarnfold::word::docx
