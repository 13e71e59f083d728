#pragma once
// Every bookmark of a document found once, by name without regard to letter
// case, as Word finds them.

#include "word/docx/xml_part.h"

#include <pugixml.hpp>

#include <cstddef>
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
    // Adds the bookmarks of one part. Where a name occurs twice the first start
    // wins, also across parts: LibreOffice writes the start of a bookmark in an
    // empty paragraph twice, and the body is added before headers and footers.
    void AddPart(XmlPart& part);

    const BookmarkRef* Find(std::string_view name) const;
    std::size_t Size() const { return bookmarks_.size(); }
    // One name per bookmark found, spelt as its winning start spells it, in
    // the order the starts were added.
    const std::vector<std::string>& Names() const { return names_; }
    // Every bookmark as the document spells it, also those the look-up finds
    // under another spelling; a start without an end beside a whole bookmark
    // of the same name is not counted.
    const std::vector<std::string>& Spellings() const { return spellings_; }

private:
    std::unordered_map<std::string, BookmarkRef> bookmarks_;
    std::vector<std::string> names_;
    std::vector<std::string> spellings_;
};

}  // namespace tarnfold::word::docx
