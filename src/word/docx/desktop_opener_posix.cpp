#include "word/docx/desktop_opener.h"

#include "core/process.h"

namespace tarnfold::word::docx {

void OpenWithDesktop(const std::string& pathUtf8) {
    // Detached: the program neither becomes a zombie of ours nor dies with our session.
    StartProcess({{"xdg-open", pathUtf8},
                  {},
                  {},
                  true,
                  "Не удалось открыть документ \"" + pathUtf8 + "\": не удалось запустить xdg-open"});
}

}  // namespace tarnfold::word::docx
