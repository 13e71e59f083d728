// The .docx reader, filling and writing, on package bytes as they come:
// damaged zip directories, misstated sizes, parts that are not XML.

#include <cstdint>
#include <string_view>

#include "docx_fill.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnfold::fuzz;
    ClearScratch();
    const std::string path = (ScratchFolder() / "template.docx").string();
    WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    FillSaveAndReopen(path);
    return 0;
}
