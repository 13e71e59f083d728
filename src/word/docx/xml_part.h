#pragma once
// One XML part of the package, parsed, with the names its root binds.

#include "word/docx/wordml.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnfold::word::docx {

struct XmlPart {
    std::string name;     // the entry's name in the package
    std::uint64_t entry;  // the entry's index in the package
    std::string source;   // the part as read, a single-byte code page turned into UTF-8;
                          // parsed in place, so it lives as long as `xml`
    pugi::xml_document xml;
    std::optional<WordNames> names;
    bool changed = false;
};

// Where pugixml writes a saved part: at the end of a string.
class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, std::size_t size) override { out_.append(static_cast<const char*>(data), size); }

private:
    std::string& out_;
};

}  // namespace tarnfold::word::docx
