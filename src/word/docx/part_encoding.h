#pragma once
// The character encoding of a package part. Word writes UTF-8, but a part
// made by another program may declare UTF-16 or a single-byte code page; it
// is read in what it declares and always written back in UTF-8.

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace tarnfold::word::docx {

// The encoding the part's XML declaration names, as written; empty when the
// part has no declaration or its declaration names none.
std::string DeclaredEncoding(std::string_view part);

// Turns a part in ISO-8859-1 or windows-1251 into UTF-8 in place and says how
// the parser is to take the result: as UTF-8, or, for a part whose first
// bytes show UTF-16 or UTF-32, by the parser's own detection. Nothing for an
// encoding the program cannot read.
std::optional<pugi::xml_encoding> DecodePart(std::string& part);

}  // namespace tarnfold::word::docx
