#include "wordml_reading.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tarnfold::testing {

namespace {

std::string AttributeByLocal(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_attribute a : node.attributes()) {
        if (LocalName(a.name()) == local) {
            return a.value();
        }
    }
    return {};
}

template <typename F>
void Walk(pugi::xml_node node, F&& visit) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) {
            visit(c);
            Walk(c, visit);
        }
    }
}

std::string RunText(pugi::xml_node run) {
    std::string text;
    for (pugi::xml_node c = run.first_child(); c; c = c.next_sibling()) {
        const std::string_view name = LocalName(c.name());
        if (name == "t") {
            text += c.text().get();
        } else if (name == "tab") {
            text += '\t';
        } else if (name == "br") {
            text += '\n';
        }
    }
    return text;
}

void CollectText(pugi::xml_node node, std::string& text) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) {
            continue;
        }
        const std::string_view name = LocalName(c.name());
        if (name == "r") {
            text += RunText(c);
        } else if (name != "p" && name != "del") {
            CollectText(c, text);
        }
    }
}

}  // namespace

std::string_view LocalName(const char* qualified) {
    const char* colon = std::strchr(qualified, ':');
    return colon == nullptr ? std::string_view(qualified) : std::string_view(colon + 1);
}

pugi::xml_document ParsePart(const std::string& xml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result =
        doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    EXPECT_TRUE(result) << "not well-formed: " << result.description() << " at " << result.offset;
    return doc;
}

std::vector<std::string> BookmarkMarks(const std::string& xml) {
    std::vector<std::string> marks;
    const pugi::xml_document doc = ParsePart(xml);
    Walk(doc, [&](pugi::xml_node n) {
        const std::string_view name = LocalName(n.name());
        if (name == "bookmarkStart") {
            marks.push_back("start " + AttributeByLocal(n, "id") + " " + AttributeByLocal(n, "name"));
        } else if (name == "bookmarkEnd") {
            marks.push_back("end " + AttributeByLocal(n, "id"));
        }
    });
    return marks;
}

std::vector<std::string> ParagraphTexts(const std::string& xml) {
    std::vector<std::string> texts;
    const pugi::xml_document doc = ParsePart(xml);
    Walk(doc, [&](pugi::xml_node n) {
        if (LocalName(n.name()) == "p") {
            std::string text;
            CollectText(n, text);
            texts.push_back(text);
        }
    });
    return texts;
}

std::vector<std::string> AttributeValues(const std::string& xml, std::string_view element, std::string_view attribute) {
    std::vector<std::string> values;
    const pugi::xml_document doc = ParsePart(xml);
    Walk(doc, [&](pugi::xml_node n) {
        if (LocalName(n.name()) == element) {
            values.push_back(AttributeByLocal(n, attribute));
        }
    });
    return values;
}

pugi::xml_node RunWithText(const pugi::xml_document& doc, std::string_view text) {
    pugi::xml_node found;
    Walk(doc, [&](pugi::xml_node n) {
        if (!found && LocalName(n.name()) == "r" && RunText(n) == text) {
            found = n;
        }
    });
    return found;
}

std::vector<std::string> PropertyNames(pugi::xml_node run) {
    std::vector<std::string> names;
    for (pugi::xml_node c = run.first_child(); c; c = c.next_sibling()) {
        if (LocalName(c.name()) == "rPr") {
            for (pugi::xml_node p = c.first_child(); p; p = p.next_sibling()) {
                names.emplace_back(LocalName(p.name()));
            }
        }
    }
    return names;
}

}  // namespace tarnfold::testing
