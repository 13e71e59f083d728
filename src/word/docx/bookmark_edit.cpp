#include "word/docx/bookmark_edit.h"

#include "core/error.h"
#include "word/docx/run_text.h"

#include <vector>

namespace tarnfold::word::docx {

namespace {

// Containers of paragraphs: a bookmark mark whose nearest container is one of
// these, and not a paragraph, stands at body, table, row or cell level.
bool IsBlockContainer(const WordNames& names, pugi::xml_node node) {
    return names.IsAnyOf(node, {"body", "tbl", "tr", "tc", "hdr", "ftr", "txbxContent", "footnote", "endnote",
                                "comment", "docPartBody"});
}

// The paragraph that holds a mark (also through hyperlinks, content controls
// and tracked changes), or an empty node for a mark at block level.
pugi::xml_node ParagraphOf(const WordNames& names, pugi::xml_node node) {
    for (pugi::xml_node n = node.parent(); n; n = n.parent()) {
        if (names.Is(n, "p")) {
            return n;
        }
        if (IsBlockContainer(names, n)) {
            return {};
        }
    }
    return {};
}

// A mark inside a tracked deletion: new text must stand outside the deletion,
// or it would arrive deleted.
pugi::xml_node OutsideDeletion(const WordNames& names, pugi::xml_node node, pugi::xml_node paragraph) {
    pugi::xml_node outermost = node;
    for (pugi::xml_node n = node.parent(); n && n != paragraph; n = n.parent()) {
        if (names.IsAnyOf(n, {"del", "moveFrom"})) {
            outermost = n;
        }
    }
    return outermost;
}

pugi::xml_node ChildNamed(const WordNames& names, pugi::xml_node parent, std::string_view local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (names.Is(c, local)) {
            return c;
        }
    }
    return {};
}

// The spot for text at a mark that stands between paragraphs, cells or rows:
// the start of the first paragraph that follows it, as the range it opens
// begins there; after the last paragraph when nothing follows.
RunSpot SpotAtBlockMark(const WordNames& names, pugi::xml_node mark, pugi::xml_node root) {
    for (pugi::xml_node n = NextInOrder(mark, root); n; n = NextInOrder(n, root)) {
        if (names.Is(n, "p")) {
            pugi::xml_node first = n.first_child();
            while (first && (names.Is(first, "pPr") || first.type() != pugi::node_element)) {
                first = first.next_sibling();
            }
            return {n, first};
        }
    }
    pugi::xml_node last;
    for (pugi::xml_node n = root; n && n != mark; n = NextInOrder(n, root)) {
        if (names.Is(n, "p")) {
            last = n;
        }
    }
    if (!last) {
        throw Error("В документе нет абзаца, в который можно вписать текст у закладки \"" +
                    std::string(names.Attribute(mark, "name").value()) + "\"");
    }
    return {last, {}};
}

// Children of a run and of paragraph properties hold no runs of the paragraph
// (a text box inside a run has paragraphs of its own).
bool IsOpaque(const WordNames& names, pugi::xml_node node) { return names.IsAnyOf(node, {"r", "pPr"}); }

pugi::xml_node PreviousRun(const WordNames& names, pugi::xml_node run, pugi::xml_node paragraph) {
    pugi::xml_node n = run;
    while (n && n != paragraph) {
        if (pugi::xml_node sibling = n.previous_sibling()) {
            n = sibling;
            while (!IsOpaque(names, n) && n.last_child()) {
                n = n.last_child();
            }
            if (names.Is(n, "r")) {
                return n;
            }
        } else {
            n = n.parent();
        }
    }
    return {};
}

// The first run from `first` on in document order, not counting runs inside runs.
pugi::xml_node RunFrom(const WordNames& names, pugi::xml_node first, pugi::xml_node paragraph) {
    for (pugi::xml_node n = first; n;) {
        if (names.Is(n, "r")) {
            return n;
        }
        n = IsOpaque(names, n) ? NextSkippingChildren(n, paragraph) : NextInOrder(n, paragraph);
    }
    return {};
}

pugi::xml_node NextRun(const WordNames& names, pugi::xml_node run, pugi::xml_node paragraph) {
    return RunFrom(names, NextSkippingChildren(run, paragraph), paragraph);
}

// The run before a run that would stand at the spot, as PreviousRun finds it.
pugi::xml_node PreviousRunAt(const WordNames& names, RunSpot spot) {
    const pugi::xml_node paragraph = spot.parent;
    pugi::xml_node n = spot.before ? spot.before.previous_sibling() : spot.parent.last_child();
    while (n) {
        while (!IsOpaque(names, n) && n.last_child()) {
            n = n.last_child();
        }
        if (names.Is(n, "r")) {
            return n;
        }
        pugi::xml_node sibling;
        while (n && n != paragraph && !(sibling = n.previous_sibling())) {
            n = n.parent();
        }
        if (!n || n == paragraph) {
            return {};
        }
        n = sibling;
    }
    return {};
}

// The marks of tracked changes in run properties carry ids that must stay
// unique in the document: a copy leaves them out.
bool CopiedProperty(const WordNames& names, pugi::xml_node property) {
    return !names.IsAnyOf(property, {"ins", "del", "moveFrom", "moveTo", "rPrChange"});
}

// Gives the new run a copy of `properties`.
void CopyRunProperties(const WordNames& names, pugi::xml_node run, pugi::xml_node properties) {
    if (!properties) {
        return;
    }
    pugi::xml_node copy = run.prepend_child(names.Qualified("rPr").c_str());
    for (pugi::xml_node c = properties.first_child(); c; c = c.next_sibling()) {
        if (CopiedProperty(names, c)) {
            copy.append_copy(c);
        }
    }
}

// The formatting of the neighbouring text: the run before the new one in its
// paragraph, else the run after it, else the paragraph mark's.
pugi::xml_node NeighbourProperties(const WordNames& names, pugi::xml_node run) {
    const pugi::xml_node paragraph = ParagraphOf(names, run);
    if (!paragraph) {
        return {};
    }
    if (pugi::xml_node before = PreviousRun(names, run, paragraph)) {
        return ChildNamed(names, before, "rPr");
    }
    if (pugi::xml_node after = NextRun(names, run, paragraph)) {
        return ChildNamed(names, after, "rPr");
    }
    return ChildNamed(names, ChildNamed(names, paragraph, "pPr"), "rPr");
}

// A new run holding the text at the spot, or an empty node when the text
// leaves nothing to write.
pugi::xml_node NewRun(const WordNames& names, RunSpot spot, std::string_view text) {
    const std::string name = names.Qualified("r");
    pugi::xml_node run = spot.before ? spot.parent.insert_child_before(name.c_str(), spot.before)
                                     : spot.parent.append_child(name.c_str());
    if (!AppendRunContent(run, text, names)) {
        spot.parent.remove_child(run);
        return {};
    }
    return run;
}

bool HoldsMarksOrFieldParts(const WordNames& names, pugi::xml_node run) {
    for (pugi::xml_node n = run.first_child(); n; n = NextInOrder(n, run)) {
        if (names.IsAnyOf(n, {"bookmarkStart", "bookmarkEnd", "fldChar", "instrText"})) {
            return true;
        }
    }
    return false;
}

struct SpannedRuns {
    bool endReached = false;
    std::vector<pugi::xml_node> runs;
};

// The runs between a bookmark's start and end, in document order. Runs that
// hold other bookmarks' marks (text boxes) or a field's parts stay: removing
// them would lose a bookmark or leave a field half-open.
SpannedRuns RunsBetween(const WordNames& names, pugi::xml_node start, pugi::xml_node end, pugi::xml_node root) {
    SpannedRuns spanned;
    for (pugi::xml_node n = NextInOrder(start, root); n;) {
        if (n == end) {
            spanned.endReached = true;
            return spanned;
        }
        if (names.Is(n, "r")) {
            if (!HoldsMarksOrFieldParts(names, n)) {
                spanned.runs.push_back(n);
            }
            n = NextSkippingChildren(n, root);
        } else {
            n = NextInOrder(n, root);
        }
    }
    spanned.runs.clear();
    return spanned;
}

// The runs typing at the bookmark replaces. A bookmark over table columns
// spans cells of several rows; typing goes at its start and leaves those
// cells alone.
SpannedRuns RunsTypedOver(const BookmarkRef& bookmark) {
    const WordNames& names = *bookmark.part->names;
    if (!bookmark.end || !names.Attribute(bookmark.start, "colFirst").empty()) {
        return {};
    }
    return RunsBetween(names, bookmark.start, bookmark.end, bookmark.part->xml.document_element());
}

}  // namespace

