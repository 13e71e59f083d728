#pragma once
// Element and attribute names of WordprocessingML as one part spells them.
// Parts may bind the main namespace to any prefix (or make it the default), so
// names are matched by local name and by a prefix the root binds to it.

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::word::docx {

class WordNames {
public:
    // Reads the prefixes bound to the main namespace on the part's root.
    explicit WordNames(pugi::xml_node root);

    bool Is(pugi::xml_node node, std::string_view local) const;
    bool IsAnyOf(pugi::xml_node node, std::initializer_list<std::string_view> locals) const;
    // The attribute in the main namespace with that local name (an unprefixed
    // one is accepted as well, as some writers leave the prefix off).
    pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view local) const;
    // The name to give a new element: the part's own prefix and the local name.
    std::string Qualified(std::string_view local) const;
    bool Known() const { return !prefixes_.empty(); }

private:
    bool PrefixBound(std::string_view prefix) const;

    std::vector<std::string> prefixes_;
    std::string preferred_;
};

// The next node after `node` in document order inside `root`, or an empty node.
pugi::xml_node NextInOrder(pugi::xml_node node, pugi::xml_node root);
// The same, without going into the children of `node`.
pugi::xml_node NextSkippingChildren(pugi::xml_node node, pugi::xml_node root);

}  // namespace tarnfold::word::docx
