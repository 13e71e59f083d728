#pragma once
// Reading a written part back for the checks, by local names only, so that
// these checks do not share the back-end's own handling of prefixes.

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::testing {

std::string_view LocalName(const char* qualified);

// Parses the part; a part that is not well-formed XML fails the test.
pugi::xml_document ParsePart(const std::string& xml);

// Every bookmark mark in document order: "start ID NAME" or "end ID".
std::vector<std::string> BookmarkMarks(const std::string& xml);

// The text of every paragraph in document order (a cell's paragraphs too):
// text elements, "\t" for a tab, "\n" for a line break.
std::vector<std::string> ParagraphTexts(const std::string& xml);

// The values of attribute `attribute` on every element named `element`.
std::vector<std::string> AttributeValues(const std::string& xml, std::string_view element, std::string_view attribute);

// The run whose text is exactly `text`, or an empty node.
pugi::xml_node RunWithText(const pugi::xml_document& doc, std::string_view text);
// The local names of a run's properties, in order ("b", "i", ...).
std::vector<std::string> PropertyNames(pugi::xml_node run);

}  // namespace tarnfold::testing
