#pragma once
// How the window's fields read and what they become, as plain text rules.

#include <functional>
#include <string>
#include <string_view>

namespace tarnfold::window {

// The year field's value: its text read as a whole number, 0 when it is none.
int YearValue(std::string_view text);

// The template folder's text after a drop: an existing file gives its folder
// with a trailing separator, anything else the dropped name itself.
std::string DroppedFolderText(const std::string& droppedName, bool isExistingFile);

// Where the folder dialog starts: the field's text, else its initial folder,
// else the root; a start folder that does not exist gives the root.
std::string BrowseStartFolder(const std::string& text, const std::string& initialFolder,
                              const std::function<bool(const std::string&)>& folderExists);

}  // namespace tarnfold::window
