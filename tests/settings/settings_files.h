#pragma once
// Raw bytes into the files under test (ReadWholeFile reads them back), so checks see exactly what is on disk.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/error.h"
#include "support/whole_file.h"

namespace tarnfold::testing {

void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// Names in the folder, to see that no temporary file is left behind.
std::size_t EntryCount(const std::filesystem::path& folder);

// The message of the Error the call throws, or "(no error)" when it throws none.
template <class Call>
std::string ErrorMessage(Call call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace tarnfold::testing
