#pragma once
// Names the office understands for files on disk.

#include <string>

namespace tarnfold::word {

// A UTF-8 path, made absolute, as a file URL with its bytes percent-encoded.
std::string FileUrl(const std::string& path);
// The path a file URL names (escapes decoded); empty for other URLs.
std::string PathFromFileUrl(const std::string& url);

// The office's export filter for an output name, chosen by its extension
// (.doc, .docx, .odt, any case). Any other name gets a Word 97 document, as
// Word writes its own format whatever the name says.
std::string FilterForOutput(const std::string& path);

// Whether two names denote the same file: the same absolute path, or the
// same file on disk.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace tarnfold::word
