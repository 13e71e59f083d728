#include "text_document.h"

#include <algorithm>
#include <stdexcept>

#include "core/text.h"
#include "core/wide_text.h"

namespace tarnfold::testing {

namespace {

std::string Folded(std::wstring_view name) { return FoldCase(win32::Narrow(name)); }

std::runtime_error Malformed(const std::string& what, std::size_t at) {
    return std::runtime_error("Malformed document: " + what + " at character " + std::to_string(at + 1));
}

void AppendEscaped(std::wstring& out, wchar_t c) {
    out += c;
    if (c == L'{' || c == L'}') out += c;
}

}  // namespace

TextDocument TextDocument::Parse(std::string_view utf8) {
    const std::wstring in = win32::Wide(utf8);
    TextDocument document;
    std::vector<std::size_t> open;  // indexes into bookmarks_ of the ranges not closed yet
    for (std::size_t i = 0; i < in.size(); ++i) {
        const wchar_t c = in[i];
        const bool doubled = i + 1 < in.size() && in[i + 1] == c;
        if ((c == L'{' || c == L'}') && doubled) {
            document.text_ += c;
            ++i;
        } else if (c == L'}') {
            if (open.empty()) throw Malformed("a '}' that closes no bookmark", i);
            document.bookmarks_[open.back()].end = document.text_.size();
            open.pop_back();
        } else if (c == L'{') {
            const std::size_t nameEnd = in.find_first_of(L":}{", i + 1);
            if (nameEnd == std::wstring::npos || in[nameEnd] == L'{' || nameEnd == i + 1)
                throw Malformed("a bookmark without a name", i);
            TextBookmark bookmark{in.substr(i + 1, nameEnd - i - 1), document.text_.size(), document.text_.size()};
            if (document.Find(bookmark.name) != nullptr) throw Malformed("a second bookmark of the same name", i);
            document.bookmarks_.push_back(std::move(bookmark));
            if (in[nameEnd] == L':') open.push_back(document.bookmarks_.size() - 1);
            i = nameEnd;
        } else {
            document.text_ += c;
        }
    }
    if (!open.empty()) throw Malformed("a bookmark not closed", in.size());
    return document;
}

std::string TextDocument::Serialise() const {
    std::vector<std::size_t> order(bookmarks_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    // At one point: the empty bookmarks first, then the ranges, the longest
    // outermost.
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        const TextBookmark& x = bookmarks_[a];
        const TextBookmark& y = bookmarks_[b];
        if (x.start != y.start) return x.start < y.start;
        const bool xEmpty = x.start == x.end;
        const bool yEmpty = y.start == y.end;
        if (xEmpty != yEmpty) return xEmpty;
        return x.end > y.end;
    });

    std::wstring out;
    std::vector<std::size_t> open;
    std::size_t next = 0;
    for (std::size_t at = 0; at <= text_.size(); ++at) {
        while (!open.empty() && bookmarks_[open.back()].end == at) {
            out += L'}';
            open.pop_back();
        }
        for (; next < order.size() && bookmarks_[order[next]].start == at; ++next) {
            const TextBookmark& bookmark = bookmarks_[order[next]];
            if (!open.empty() && bookmark.end > bookmarks_[open.back()].end)
                throw std::logic_error("bookmarks overlap without nesting");
            out += L'{' + bookmark.name;
            if (bookmark.end == at) {
                out += L'}';
            } else {
                out += L':';
                open.push_back(order[next]);
            }
        }
        if (at < text_.size()) AppendEscaped(out, text_[at]);
    }
    return win32::Narrow(out);
}

const TextBookmark* TextDocument::Find(std::wstring_view name) const {
    const std::string folded = Folded(name);
    for (const TextBookmark& bookmark : bookmarks_)
        if (Folded(bookmark.name) == folded) return &bookmark;
    return nullptr;
}

void TextDocument::Insert(std::size_t at, std::wstring_view text, AtStart mode) {
    text_.insert(at, text);
    const std::size_t n = text.size();
    for (TextBookmark& bookmark : bookmarks_) {
        const bool startsHere = bookmark.start == at;
        if (bookmark.start > at || (startsHere && mode == AtStart::InFront)) bookmark.start += n;
        if (bookmark.end > at || (bookmark.end == at && startsHere)) bookmark.end += n;
    }
}

void TextDocument::Erase(std::size_t start, std::size_t end) {
    text_.erase(start, end - start);
    const auto moved = [&](std::size_t at) { return at <= start ? at : at >= end ? at - (end - start) : start; };
    for (TextBookmark& bookmark : bookmarks_) {
        bookmark.start = moved(bookmark.start);
        bookmark.end = moved(bookmark.end);
    }
}

}  // namespace tarnfold::testing