pugi::xml_node NeighbourPropertiesAt(const WordNames& names, RunSpot spot) {
    if (const pugi::xml_node before = PreviousRunAt(names, spot)) {
        return ChildNamed(names, before, "rPr");
    }
    if (const pugi::xml_node after = RunFrom(names, spot.before, spot.parent)) {
        return ChildNamed(names, after, "rPr");
    }
    return ChildNamed(names, ChildNamed(names, spot.parent, "pPr"), "rPr");
}

namespace {

class AppendingWriter : public pugi::xml_writer {
public:
    explicit AppendingWriter(std::string& out) : out_(out) {}
    void write(const void* data, std::size_t size) override { out_.append(static_cast<const char*>(data), size); }

private:
    std::string& out_;
};

}  // namespace

void AppendRunHead(const WordNames& names, pugi::xml_node properties, std::string& out) {
    out += '<';
    out += names.Qualified("r");
    out += '>';
    if (!properties) {
        return;
    }
    const std::string element = names.Qualified("rPr");
    const std::size_t opening = out.size();
    out += '<';
    out += element;
    out += '>';
    const std::size_t content = out.size();
    AppendingWriter writer(out);
    for (pugi::xml_node c = properties.first_child(); c; c = c.next_sibling()) {
        if (CopiedProperty(names, c)) {
            c.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        }
    }
    if (out.size() == content) {
        // Nothing copied: the element is written empty.
        out.resize(opening);
        out += '<';
        out += element;
        out += "/>";
    } else {
        out += "</";
        out += element;
        out += '>';
    }
}

