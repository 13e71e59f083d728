#include "word/docx/bookmark_index.h"

#include "core/text.h"

#include <cstring>
#include <set>

namespace tarnfold::word::docx {

namespace {

// Longer bookmark names than Word allows still fold, only not on the stack.
constexpr std::size_t kKeyBuffer = 64;

const char* LocalName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon != nullptr ? colon + 1 : name;
}

// The local name of a mark, or empty when the node cannot be one: most nodes
// of a part are told apart by one character, without splitting their names.
std::string_view MarkLocalName(const char* local) {
    if (local[0] != 'b' || std::strncmp(local, "bookmark", 8) != 0) {
        return {};
    }
    return local;
}

// Property elements (pPr, rPr, tcPr, sectPr, sdtPr, ...) describe their
// parent and never hold a story's content, so no bookmark sits inside them;
// in a form's table they are most of the part's nodes.
bool PropertiesElement(const char* local, pugi::xml_node node, const WordNames& names) {
    const std::size_t length = std::strlen(local);
    return length > 2 && local[length - 2] == 'P' && local[length - 1] == 'r' && names.Is(node, local);
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
    // The walk only gathers the marks: an end may come before its start (Word
    // allows it), and tables sized once for what the part holds spare the
    // rehashing a large form would cost.
    struct MarkSeen {
        pugi::xml_node node;
        const char* name;
        std::string_view id;
    };
    std::vector<MarkSeen> startsSeen;
    std::vector<MarkSeen> endsSeen;

    const pugi::xml_node root = part.xml.document_element();
    pugi::xml_node next;
    for (pugi::xml_node node = root; node; node = next) {
        if (node.type() != pugi::node_element) {
            next = NextInOrder(node, root);
            continue;
        }
        const char* elementLocal = LocalName(node.name());
        if (PropertiesElement(elementLocal, node, names)) {
            next = NextSkippingChildren(node, root);
            continue;
        }
        next = NextInOrder(node, root);
        const std::string_view local = MarkLocalName(elementLocal);
        if (local.empty()) {
            continue;
        }
        if (local == "bookmarkStart" && names.Is(node, "bookmarkStart")) {
            const char* name = names.Attribute(node, "name").value();
            if (*name != '\0') {
                startsSeen.push_back({node, name, names.Attribute(node, "id").value()});
            }
        } else if (local == "bookmarkEnd" && names.Is(node, "bookmarkEnd")) {
            endsSeen.push_back({node, nullptr, names.Attribute(node, "id").value()});
        }
    }

    std::unordered_map<std::string_view, pugi::xml_node> ends;
    ends.reserve(endsSeen.size());
    for (const MarkSeen& end : endsSeen) {
        ends.emplace(end.id, end.node);
    }
    bookmarks_.reserve(bookmarks_.size() + startsSeen.size());
    char buffer[kKeyBuffer];
    std::string spare;
    for (const MarkSeen& start : startsSeen) {
        const auto end = ends.find(start.id);
        starts_.push_back({start.name, end != ends.end()});
        const std::string_view key = FoldedKey(start.name, buffer, kKeyBuffer, spare);
        if (bookmarks_.find(key) != bookmarks_.end()) {
            continue;
        }
        bookmarks_.emplace(std::string(key),
                           BookmarkRef{&part, start.node, end != ends.end() ? end->second : pugi::xml_node()});
        names_.emplace_back(start.name);
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
