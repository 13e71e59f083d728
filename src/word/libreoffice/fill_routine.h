#pragma once
// A Basic routine of the tool's own, installed read-only into the office's
// application Basic, that fills a whole list of bookmarks inside the office:
// a round trip to the office costs about as much as Writer's own work on a
// figure, so a source row costs one instead of two per figure. Internal to
// the LibreOffice back-end.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/script/provider/XScript.hpp>

#include "word/word.h"

namespace tarnfold::word {

class OfficeConnection;

// The routine's answer: how many texts it filled, in order, and the office's
// text of the error that stopped it (empty when none did).
struct RoutineAnswer {
    std::size_t filled = 0;
    std::string failure;
};

class FillRoutine {
public:
    // `library`: the application Basic library that holds the routine.
    FillRoutine(std::shared_ptr<OfficeConnection> office, std::string library);

    // Fills `names` (the document's own spellings) with `texts` in one call,
    // installing the routine first when this office lacks it. Nothing when
    // the routine cannot be installed or called in this office, told once on
    // stderr; the caller then fills a figure at a time. Throws Error with
    // `context` in front when the office is lost or hangs during the call.
    std::optional<RoutineAnswer> Fill(const css::uno::Reference<css::frame::XModel>& document,
                                      const std::vector<std::string>& names, const std::vector<std::string>& texts,
                                      Placement placement, const std::string& context);

private:
    bool Ready();
    void GiveUp(const std::string& reason);

    std::shared_ptr<OfficeConnection> office_;
    std::string library_;
    css::uno::Reference<css::script::provider::XScript> script_;
    bool unavailable_ = false;
};

}  // namespace tarnfold::word