pugi::xml_node AddRun(const WordNames& names, RunSpot spot, std::string_view text) {
    const pugi::xml_node run = NewRun(names, spot, text);
    if (run) {
        CopyRunProperties(names, run, NeighbourProperties(names, run));
    }
    return run;
}

namespace {

// A mark between paragraphs puts its text at the start of the next one, in
// front of what earlier texts put there; after the last one it appends.
std::optional<PlannedRun> PlanAtBlockMark(const WordNames& names, pugi::xml_node mark, pugi::xml_node root) {
    for (pugi::xml_node n = NextInOrder(mark, root); n; n = NextInOrder(n, root)) {
        if (names.Is(n, "p")) {
            pugi::xml_node first = n.first_child();
            while (first && (names.Is(first, "pPr") || first.type() != pugi::node_element)) {
                first = first.next_sibling();
            }
            return PlannedRun{{n, first}, true};
        }
    }
    pugi::xml_node last;
    for (pugi::xml_node n = root; n && n != mark; n = NextInOrder(n, root)) {
        if (names.Is(n, "p")) {
            last = n;
        }
    }
    if (!last) {
        return std::nullopt;
    }
    return PlannedRun{{last, {}}, false};
}

}  // namespace

std::optional<PlannedRun> PlanInsertBefore(const BookmarkRef& bookmark) {
    const WordNames& names = *bookmark.part->names;
    if (const pugi::xml_node paragraph = ParagraphOf(names, bookmark.start)) {
        const pugi::xml_node anchor = OutsideDeletion(names, bookmark.start, paragraph);
        if (anchor.parent() != paragraph) {
            return std::nullopt;
        }
        return PlannedRun{{paragraph, anchor}, false};
    }
    return PlanAtBlockMark(names, bookmark.start, bookmark.part->xml.document_element());
}

