#include "word/docx/bookmark_index.h"

#include "core/text.h"

#include <cstring>
#include <set>

namespace tarnfold::word::docx {

namespace {

// Longer bookmark names than Word allows still fold, only not on the stack.
constexpr std::size_t kKeyBuffer = 64;

// The local name of a mark, or empty when the node cannot be one: most nodes
// of a part are told apart by one character, without splitting their names.
std::string_view MarkLocalName(const char* name) {
    const char* colon = std::strchr(name, ':');
    const char* local = colon != nullptr ? colon + 1 : name;
    if (local[0] != 'b' || std::strncmp(local, "bookmark", 8) != 0) {
        return {};
    }
    return local;
}

}  // namespace

std::string_view FoldedKey(std::string_view name, char* buffer, std::size_t capacity, std::string& spare) {
    if (name.size() <= capacity) {
        bool ascii = true;
        for (std::size_t i = 0; i < name.size() && ascii; ++i) {
            const char c = name[i];
            ascii = static_cast<unsigned char>(c) < 0x80;
            buffer[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        }
        if (ascii) {
            return {buffer, name.size()};
        }
    }
    spare = FoldCase(name);
    return spare;
}

void BookmarkIndex::AddPart(XmlPart& part) {
    const WordNames& names = *part.names;
    // Starts are entered as they come; an end may come before its start
    // (Word allows it), so ends wait by id until the walk is over.
    std::vector<BookmarkRef*> added;
    std::vector<std::string_view> addedIds;
    std::vector<std::pair<const char*, std::string_view>> partStarts;
    std::unordered_map<std::string_view, pugi::xml_node> ends;
    char buffer[kKeyBuffer];
    std::string spare;

    const pugi::xml_node root = part.xml.document_element();
    for (pugi::xml_node node = root; node; node = NextInOrder(node, root)) {
        if (node.type() != pugi::node_element) {
            continue;
        }
        const std::string_view local = MarkLocalName(node.name());
        if (local.empty()) {
            continue;
        }
        if (local == "bookmarkStart" && names.Is(node, "bookmarkStart")) {
            const char* name = names.Attribute(node, "name").value();
            if (*name == '\0') {
                continue;
            }
            partStarts.emplace_back(name, names.Attribute(node, "id").value());
            const std::string_view key = FoldedKey(name, buffer, kKeyBuffer, spare);
            if (bookmarks_.find(key) != bookmarks_.end()) {
                continue;
            }
            auto [it, inserted] = bookmarks_.emplace(std::string(key), BookmarkRef{&part, node, {}});
            names_.emplace_back(name);
            added.push_back(&it->second);
            addedIds.push_back(names.Attribute(node, "id").value());
        } else if (local == "bookmarkEnd" && names.Is(node, "bookmarkEnd")) {
            ends.emplace(names.Attribute(node, "id").value(), node);
        }
    }
    for (std::size_t i = 0; i < added.size(); ++i) {
        if (auto end = ends.find(addedIds[i]); end != ends.end()) {
            added[i]->end = end->second;
        }
    }
    for (const auto& [name, id] : partStarts) {
        starts_.push_back({name, ends.count(id) != 0});
    }
}

std::vector<std::string> BookmarkIndex::Spellings() const {
    // LibreOffice writes an empty cell's bookmark as a start without an end
    // followed by the whole bookmark: the lone start is no bookmark of its own.
    std::set<std::string_view> ended;
    for (const StartSeen& start : starts_) {
        if (start.hasEnd) ended.insert(start.name);
    }
    std::vector<std::string> spellings;
    for (const StartSeen& start : starts_) {
        if (start.hasEnd || !ended.count(start.name)) spellings.emplace_back(start.name);
    }
    return spellings;
}

const BookmarkRef* BookmarkIndex::Find(std::string_view name) const {
    char buffer[kKeyBuffer];
    std::string spare;
    const auto it = bookmarks_.find(FoldedKey(name, buffer, kKeyBuffer, spare));
    return it == bookmarks_.end() ? nullptr : &it->second;
}

}  // namespace tarnfold::word::docx
