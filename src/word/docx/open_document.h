#pragma once
// A .docx document between Open and its last save, whichever way it is kept:
// parsed on its own, or made from a template prepared once for many documents.

#include <string>
#include <string_view>

namespace tarnfold::word::docx {

class OpenDocument {
public:
    virtual ~OpenDocument() = default;
    // The file the document is: the template until the first SaveAs.
    virtual const std::string& Path() const = 0;
    // Whether the document has been written to a file of its own.
    virtual bool Saved() const = 0;

    virtual bool HasBookmark(std::string_view name) const = 0;
    virtual void InsertBeforeBookmark(std::string_view name, std::string_view text) = 0;
    virtual void TypeAtBookmark(std::string_view name, std::string_view text) = 0;
    // Fails as Word does for a bookmark the document lacks.
    virtual void GoToBookmark(std::string_view name) const = 0;

    virtual void SaveAs(const std::string& pathUtf8) = 0;
    virtual void Save() = 0;
};

}  // namespace tarnfold::word::docx
