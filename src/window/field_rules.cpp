#include "window/field_rules.h"

#include "core/integer.h"
#include "core/paths.h"

namespace tarnfold::window {

int YearValue(std::string_view text) { return ReadInteger(text, 0); }

std::string DroppedFolderText(const std::string& droppedName, bool isExistingFile) {
    if (!isExistingFile) return droppedName;
    // The file system's own parsing, not the last "\\", "/" or ":": a colon is
    // an ordinary character in a file name here.
    const std::string folder = PathToUtf8(PathFromUtf8(droppedName).parent_path());
    if (!folder.empty() && folder.back() == PathSeparator()) return folder;
    return folder + PathSeparator();
}

std::string BrowseStartFolder(const std::string& text, const std::string& initialFolder,
                              const std::function<bool(const std::string&)>& folderExists) {
    const std::string root(1, PathSeparator());
    std::string start = text;
    if (start.empty()) start = initialFolder;
    if (start.empty()) start = root;
    if (!folderExists(start)) return root;
    return start;
}

}  // namespace tarnfold::window
