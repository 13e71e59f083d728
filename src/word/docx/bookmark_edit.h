#pragma once
// Writing text at a bookmark of a parsed part, as Word's insertion in front of
// a bookmark's range and Word's typing at a bookmark do.

#include "word/docx/bookmark_index.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarnfold::word::docx {

// Puts the text in front of the bookmark as a new run that takes the
// formatting of the neighbouring text. Returns whether the part changed.
bool InsertBeforeBookmark(const BookmarkRef& bookmark, std::string_view text);

// Replaces the text a range bookmark spans with the typed text, keeping both
// of the bookmark's marks around it; at a point bookmark the text goes right
// after the point. Returns whether the part changed.
bool TypeAtBookmark(const BookmarkRef& bookmark, std::string_view text);

// Where a new run goes: into `parent`, in front of `before` (at the end when
// `before` is empty).
struct RunSpot {
    pugi::xml_node parent;
    pugi::xml_node before;
};

// Where the two operations above put a bookmark's text in the unfilled part,
// for a filling that splices runs into the part's saved markup instead of
// editing it. `front`: a later text for the same spot goes in front of the
// texts already there (else behind them). Nothing where the spot is not a
// paragraph's own child, or where the operation would do more than add a run.
struct PlannedRun {
    RunSpot spot;
    bool front = false;
};
std::optional<PlannedRun> PlanInsertBefore(const BookmarkRef& bookmark);

// Typing also clears what its bookmark spans: `spanned` says that start and
// end enclose a stretch of the part, which must hold no text when typing
// comes, or the typing would remove it.
struct PlannedTyping {
    PlannedRun run;
    bool spanned = false;
};
std::optional<PlannedTyping> PlanTypeAt(const BookmarkRef& bookmark);

// The run properties a run added at the spot copies, found without adding
// it: the run before it in its paragraph, else the run after it, else the
// paragraph mark's. The spot's parent must be the paragraph.
pugi::xml_node NeighbourPropertiesAt(const WordNames& names, RunSpot spot);

// Appends the opening markup of a run with a copy of `properties` (none when
// empty), as saving a part with such a run writes it.
void AppendRunHead(const WordNames& names, pugi::xml_node properties, std::string& out);

// Adds a run holding `text` at the spot, with the formatting of the
// neighbouring text, as the two operations above do; empty when the text
// leaves nothing to write.
pugi::xml_node AddRun(const WordNames& names, RunSpot spot, std::string_view text);

}  // namespace tarnfold::word::docx
