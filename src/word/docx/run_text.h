#pragma once
// Text as it goes into a run: tabs and line breaks are elements of their own,
// and XML 1.0 cannot hold every character a text may bring.

#include "word/docx/wordml.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::word::docx {

struct RunPiece {
    enum class Kind { Text, Tab, Break };
    Kind kind = Kind::Text;
    std::string text;  // only for Kind::Text

    bool operator==(const RunPiece&) const = default;
};

// Splits a UTF-8 text into the pieces of a run. A tab becomes a tab; CR LF,
// CR, LF and the vertical tab (Word's own manual line break) each become one
// line break. Other control characters, and U+FFFE and U+FFFF, cannot be
// written in XML 1.0 and are dropped; a byte sequence that is not UTF-8 (also
// an encoded surrogate or an overlong form) becomes U+FFFD so that the loss
// stays visible.
std::vector<RunPiece> SplitRunText(std::string_view utf8);

// Whether a text element needs xml:space="preserve" to keep its blanks:
// leading or trailing blanks, or two in a row.
bool NeedsPreserve(std::string_view text);

// Appends the pieces of `utf8` to `run` as w:t, w:tab and w:br elements.
// Returns false when nothing was left to append.
bool AppendRunContent(pugi::xml_node run, std::string_view utf8, const WordNames& names);

}  // namespace tarnfold::word::docx