std::optional<PlannedTyping> PlanTypeAt(const BookmarkRef& bookmark) {
    const WordNames& names = *bookmark.part->names;
    const pugi::xml_node root = bookmark.part->xml.document_element();
    const pugi::xml_node start = bookmark.start;
    const pugi::xml_node end = bookmark.end;
    const SpannedRuns spanned = RunsTypedOver(bookmark);
    if (!spanned.runs.empty()) {
        return std::nullopt;
    }
    PlannedTyping typing;
    typing.spanned = spanned.endReached;
    const pugi::xml_node paragraph = ParagraphOf(names, start);
    if (spanned.endReached && end.parent() == start.parent() && paragraph) {
        if (end.parent() != paragraph) {
            return std::nullopt;
        }
        typing.run = {{paragraph, end.next_sibling()}, true};
    } else if (paragraph) {
        const pugi::xml_node anchor = OutsideDeletion(names, start, paragraph);
        if (anchor.parent() != paragraph) {
            return std::nullopt;
        }
        typing.run = {{paragraph, anchor.next_sibling()}, true};
    } else {
        const auto planned = PlanAtBlockMark(names, start, root);
        if (!planned) {
            return std::nullopt;
        }
        typing.run = *planned;
    }
    return typing;
}

bool InsertBeforeBookmark(const BookmarkRef& bookmark, std::string_view text) {
    const WordNames& names = *bookmark.part->names;
    const pugi::xml_node root = bookmark.part->xml.document_element();
    RunSpot spot;
    if (const pugi::xml_node paragraph = ParagraphOf(names, bookmark.start)) {
        const pugi::xml_node anchor = OutsideDeletion(names, bookmark.start, paragraph);
        spot = {anchor.parent(), anchor};
    } else {
        spot = SpotAtBlockMark(names, bookmark.start, root);
    }
    if (!AddRun(names, spot, text)) {
        return false;
    }
    bookmark.part->changed = true;
    return true;
}

bool TypeAtBookmark(const BookmarkRef& bookmark, std::string_view text) {
    const WordNames& names = *bookmark.part->names;
    const pugi::xml_node root = bookmark.part->xml.document_element();
    const pugi::xml_node start = bookmark.start;
    const pugi::xml_node end = bookmark.end;
    const SpannedRuns spanned = RunsTypedOver(bookmark);

    RunSpot spot;
    const pugi::xml_node paragraph = ParagraphOf(names, start);
    if (spanned.endReached && spanned.runs.empty() && end.parent() == start.parent() && paragraph) {
        // A point: the typed text follows it and the bookmark stays collapsed.
        spot = {end.parent(), end.next_sibling()};
    } else if (paragraph) {
        const pugi::xml_node anchor = OutsideDeletion(names, start, paragraph);
        spot = {anchor.parent(), anchor.next_sibling()};
    } else {
        spot = SpotAtBlockMark(names, start, root);
    }

    const pugi::xml_node run = NewRun(names, spot, text);
    if (run) {
        // Typed text over a selection takes the formatting of its first character.
        const pugi::xml_node properties =
            spanned.runs.empty() ? NeighbourProperties(names, run) : ChildNamed(names, spanned.runs.front(), "rPr");
        CopyRunProperties(names, run, properties);
    }
    for (pugi::xml_node removed : spanned.runs) {
        removed.parent().remove_child(removed);
    }
    const bool changed = run || !spanned.runs.empty();
    if (changed) {
        bookmark.part->changed = true;
    }
    return changed;
}

}  // namespace tarnfold::word::docx
