#pragma once
// The document a back-end opened, seen a bookmark at a time: the run only
// fills lists and saves, tests of a back-end also take its single steps.

#include <memory>
#include <stdexcept>
#include <utility>

#include "word/word.h"

namespace tarnfold::word {

inline std::shared_ptr<BookmarkDocument> BookmarkSteps(std::shared_ptr<Document> document) {
    auto steps = std::dynamic_pointer_cast<BookmarkDocument>(std::move(document));
    if (!steps) throw std::logic_error("the back-end's document does not work a bookmark at a time");
    return steps;
}

}  // namespace tarnfold::word
