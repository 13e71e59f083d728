#pragma once
// A story part read as text, without building its tree: one pass writes its
// markup as a save of the parsed part writes it and notes what a filling
// needs of it (bookmark marks, paragraphs, runs and the properties runs copy),
// with each place given as an offset in that markup. Markup the pass cannot
// write exactly as the parser and the save would (a document type, processing
// instructions, an unusual entity, nested paragraphs, ...) is refused: such a
// part is left to the parser.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnfold::word::docx {

struct ScannedPart {
    static constexpr std::int32_t kNone = -1;

    // The part as it was read, held where moving the scanned part leaves it:
    // the marks' names and ids point into it.
    std::unique_ptr<const std::string> source;
    // The markup as the save writes it. A paragraph a block-level mark points
    // to that has no children is written with an end tag ("<w:p></w:p>"), so
    // that runs can go between; see Paragraph::expanded.
    std::string markup;
    // Element names as the part spells them for new elements.
    std::string run, runProperties, text, tab, lineBreak;

    struct Properties {
        std::size_t begin = 0, end = 0;  // the children, in the markup
        // Children a copy leaves out (marks of tracked changes), as [begin, end) pairs.
        std::vector<std::size_t> leftOut;
    };
    struct Paragraph {
        std::size_t end = 0;      // the offset of its end tag
        std::size_t closing = 0;  // the length of its end tag
        // The first child element that is not the paragraph's properties.
        std::size_t firstContent = std::string::npos;
        std::int32_t properties = kNone;  // of its paragraph mark
        bool empty = false;               // no children at all
        bool expanded = false;
        std::size_t firstRun = 0, runCount = 0;  // in `runs`, ordered by paragraph
    };
    struct Run {
        std::size_t start = 0;
        std::int32_t paragraph = kNone;
        std::int32_t properties = kNone;
    };
    enum class Parent { Paragraph, Block, Other };
    struct Mark {
        std::string_view name, id;
        std::size_t start = 0, after = 0;  // where its tag begins and ends
        Parent parent = Parent::Other;
        std::int32_t paragraph = kNone;  // the parent paragraph
        // For a mark between paragraphs: the next paragraph, else the last before it.
        std::int32_t nextParagraph = kNone, lastParagraph = kNone;
        bool insideRun = false;
        bool columns = false;  // spans table columns
    };

    std::vector<Properties> properties;
    std::vector<Paragraph> paragraphs;
    std::vector<Run> runs;
    // The starts of runs outside runs that hold neither marks nor parts of a
    // field: the texts that typing over a bookmark's range would remove.
    std::vector<std::size_t> plainRuns;
    std::vector<Mark> starts, ends;
};

// Scans a part in UTF-8; nothing when the part needs the parser.
std::optional<ScannedPart> ScanPart(std::string source);

}  // namespace tarnfold::word::docx
