#pragma once
// The documents of the stand-in word processor (word_stand_in.exe): text with
// named bookmarks, each a range of the text. On disk a document is UTF-8 text
// in which "{name}" marks an empty bookmark, "{name:text}" a bookmark over
// that text, and "{{" and "}}" stand for literal braces. Bookmark names are
// found without regard to letter case, as Word finds them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::testing {

struct TextBookmark {
    std::wstring name;
    std::size_t start = 0;  // in UTF-16 units of the text
    std::size_t end = 0;
};

class TextDocument {
public:
    // Throws std::runtime_error naming what is wrong with the text.
    static TextDocument Parse(std::string_view utf8);
    std::string Serialise() const;

    const std::wstring& Text() const { return text_; }
    const std::vector<TextBookmark>& Bookmarks() const { return bookmarks_; }
    // Null when the document has no bookmark of that name.
    const TextBookmark* Find(std::wstring_view name) const;

    // How text put in at a point meets the bookmarks that start there: taken
    // into them (a range's InsertBefore widens the range), or left in front
    // of them (typing at the cursor).
    enum class AtStart { Inside, InFront };
    void Insert(std::size_t at, std::wstring_view text, AtStart mode);
    void Erase(std::size_t start, std::size_t end);

private:
    std::wstring text_;
    std::vector<TextBookmark> bookmarks_;
};

}  // namespace tarnfold::testing
