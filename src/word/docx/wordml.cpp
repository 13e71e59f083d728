#include "word/docx/wordml.h"

#include <algorithm>
#include <cstring>

namespace tarnfold::word::docx {

namespace {

// The transitional namespace that Word and LibreOffice write, and the strict one.
constexpr std::string_view kMainNamespaces[] = {
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
    "http://purl.oclc.org/ooxml/wordprocessingml/main",
};

bool IsMainNamespace(std::string_view uri) {
    return std::find(std::begin(kMainNamespaces), std::end(kMainNamespaces), uri) != std::end(kMainNamespaces);
}

// Splits "p:local" into its prefix ("" when there is none) and local name.
void SplitName(const char* name, std::string_view& prefix, std::string_view& local) {
    const char* colon = std::strchr(name, ':');
    if (colon == nullptr) {
        prefix = {};
        local = name;
    } else {
        prefix = std::string_view(name, static_cast<std::size_t>(colon - name));
        local = colon + 1;
    }
}

}  // namespace

WordNames::WordNames(pugi::xml_node root) {
    for (pugi::xml_attribute a : root.attributes()) {
        std::string_view name = a.name();
        if (!IsMainNamespace(a.value())) {
            continue;
        }
        if (name == "xmlns") {
            prefixes_.emplace_back();
        } else if (name.substr(0, 6) == "xmlns:") {
            prefixes_.emplace_back(name.substr(6));
        }
    }
    std::string_view rootPrefix, rootLocal;
    SplitName(root.name(), rootPrefix, rootLocal);
    if (PrefixBound(rootPrefix)) {
        preferred_ = rootPrefix;
    } else if (!prefixes_.empty()) {
        preferred_ = prefixes_.front();
    }
}

bool WordNames::PrefixBound(std::string_view prefix) const {
    for (const std::string& p : prefixes_) {
        if (p == prefix) {
            return true;
        }
    }
    return false;
}

bool WordNames::Is(pugi::xml_node node, std::string_view local) const {
    if (node.type() != pugi::node_element) {
        return false;
    }
    std::string_view prefix, own;
    SplitName(node.name(), prefix, own);
    return own == local && PrefixBound(prefix);
}

bool WordNames::IsAnyOf(pugi::xml_node node, std::initializer_list<std::string_view> locals) const {
    if (node.type() != pugi::node_element) {
        return false;
    }
    std::string_view prefix, own;
    SplitName(node.name(), prefix, own);
    return std::find(locals.begin(), locals.end(), own) != locals.end() && PrefixBound(prefix);
}

pugi::xml_attribute WordNames::Attribute(pugi::xml_node node, std::string_view local) const {
    pugi::xml_attribute unprefixed;
    for (pugi::xml_attribute a : node.attributes()) {
        std::string_view prefix, own;
        SplitName(a.name(), prefix, own);
        if (own != local) {
            continue;
        }
        if (prefix.empty()) {
            unprefixed = a;
        } else if (PrefixBound(prefix)) {
            return a;
        }
    }
    return unprefixed;
}

std::string WordNames::Qualified(std::string_view local) const {
    if (preferred_.empty()) {
        return std::string(local);
    }
    std::string name = preferred_;
    name += ':';
    name += local;
    return name;
}

pugi::xml_node NextInOrder(pugi::xml_node node, pugi::xml_node root) {
    if (pugi::xml_node child = node.first_child()) {
        return child;
    }
    return NextSkippingChildren(node, root);
}

pugi::xml_node NextSkippingChildren(pugi::xml_node node, pugi::xml_node root) {
    while (node && node != root) {
        if (pugi::xml_node sibling = node.next_sibling()) {
            return sibling;
        }
        node = node.parent();
    }
    return {};
}

}  // namespace tarnfold::word::docx
