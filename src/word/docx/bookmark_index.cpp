#include "word/docx/bookmark_index.h"

#include "core/text.h"

#include <set>
#include <vector>

namespace tarnfold::word::docx {

void BookmarkIndex::AddPart(XmlPart& part) {
    const WordNames& names = *part.names;
    struct Start {
        std::string key;
        const char* name;
        pugi::xml_node node;
        std::string_view id;
    };
    std::vector<Start> starts;
    std::unordered_map<std::string_view, pugi::xml_node> ends;

    const pugi::xml_node root = part.xml.document_element();
    for (pugi::xml_node node = root; node; node = NextInOrder(node, root)) {
        if (node.type() != pugi::node_element) {
            continue;
        }
        if (names.Is(node, "bookmarkStart")) {
            const char* name = names.Attribute(node, "name").value();
            if (*name != '\0') {
                starts.push_back({FoldCase(name), name, node, names.Attribute(node, "id").value()});
            }
        } else if (names.Is(node, "bookmarkEnd")) {
            ends.emplace(names.Attribute(node, "id").value(), node);
        }
    }
    // LibreOffice writes an empty cell's bookmark as a start without an end
    // followed by the whole bookmark: the lone start is no bookmark of its own.
    std::set<std::string_view> ended;
    for (const Start& start : starts)
        if (ends.count(start.id)) ended.insert(start.name);
    for (const Start& start : starts)
        if (ends.count(start.id) || !ended.count(start.name)) spellings_.emplace_back(start.name);
    for (Start& start : starts) {
        auto [it, added] = bookmarks_.try_emplace(std::move(start.key));
        if (!added) {
            continue;
        }
        names_.emplace_back(start.name);
        it->second.part = &part;
        it->second.start = start.node;
        if (auto end = ends.find(start.id); end != ends.end()) {
            it->second.end = end->second;
        }
    }
}

const BookmarkRef* BookmarkIndex::Find(std::string_view name) const {
    const auto it = bookmarks_.find(FoldCase(name));
    return it == bookmarks_.end() ? nullptr : &it->second;
}

}  // namespace tarnfold::word::docx
